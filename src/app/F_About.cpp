#include "app/F_About.h"

#include <QLabel>
#include <QPushButton>

#include "app/FinestraBianca.h"
#include "ui/Colors.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"
#include "ui/ProductPicture.h"

namespace {

// The window's outer size less a dialog frame and its title bar.
constexpr int OuterWidth = 245, OuterHeight = 267;
constexpr int FrameWidth = 16, FrameHeight = 39;
constexpr int kRosso = 0x0000FF;

QLabel* Picture(QWidget* parent, const char* name, const QPixmap& pixmap, const QRect& place) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setScaledContents(true);  // stretched into its place
    label->setPixmap(pixmap);
    return label;
}

}  // namespace

TFF_About::TFF_About(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName("FF_About");
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(OuterWidth - FrameWidth, OuterHeight - FrameHeight);
    move(0, 0);
    brivano::FinestraBianca(*this);
    brivano::CostruisciControlli(*this, [this] { CreaControlli(); });
}

void TFF_About::CreaControlli() {
    Image1 = Picture(this, "Image1", ProductPicture(), QRect(8, 8, 217, 97));

    Label1 = new QLabel(QStringLiteral("Ver. 1.0"), this);
    Label1->setObjectName("Label1");
    Label1->setFont(Tahoma(10, true));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, ColourFromBgr(kRosso));
    Label1->setPalette(red);
    Label1->move(176, 108);
    Label1->adjustSize();

    Image2 = Picture(this, "Image2", ProductBadge(), QRect(46, 149, 131, 44));

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(80, 200, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TFF_About::Button1Click() {
    accept();
}
