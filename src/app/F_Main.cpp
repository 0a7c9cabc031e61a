#include "app/F_Main.h"

#include <QCloseEvent>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/FinestraBianca.h"
#include "app/Orologio.h"
#include "dialogs/MessageBoxes.h"
#include "ui/Colors.h"
#include "ui/CostruzioneDifferita.h"
#include "ui/Fonts.h"
#include "ui/ImageList.h"
#include "ui/ProductPicture.h"
#include "workflow/Benvenuto.h"
#include "workflow/SequenzaAvvio.h"

namespace {

// The outer 750 x 745 less the frame and the title bar; the tool area is as
// wide as the client.
constexpr int ClientWidth = 742, ClientHeight = 706;
constexpr int LightBlue = 16307130;
constexpr int kRosso = 0x0000FF;
constexpr int kBlu = 0xFF0000;

void Colore(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette pal = w->palette();
    pal.setColor(role, c);
    w->setPalette(pal);
}

QToolButton* Bottone(QToolBar* bar, const char* name, int picture) {
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(ImageList2BIG(picture));
    button->setIconSize(QSize(32, 32));
    button->setFixedSize(39, 38);
    button->setAutoRaise(true);
    bar->addWidget(button);  // no text, so no tooltip either
    return button;
}

}  // namespace

TFMain::TFMain(TMessageBoxes& boxes, std::string cartellaProgramma, bool cartellaScrivibile,
               QWidget* parent)
    : QMainWindow(parent),
      boxes_(boxes),
      cartellaProgramma_(std::move(cartellaProgramma)),
      scrivibile_(cartellaScrivibile) {
    setObjectName("FMain");
    setWindowTitle(QStringLiteral("Brivano"));
    brivano::FinestraBianca(*this);
    resize(ClientWidth, ClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect place(QPoint(), size());
        place.moveCenter(screen->availableGeometry().center());
        move(place.topLeft());
    }

    CreaMenu();
    auto* client = new QWidget(this);
    client->setObjectName("Client");
    setCentralWidget(client);
    CreaBarraStrumenti(client);

    Image1 = new QLabel(client);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 72, ProductPictureWidth, ProductPictureHeight);
    Image1->setPixmap(ProductPicture());

    Label2 = new QLabel(QStringLiteral("Ver. 1.0"), client);  // over the picture, see-through
    Label2->setObjectName("Label2");
    Label2->setGeometry(344, 128, 65, 17);
    Label2->setAlignment(Qt::AlignCenter);
    // Each family list names the faces the system's font rules put in place
    // of the one asked for, so the look-up ends at an installed face rather
    // than in a search of all of them.
    QFont palatino;
    palatino.setFamilies(FamigliaInstallata(
        {QStringLiteral("Palatino Linotype"), QStringLiteral("Palatino"), QStringLiteral("P052"),
         QStringLiteral("TeX Gyre Pagella"), QStringLiteral("DejaVu Serif")}));
    palatino.setPointSize(10);
    palatino.setStyleHint(QFont::Serif);
    palatino.setItalic(true);
    Label2->setFont(palatino);
    Colore(Label2, QPalette::WindowText, ColourFromBgr(kRosso));

    StaticText1 = new QLabel(QStringLiteral("2009"), client);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setGeometry(80, 296, 57, 25);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFrameStyle(QFrame::Box | QFrame::Plain);
    StaticText1->setLineWidth(1);
    QFont arial;
    arial.setFamilies(
        FamigliaInstallata({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                            QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")}));
    arial.setPointSize(14);
    arial.setBold(true);
    StaticText1->setFont(arial);
    Colore(StaticText1, QPalette::WindowText, ColourFromBgr(kBlu));

    CreaBarraStato();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
}

void TFMain::CreaMenu() {
    Documenti1 = menuBar()->addMenu(QStringLiteral("&Documenti"));
    Documenti1->setObjectName("Documenti1");
    Rubrica1 = Documenti1->addAction(QStringLiteral("&Rubrica"), this, [this] { Rubrica1Click(); });
    Rubrica1->setObjectName("Rubrica1");
    InvioMail =
        Documenti1->addAction(QStringLiteral("&InvioMail"), this, [this] { InvioMailClick(); });
    InvioMail->setObjectName("InvioMail");
    N1 = Documenti1->addSeparator();
    N1->setObjectName("N1");
    Esci1 = Documenti1->addAction(QStringLiteral("&Esci"), this, [this] { Esci1Click(); });
    Esci1->setObjectName("Esci1");

    Strumenti1 = menuBar()->addMenu(QStringLiteral("&Strumenti"));
    Strumenti1->setObjectName("Strumenti1");
    CambioAnno1 =
        Strumenti1->addAction(QStringLiteral("Cambio Anno"), this, [this] { CambioAnno1Click(); });
    CambioAnno1->setObjectName("CambioAnno1");
    CreaNuovoArchivio1 = Strumenti1->addAction(QStringLiteral("Crea Nuovo Archivio"), this,
                                               [this] { CreaNuovoArchivio1Click(); });
    CreaNuovoArchivio1->setObjectName("CreaNuovoArchivio1");
    ImpostazioniInvio1 = Strumenti1->addAction(QStringLiteral("Impostazioni Invio"), this,
                                               [this] { ImpostazioniInvio1Click(); });
    ImpostazioniInvio1->setObjectName("ImpostazioniInvio1");
    StoricoInvii1 = Strumenti1->addAction(QStringLiteral("Storico Invii"), this,
                                          [this] { StoricoInvii1Click(); });
    StoricoInvii1->setObjectName("StoricoInvii1");
    Strumenti1
        ->addAction(QStringLiteral("Rimbalzi e cancellazioni"), this,
                    [this] { RimbalziCancellazioni1Click(); })
        ->setObjectName("RimbalziCancellazioni1");

    Aiuto1 = menuBar()->addMenu(QStringLiteral("?"));
    Aiuto1->setObjectName("Aiuto1");
    About1 = Aiuto1->addAction(QStringLiteral("About"), this, [this] { About1Click(); });
    About1->setObjectName("About1");
}

void TFMain::CreaBarraStrumenti(QWidget* client) {
    CoolBar1 = new QFrame(client);
    CoolBar1->setObjectName("CoolBar1");
    CoolBar1->setGeometry(0, 0, ClientWidth, 65);
    CoolBar1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    CoolBar1->setAutoFillBackground(true);
    Colore(CoolBar1, QPalette::Window, ColourFromBgr(LightBlue));

    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setGeometry(11, 2, ClientWidth - 13, 61);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setStyleSheet(QStringLiteral("QToolBar { background: transparent; border: none; }"));
    ToolButton1 = Bottone(ToolBar1, "ToolButton1", 3);
    ToolBar1->addSeparator()->setObjectName("ToolButton2");
    ToolButton3 = Bottone(ToolBar1, "ToolButton3", 0);
    ToolButton1->setToolTip(QStringLiteral("Invio Mail: scegliere i destinatari e inviare"));
    ToolButton3->setToolTip(QStringLiteral("Esci dal programma"));
    connect(ToolButton1, &QToolButton::clicked, this, [this] { InvioMailClick(); });
    connect(ToolButton3, &QToolButton::clicked, this, [this] { Esci1Click(); });
}

void TFMain::CreaBarraStato() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFixedHeight(39);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
    const int widths[3] = {80, 600, 50};
    for (int i = 0; i < 3; ++i) {
        QLabel* panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        panel->setFrameStyle(QFrame::Panel | (i == 0 ? QFrame::Raised : QFrame::Sunken));
        if (i != 1) panel->setAlignment(Qt::AlignCenter);
        StatusBar1->addWidget(panel);
        Panels[i] = panel;
    }
}

void TFMain::ImpostaFinestre(TFinestre finestre) {
    finestre_ = std::move(finestre);
}

void TFMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Once the window is on screen, so the start-up messages come up over it.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TFMain::FormShow() {
    if (!finestre_.FDB) return;
    bool annoMostrato = false;
    brivano::TSequenzaAvvio sequenza(*finestre_.FDB, boxes_, cartellaProgramma_, scrivibile_,
                                     [&](const std::string& anno) {
                                         MostraAnno(anno);
                                         annoMostrato = true;
                                     });
    RunGuarded(boxes_, [&] { sequenza.Esegui(); });
    if (finestre_.PianificaPosta) finestre_.PianificaPosta(sequenza.Configurazione());
    // Only once the archive is ready: its steps need it.
    if (annoMostrato && finestre_.Benvenuto)
        RunGuarded(boxes_, [&] {
            if (brivano::BenvenutoDaOffrire(sequenza.PrimoAvvioEseguito())) finestre_.Benvenuto();
        });
}

void TFMain::MostraAnno(const std::string& anno) {
    StaticText1->setText(QString::fromStdString(anno));
}

void TFMain::Mostra(QDialog* window) {
    if (!window) return;
    RunGuarded(boxes_, [window] {
        brivano::CostruisciOra(*window);
        window->exec();
    });
}

void TFMain::MostraAccanto(QDialog* window) {
    if (!window) return;
    RunGuarded(boxes_, [window] {
        brivano::CostruisciOra(*window);
        window->show();
        window->raise();
        window->activateWindow();
    });
}

void TFMain::Rubrica1Click() {
    Mostra(finestre_.FRubrica);
}

void TFMain::InvioMailClick() {
    MostraAccanto(finestre_.FInvioMail);
}

void TFMain::Esci1Click() {
    close();
}

void TFMain::CambioAnno1Click() {
    if (SistemaSchedaInSospeso()) Mostra(finestre_.FCambioAnno);
}

void TFMain::CreaNuovoArchivio1Click() {
    if (SistemaSchedaInSospeso()) Mostra(finestre_.FCreaArchivio);
}

void TFMain::ImpostazioniInvio1Click() {
    Mostra(finestre_.FImpostazioniInvio);
}

void TFMain::RimbalziCancellazioni1Click() {
    Mostra(finestre_.FRimbalziCancellazioni);
}

void TFMain::StoricoInvii1Click() {
    Mostra(finestre_.FStoricoInvii);
}

bool TFMain::SistemaSchedaInSospeso() {
    if (!finestre_.ChiediSalvataggio) return true;
    try {
        finestre_.ChiediSalvataggio();
        return true;
    } catch (const std::exception& e) {
        // The contact could not be written: keep it rather than lose it.
        boxes_.ShowError(e.what());
        return false;
    }
}

void TFMain::About1Click() {
    Mostra(finestre_.FF_About);
}

void TFMain::Timer1Timer() {
    Panels[0]->setText(brivano::TestoOrologio(QLocale::system(), QTime::currentTime()));
}

void TFMain::closeEvent(QCloseEvent* event) {
    // The mailing window, open beside this one, closes first; during a run it
    // asks whether to stop and stays until the run has ended.
    QDialog* invio = finestre_.FInvioMail;
    if (invio && invio->isVisible() && !invio->close()) {
        event->ignore();
        return;
    }
    if (!SistemaSchedaInSospeso()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
