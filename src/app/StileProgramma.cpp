#include "app/StileProgramma.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

namespace brivano {

namespace {

// An icon whose pictures come from the style the first time one is needed.
class TIconaAlBisogno : public QIconEngine {
  public:
    TIconaAlBisogno(const QProxyStyle* stile, QStyle::StandardPixmap quale,
                    Qt::LayoutDirection direzione)
        : stile_(stile), quale_(quale), direzione_(direzione) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        Icona().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icona().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icona().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return Icona().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icona().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new TIconaAlBisogno(*this); }
    bool isNull() override { return false; }

  private:
    const QIcon& Icona() {
        if (!letta_ && stile_) {
            QStyleOption opzione;
            opzione.direction = direzione_;
            icona_ = stile_->QProxyStyle::standardIcon(quale_, &opzione);
        }
        letta_ = true;
        return icona_;
    }

    QPointer<const QProxyStyle> stile_;
    QStyle::StandardPixmap quale_;
    Qt::LayoutDirection direzione_;
    QIcon icona_;
    bool letta_ = false;
};

}  // namespace

QIcon TStileProgramma::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                    const QWidget* widget) const {
    // Of the option given, the picture depends only on the writing direction.
    if (standardIcon == SP_ToolBarHorizontalExtensionButton ||
        standardIcon == SP_ToolBarVerticalExtensionButton)
        return QIcon(new TIconaAlBisogno(
            this, standardIcon, option ? option->direction : QGuiApplication::layoutDirection()));
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

}  // namespace brivano
