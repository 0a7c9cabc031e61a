#include "ui/PostoFinestra.h"

#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace brivano {

namespace {

class TPostoFinestra : public QObject {
  public:
    explicit TPostoFinestra(QDialog& window) : QObject(&window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_) return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
        }
        if (event->type() == QEvent::Show && !placed_) {
            placed_ = true;
            // An explicit move: from now on the toolkit keeps the place.
            if (const QScreen* screen = QGuiApplication::primaryScreen()) {
                QRect frame = window_.frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                window_.move(frame.topLeft());
            }
        }
        return false;
    }

  private:
    QDialog& window_;
    bool placed_ = false;
};

}  // namespace

void TieniPostoFinestra(QDialog& window) {
    window.installEventFilter(new TPostoFinestra(window));
}

}  // namespace brivano
