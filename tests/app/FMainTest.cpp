// The main window and the about window on the offscreen platform, with the
// start-up sequence running against a real data module.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "Modale.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "app/F_About.h"
#include "app/F_Main.h"
#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "ui/ImageList.h"

namespace {

using brivano_test::Attendi;
using brivano_test::TQuandoModale;
using Texts = std::vector<std::string>;

QStringList Voci(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

QImage Immagine(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

// A window of a command that is not built here; counts its showings.
class TFinestraProva : public QDialog {
  public:
    int volte = 0;
    bool fallisci = false;
    bool restaAperta = false;  // as the mailing window during a run
    void closeEvent(QCloseEvent* event) override {
        if (restaAperta)
            event->ignore();
        else
            QDialog::closeEvent(event);
    }
    int exec() override {
        ++volte;
        if (fallisci) throw std::runtime_error("Guasto nella finestra");
        TQuandoModale chiudi([](QWidget& w) { static_cast<QDialog&>(w).reject(); });
        return QDialog::exec();
    }
};

class FMainTest : public ::testing::Test {
  protected:
    FMainTest() {
        main.ImpostaFinestre({&fdb,
                              &invio,
                              &about,
                              &cambio,
                              &crea,
                              &rubrica,
                              [this] {
                                  ++salvataggi;
                                  if (salvataggioFallisce) throw EArchiveError("Disco pieno");
                              },
                              &impostazioni,
                              &storico,
                              nullptr,
                              {},
                              {}});
    }
    QString StaticText() const { return main.StaticText1->text(); }

    TScopedXdgHome home;
    TTempDir prg;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    TFMain main{boxes, prg.str(), true};
    TFinestraProva invio, cambio, crea, rubrica, impostazioni, storico;
    TFF_About about{&main};
    int salvataggi = 0;
    bool salvataggioFallisce = false;
};

TEST_F(FMainTest, MenusToolBarAndDisplays) {
    EXPECT_EQ(main.windowTitle(), "Brivano");
    EXPECT_EQ(Voci(main.menuBar()->actions()), (QStringList{"&Documenti", "&Strumenti", "?"}));
    EXPECT_EQ(Voci(main.Documenti1->actions()),
              (QStringList{"&Rubrica", "&InvioMail", "-", "&Esci"}));
    EXPECT_EQ(Voci(main.Strumenti1->actions()),
              (QStringList{"Cambio Anno", "Crea Nuovo Archivio", "Impostazioni Invio",
                           "Storico Invii", "Rimbalzi e cancellazioni"}));
    EXPECT_EQ(Voci(main.Aiuto1->actions()), QStringList{"About"});

    const QList<QAction*> tools = main.ToolBar1->actions();
    ASSERT_EQ(tools.size(), 3);
    EXPECT_TRUE(tools[1]->isSeparator());
    EXPECT_EQ(main.ToolBar1->widgetForAction(tools[0]), main.ToolButton1);
    EXPECT_EQ(main.ToolBar1->widgetForAction(tools[2]), main.ToolButton3);
    EXPECT_EQ(Immagine(main.ToolButton1->icon()), Immagine(ImageList2BIG(3)));
    EXPECT_EQ(Immagine(main.ToolButton3->icon()), Immagine(ImageList2BIG(0)));
    EXPECT_FALSE(main.ToolButton1->toolTip().isEmpty()) << "a picture alone says too little";
    EXPECT_EQ(main.ToolButton1->size(), QSize(39, 38));

    EXPECT_EQ(StaticText(), "2009");
    EXPECT_EQ(main.Label2->text(), "Ver. 1.0");
    EXPECT_EQ(main.StatusBar1->height(), 39);
    EXPECT_EQ(main.Panels[0]->width(), 80);
    EXPECT_EQ(main.Panels[1]->width(), 600);
    EXPECT_EQ(main.Panels[2]->width(), 50);
    EXPECT_TRUE(main.Panels[0]->text().isEmpty());  // until the first tick
    EXPECT_EQ(main.Timer1->interval(), 1000);
    EXPECT_TRUE(main.Timer1->isActive());
}

TEST_F(FMainTest, FirstShowRunsTheStartUpOnce) {
    main.show();
    ASSERT_TRUE(Attendi([&] { return StaticText() == "2010"; }));
    EXPECT_EQ(
        boxes.Messages(),
        (Texts{"CONFIGURAZIONE ASSENTE", "E STATA CARICATA LA CONFIGURAZIONE DI BASE",
               "Archivio Dati- Assente - Premere OK per Crearlo", "Archivio Brivano.DB Creato",
               "Archivio Rubrica- Assente - Premere OK per Crearlo",
               "Archivio Rubrica.DB Creato"}));
    main.hide();
    main.show();
    QApplication::processEvents();
    EXPECT_EQ(boxes.boxes.size(), 6u);
}

TEST_F(FMainTest, MissingProgramFolderStillLeavesEveryCommandWorking) {
    ScriviReg(KeyBrivano, "Conf", "OK");
    ScriviReg(KeyBrivano, "PathPrg", prg.str() + "via/");
    main.show();
    ASSERT_TRUE(Attendi([&] { return !boxes.boxes.empty(); }));
    EXPECT_EQ(boxes.Messages(),
              Texts{" ERRORE NEI PERCORSO DEL PROGRAMMA \r\r     CHIUDERE E RIAVVIARE"});
    EXPECT_EQ(StaticText(), "2009");

    main.Rubrica1->trigger();
    main.InvioMail->trigger();
    main.ToolButton1->click();
    main.CambioAnno1->trigger();
    main.CreaNuovoArchivio1->trigger();
    EXPECT_EQ(rubrica.volte, 1);
    EXPECT_TRUE(invio.isVisible());
    EXPECT_EQ(cambio.volte, 1);
    EXPECT_EQ(crea.volte, 1);

    bool aboutShown = false;
    TQuandoModale ok([&](QWidget& w) {
        aboutShown = &w == &about;
        about.Button1->click();
    });
    main.About1->trigger();
    EXPECT_TRUE(aboutShown);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(FMainTest, EngineErrorMidStartUpIsShownAndTheWindowStays) {
    ScriviReg(KeyBrivano, "Conf", "OK");
    for (const char* name : {"PathPrg", "PathTemp", "PathDatiGen"})
        ScriviReg(KeyBrivano, name, prg.str());
    ScriviReg(KeyBrivano, "Anno", "2010");
    ScriviReg(KeyBrivano, "DBBrivano", "Brivano.DB");
    ScriviReg(KeyBrivano, "DBRubrica", "Rubrica.DB");
    // No alias name: the engine refuses to add the alias.
    main.show();
    ASSERT_TRUE(Attendi([&] { return !boxes.Errors().empty(); }));
    EXPECT_EQ(boxes.Errors(), Texts{"An alias needs a name."});
    EXPECT_TRUE(boxes.Messages().empty());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(StaticText(), "2009");
}

TEST_F(FMainTest, ErrorEscapingACommandIsShownAndTheProgramGoesOn) {
    rubrica.fallisci = true;
    main.Rubrica1->trigger();
    EXPECT_EQ(boxes.Errors(), Texts{"Guasto nella finestra."});
    rubrica.fallisci = false;
    main.Rubrica1->trigger();
    EXPECT_EQ(rubrica.volte, 2);
}

TEST_F(FMainTest, ClockTicksWhileAModalWindowIsOpen) {
    main.Timer1->setInterval(20);
    QString seen;
    TQuandoModale guarda(
        [&](QWidget& w) {
            seen = main.Panels[0]->text();
            static_cast<QDialog&>(w).accept();
        },
        [&](QWidget&) { return !main.Panels[0]->text().isEmpty(); });
    main.About1Click();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("\\d{1,2}\\D\\d\\d\\D\\d\\d")).match(seen).hasMatch())
        << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("UTC")));
}

TEST_F(FMainTest, ClosingAsksToSaveThePendingContact) {
    main.show();
    QApplication::processEvents();
    main.Esci1Click();
    EXPECT_EQ(salvataggi, 1);
    EXPECT_FALSE(main.isVisible());

    main.show();
    main.ToolButton3->click();  // the tool button closes as well
    EXPECT_EQ(salvataggi, 2);
    EXPECT_FALSE(main.isVisible());
}

TEST_F(FMainTest, YearWindowsSettleThePendingContactFirst) {
    main.CambioAnno1Click();
    main.CreaNuovoArchivio1Click();
    EXPECT_EQ(salvataggi, 2);
    EXPECT_EQ(cambio.volte, 1);
    EXPECT_EQ(crea.volte, 1);
    salvataggioFallisce = true;
    main.CambioAnno1Click();
    EXPECT_EQ(cambio.volte, 1) << "the year must not move while the contact is unsaved";
    EXPECT_EQ(boxes.Errors(), Texts{"Disco pieno."});
}

TEST_F(FMainTest, ImpostazioniInvioAndStoricoInviiOpenTheirWindows) {
    main.ImpostazioniInvio1->trigger();
    EXPECT_EQ(impostazioni.volte, 1);
    EXPECT_EQ(salvataggi, 0) << "the account has nothing to do with a pending contact";
    main.StoricoInvii1->trigger();
    EXPECT_EQ(storico.volte, 1);
    EXPECT_EQ(salvataggi, 0);
}

TEST_F(FMainTest, TheMailingWindowStaysOpenBesideTheOtherCommands) {
    main.show();
    QApplication::processEvents();
    main.InvioMail->trigger();
    ASSERT_TRUE(invio.isVisible());
    EXPECT_FALSE(invio.isModal());
    main.ImpostazioniInvio1->trigger();
    main.StoricoInvii1->trigger();
    EXPECT_EQ(impostazioni.volte, 1);
    EXPECT_EQ(storico.volte, 1);
    EXPECT_TRUE(invio.isVisible()) << "its work stays on screen";

    // Ending the program closes it first; while it will not close, nothing ends.
    invio.restaAperta = true;
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(salvataggi, 0);
    invio.restaAperta = false;
    EXPECT_TRUE(main.close());
    EXPECT_FALSE(invio.isVisible());
}

TEST_F(FMainTest, ContactThatCannotBeSavedKeepsTheProgramOpen) {
    main.show();
    QApplication::processEvents();
    salvataggioFallisce = true;
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(boxes.Errors(), Texts{"Disco pieno."});
    salvataggioFallisce = false;
    EXPECT_TRUE(main.close());
}

TEST(TFF_About, CaptionPlaceAndOk) {
    TFF_About about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.pos(), QPoint(0, 0));
    EXPECT_EQ(about.Image1->geometry(), QRect(8, 8, 217, 97));
    EXPECT_EQ(about.Image2->geometry(), QRect(46, 149, 131, 44));
    EXPECT_EQ(about.Label1->text(), "Ver. 1.0");
    EXPECT_EQ(about.Button1->text(), "&OK");
    EXPECT_EQ(about.Button1->geometry(), QRect(80, 200, 75, 25));
    TQuandoModale ok([&](QWidget&) { about.Button1->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

}  // namespace
