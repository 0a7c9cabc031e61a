// The two year windows on the offscreen platform.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "ArchivioDiProva.h"
#include "maintenance/F_CambioAnno.h"
#include "maintenance/F_CreaArchivio.h"

namespace {

namespace fs = std::filesystem;

class FinestreAnnoTest : public ArchivioDiProva, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ArchivioDiProva::SetUp();
        auto mostra = [this](const std::string& text) { shown.push_back(text); };
        if (GetParam())
            window = std::make_unique<TFCreaArchivio>(fdb, boxes, mostra);
        else
            window = std::make_unique<TFCambioAnno>(fdb, boxes, mostra);
        fs::create_directory(Cartella("2011"));
        window->show();
        window->Edit1->setText("2011");
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(window->Edit1, &press);
    }

    std::unique_ptr<brivano::TFAnnoLavoro> window;
};

INSTANTIATE_TEST_SUITE_P(Finestre, FinestreAnnoTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "CreaArchivio" : "CambioAnno"; });

TEST_P(FinestreAnnoTest, EveryShowingFillsTheYearFromTheConfiguration) {
    window->BitBtn2->click();
    ScriviReg(KeyBrivano, "Anno", "2008");
    window->show();
    EXPECT_EQ(window->Edit1->text(), "2008");
    // The new archive's copy box sits between the year and the buttons.
    QWidget* dopoAnno = window->BitBtn1;
    if (auto* copia = window->findChild<QCheckBox*>("CopiaContatti")) {
        EXPECT_LT(copia->geometry().bottom(), window->BitBtn1->geometry().top());
        dopoAnno = copia;
    }
    EXPECT_EQ(window->Edit1->nextInFocusChain(), dopoAnno);
    EXPECT_EQ(window->BitBtn1->nextInFocusChain(), window->BitBtn2);
}

TEST_P(FinestreAnnoTest, ConfirmSwitchesAndCloses) {
    const std::string anno = GetParam() ? "2012" : "2011";
    window->Edit1->setText("2012");  // no folder yet: only the new archive makes one
    window->BitBtn1->click();
    EXPECT_EQ(window->isVisible(), !GetParam());
    window->Edit1->setText("2011");
    if (window->isVisible()) window->BitBtn1->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(shown, std::vector<std::string>{anno});
    EXPECT_EQ(Anno(), anno);
}

TEST_P(FinestreAnnoTest, EnterConfirms) {
    Key(Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Anno(), "2011");
}

TEST_P(FinestreAnnoTest, CancelAndEscapeChangeNothing) {
    Key(Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    window->BitBtn2->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(boxes.boxes.empty());
    ExpectUnchanged();
    EXPECT_TRUE(fs::is_empty(Cartella("2011")));
}

TEST_P(FinestreAnnoTest, RefusalOrEngineErrorKeepsTheWindowOpen) {
    window->Edit1->setText("..");
    window->BitBtn1->click();
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"ANNO DI LAVORO NON VALIDO"});
    EXPECT_EQ(window->Edit1->text(), "..");

    fs::create_directory(Cartella("2011") + "Brivano.DB");  // a folder in the file's place
    window->Edit1->setText("2011");
    window->BitBtn1->click();
    EXPECT_EQ(boxes.Errors().size(), 1u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Anno(), "2010");
    EXPECT_TRUE(shown.empty());
}

}  // namespace
