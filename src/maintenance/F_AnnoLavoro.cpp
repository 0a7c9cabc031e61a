#include "maintenance/F_AnnoLavoro.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "config/F_Conf.h"
#include "dialogs/MessageBoxes.h"
#include "ui/Colors.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"

namespace brivano {

namespace {

// The window sizes are outer sizes; the client area leaves room for a
// sizeable frame and the title bar.
constexpr int FrameWidth = 16;
constexpr int FrameHeight = 39;
constexpr int SkyBlue = 15780518;

// The label and the edit are 153 wide, the two buttons 73 and 75 with a gap of 7.
constexpr int ControlsWidth = 155;
// Room a title bar takes beside its text: the icon, the close box, the margins.
constexpr int TitleBarChrome = 130;

QPushButton* Bottone(QWidget* parent, const char* name, const char* text, int width) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    button->resize(width, 25);
    button->setAutoDefault(false);
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
    CostruisciControlli(*this, [this, forma] { CreaControlli(forma); });
}

void TFAnnoLavoro::CreaControlli(const TFormaAnno& forma) {
    // Wide enough for the whole title in a bold title-bar font.
    QFont titolo = QGuiApplication::font();
    titolo.setBold(true);
    larghezza_ = std::max(forma.outerWidth - FrameWidth,
                          QFontMetrics(titolo).horizontalAdvance(windowTitle()) + TitleBarChrome);
    altezzaPiede_ = forma.outerHeight - FrameHeight - 64 - 25;
    setFont(Tahoma(8));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    const QFont bold = Tahoma(10, true);
    StaticText1 = new QLabel("Anno di Lavoro", this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFont(bold);
    QPalette sky = StaticText1->palette();
    sky.setColor(QPalette::Window, ColourFromBgr(SkyBlue));
    StaticText1->setPalette(sky);
    StaticText1->setAutoFillBackground(true);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setFont(bold);

    BitBtn1 = Bottone(this, "BitBtn1", "&Conferma", 73);
    BitBtn2 = Bottone(this, "BitBtn2", "&Annulla", 75);
    // Enter confirms the typed year.
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    setTabOrder(Edit1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    Disponi();
}

void TFAnnoLavoro::AggiungiSopraBottoni(QWidget* casella) {
    sopraBottoni_ = casella;
    setTabOrder(Edit1, casella);
    setTabOrder(casella, BitBtn1);
    Disponi();
}

void TFAnnoLavoro::Disponi() {
    int larghezza = larghezza_;
    if (sopraBottoni_) larghezza = std::max(larghezza, sopraBottoni_->sizeHint().width() + 16);
    const int left = (larghezza - ControlsWidth) / 2;
    StaticText1->setGeometry(left, 8, 153, 17);
    Edit1->setGeometry(left, 32, 153, 24);
    int y = 64;
    if (sopraBottoni_) {
        const int w = sopraBottoni_->sizeHint().width();
        sopraBottoni_->setGeometry((larghezza - w) / 2, y, w, 20);
        y += 28;
    }
    BitBtn1->move(left, y);
    BitBtn2->move(left + 80, y);
    resize(larghezza, y + 25 + altezzaPiede_);
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
    if (!event->spontaneous()) {
        FormShow();
        // Over the main window at every showing, by the centres of the client
        // areas, which the frames do not shift.
        if (const QWidget* owner = parentWidget())
            move(pos() + owner->window()->geometry().center() - geometry().center());
    }
    QDialog::showEvent(event);
}

void TFAnnoLavoro::keyPressEvent(QKeyEvent* event) {
    // Escape presses neither button and leaves the window open.
    if (event->matches(QKeySequence::Cancel)) return;
    QDialog::keyPressEvent(event);
}

}  // namespace brivano
