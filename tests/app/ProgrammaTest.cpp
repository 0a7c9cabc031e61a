// The program's run: every window created before the main window shows, the
// start-up on first show, the end when the main window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "app/F_Main.h"
#include "app/Programma.h"
#include "archive/ArchiveError.h"
#include "archive/F_DB.h"
#include "config/F_Conf.h"

namespace {

// Notes every main window that is shown.
class TOsservaMostra : public QObject {
  public:
    int mostrate = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && qobject_cast<QMainWindow*>(o)) ++mostrate;
        return false;
    }
};

QWidget* Finestra(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name) return w;
    return nullptr;
}

TEST(Programma, DataModuleThatCannotStartEndsTheProgramBeforeTheMainWindow) {
    TScopedXdgHome home;
    TTempDir prg;
    TRecordingMessageBoxes boxes;
    TOsservaMostra osserva;
    qApp->installEventFilter(&osserva);
    const int result =
        brivano::Programma(boxes, prg.str(), true, [](TMessageBoxes&) -> std::unique_ptr<TFDB> {
            throw EArchiveError("The database engine cannot start");
        });
    qApp->removeEventFilter(&osserva);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxes.Errors(), std::vector<std::string>{"The database engine cannot start."});
    EXPECT_EQ(osserva.mostrate, 0);
}

TEST(Programma, CreatesEveryWindowRunsTheStartUpAndEndsOnClose) {
    TScopedXdgHome home;
    TTempDir prg;
    TRecordingMessageBoxes boxes;
    QStringList captions;
    QString anno;
    bool guard = false;
    // Inside the loop: wait for the start-up to finish, look around, close;
    // give up after ten seconds.
    int tries = 0;
    QTimer poll;
    poll.setInterval(10);
    bool benvenuto = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // The welcome after the first start, closed as the user may close it.
        if (QWidget* modale = QApplication::activeModalWidget();
            modale && modale->objectName() == "FBenvenuto") {
            benvenuto = true;
            static_cast<QDialog*>(modale)->reject();
            return;
        }
        auto* main = static_cast<TFMain*>(Finestra("FMain"));
        if (main && main->StaticText1->text() == "2010") {
            poll.stop();
            for (const char* name :
                 {"FInvioMail", "FF_About", "FCambioAnno", "FCreaArchivio", "FRubrica"})
                if (QWidget* w = Finestra(name)) captions << w->windowTitle();
            anno = main->StaticText1->text();
            main->close();
        } else if (++tries > 1000) {
            poll.stop();
            guard = true;
            QApplication::quit();
        }
    });
    poll.start();
    const int result = brivano::Programma(
        boxes, prg.str(), true, [](TMessageBoxes& b) { return std::make_unique<TFDB>(b); });
    EXPECT_FALSE(guard);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(anno, "2010");
    EXPECT_EQ(boxes.Messages().size(), 6u);
    EXPECT_EQ(captions.size(), 5);
    EXPECT_TRUE(captions.contains("Invio Mail"));
    EXPECT_TRUE(captions.contains("About"));
    EXPECT_TRUE(benvenuto);
    EXPECT_EQ(LeggiReg(KeyBrivano, "Benvenuto"), "OK");  // not offered again
    EXPECT_EQ(Finestra("FMain"), nullptr);               // everything is gone again
}

}  // namespace
