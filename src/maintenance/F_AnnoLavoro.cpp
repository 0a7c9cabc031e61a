#include "maintenance/F_AnnoLavoro.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "ui/Colors.h"
#include "ui/Fonts.h"

namespace brivano {

namespace {

// The window sizes are outer sizes; the client area leaves room for a
// sizeable frame and the title bar.
constexpr int FrameWidth = 16;
constexpr int FrameHeight = 39;
constexpr int SkyBlue = 15780518;

QPushButton* Bottone(QWidget* parent, const char* name, const char* text, int x, int width) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    button->setGeometry(x, 64, width, 25);
    // Enter presses neither button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TFAnnoLavoro::TFAnnoLavoro(TFDB& fdb, TMessageBoxes& boxes,
                           std::function<void(const std::string&)> mostraAnno, TComandoAnno comando,
                           const TFormaAnno& forma, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      fdb_(fdb),
      boxes_(boxes),
      mostraAnno_(std::move(mostraAnno)),
      comando_(comando) {
    setObjectName(forma.objectName);
    setWindowTitle(QString::fromUtf8(forma.caption));
    resize(forma.outerWidth - FrameWidth, forma.outerHeight - FrameHeight);
    move(0, 0);
    setFont(Tahoma(8));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QFont bold = Tahoma(10, true);
    StaticText1 = new QLabel("Anno di Lavoro", this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setGeometry(forma.left, 8, 153, 17);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFont(bold);
    QPalette sky = StaticText1->palette();
    sky.setColor(QPalette::Window, ColourFromBgr(SkyBlue));
    StaticText1->setPalette(sky);
    StaticText1->setAutoFillBackground(true);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(forma.left, 32, 153, 24);
    Edit1->setFont(bold);

    BitBtn1 = Bottone(this, "BitBtn1", "&Conferma", forma.left, 73);
    BitBtn2 = Bottone(this, "BitBtn2", "&Annulla", forma.left + 80, 75);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    setTabOrder(Edit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TFAnnoLavoro::FormShow() {
    RunGuarded(boxes_,
               [this] { Edit1->setText(QString::fromStdString(LeggiReg(KeyBrivano, "Anno"))); });
}

void TFAnnoLavoro::BitBtn1Click() {
    bool fatto = false;
    std::string precedente;
    RunGuarded(boxes_, [this, &fatto, &precedente] {
        precedente = LeggiReg(KeyBrivano, "Anno");
        fatto = ConfermaAnno(fdb_, boxes_, Edit1->text().toStdString(), comando_, mostraAnno_);
    });
    if (!fatto) return;
    Confermato(precedente);
    accept();
}

void TFAnnoLavoro::BitBtn2Click() {
    reject();
}

void TFAnnoLavoro::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) FormShow();
    QDialog::showEvent(event);
}

void TFAnnoLavoro::keyPressEvent(QKeyEvent* event) {
    // Escape presses neither button and leaves the window open.
    if (event->matches(QKeySequence::Cancel)) return;
    QDialog::keyPressEvent(event);
}

}  // namespace brivano
