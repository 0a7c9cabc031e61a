// The two year windows on the offscreen platform.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "ArchivioDiProva.h"
#include "maintenance/F_CambioAnno.h"
#include "maintenance/F_CreaArchivio.h"

namespace {

namespace fs = std::filesystem;

struct Finestra {
    const char* caption;
    int left;
    bool creaCartella;  // a missing year folder is created rather than refused
};

class FinestreAnnoTest : public ArchivioDiProva, public ::testing::WithParamInterface<Finestra> {
  protected:
    void SetUp() override {
        ArchivioDiProva::SetUp();
        auto mostra = [this](const std::string& text) { shown.push_back(text); };
        if (GetParam().creaCartella)
            window = std::make_unique<TFCreaArchivio>(fdb, boxes, mostra);
        else
            window = std::make_unique<TFCambioAnno>(fdb, boxes, mostra);
    }

    void Key(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    std::unique_ptr<brivano::TFAnnoLavoro> window;
};

INSTANTIATE_TEST_SUITE_P(Finestre, FinestreAnnoTest,
                         ::testing::Values(Finestra{"Cambio Anno", 16, false},
                                           Finestra{"Crea Nuovo Archivio", 48, true}),
                         [](const auto& param) {
                             return param.param.creaCartella ? "CreaArchivio" : "CambioAnno";
                         });

TEST_P(FinestreAnnoTest, ControlsTextsAndTabOrder) {
    EXPECT_EQ(window->windowTitle(), GetParam().caption);
    EXPECT_EQ(window->StaticText1->text(), "Anno di Lavoro");
    EXPECT_EQ(window->BitBtn1->text(), "&Conferma");
    EXPECT_EQ(window->BitBtn2->text(), "&Annulla");
    EXPECT_EQ(window->Edit1->geometry(), QRect(GetParam().left, 32, 153, 24));
    EXPECT_EQ(window->BitBtn2->geometry(), QRect(GetParam().left + 80, 64, 75, 25));
    EXPECT_EQ(window->Edit1->nextInFocusChain(), window->BitBtn1);
    EXPECT_EQ(window->BitBtn1->nextInFocusChain(), window->BitBtn2);
    EXPECT_FALSE(window->BitBtn1->autoDefault() || window->BitBtn1->isDefault());
    EXPECT_FALSE(window->BitBtn2->autoDefault() || window->BitBtn2->isDefault());
}

TEST_P(FinestreAnnoTest, EveryShowingFillsTheYearFromTheConfiguration) {
    window->show();
    EXPECT_EQ(window->Edit1->text(), "2010");
    window->Edit1->setText("1999");
    window->BitBtn2->click();
    ScriviReg(KeyBrivano, "Anno", "2008");
    window->show();
    EXPECT_EQ(window->Edit1->text(), "2008");
}

TEST_P(FinestreAnnoTest, ConfirmSwitchesAndCloses) {
    fs::create_directory(Cartella("2011"));
    window->show();
    window->Edit1->setText("2011");
    window->BitBtn1->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(shown, std::vector<std::string>{"2011"});
    EXPECT_EQ(Anno(), "2011");
}

TEST_P(FinestreAnnoTest, RefusedYearKeepsTheWindowOpenWithTheTypedText) {
    window->show();
    window->Edit1->setText("..");
    window->BitBtn1->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Edit1->text(), "..");
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
    ExpectUnchanged();
}

TEST_P(FinestreAnnoTest, CancelChangesNothing) {
    fs::create_directory(Cartella("2011"));
    window->show();
    window->Edit1->setText("2011");
    window->BitBtn2->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectUnchanged();
    EXPECT_TRUE(fs::is_empty(Cartella("2011")));
}

TEST_P(FinestreAnnoTest, EnterAndEscapePressNeitherButton) {
    fs::create_directory(Cartella("2011"));
    window->show();
    window->Edit1->setText("2011");
    Key(window->Edit1, Qt::Key_Return);
    Key(window->Edit1, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    ExpectUnchanged();
}

TEST_P(FinestreAnnoTest, EngineErrorIsDisplayedAndTheWindowStaysOpen) {
    fs::create_directories(Cartella("2011") + "Brivano.DB");  // a folder in the file's place
    window->show();
    window->Edit1->setText("2011");
    window->BitBtn1->click();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Anno(), "2010");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
