// "Copia i contatti dell'anno corrente" of the new-archive window.
#include <QCheckBox>
#include <QLineEdit>

#include <QPushButton>

#include "ArchivioDiProva.h"
#include "maintenance/F_CreaArchivio.h"
#include "ui/CostruzioneDifferita.h"

namespace {

class CopiaContattiFinestraTest : public ArchivioDiProva {
  protected:
    void SetUp() override {
        ArchivioDiProva::SetUp();
        for (const char* nome : {"Alfa", "Beta"}) {
            Nuovo(nome);
            fdb.T_Rubrica.SetFieldValue("EMail", std::string(nome) + "@x.it");
            fdb.T_Rubrica.Post();
        }
        fdb.T_Rubrica.Close();
        window.show();
        window.Edit1->setText("2011");
        boxes.answers.clear();
    }
    TFCreaArchivio window{fdb, boxes, [this](const std::string& anno) { shown.push_back(anno); }};
};

TEST_F(CopiaContattiFinestraTest, UntickedTheNewYearStartsEmpty) {
    EXPECT_FALSE(window.CopiaContatti->isChecked());
    window.BitBtn1Click();
    EXPECT_EQ(Anno(), "2011");
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 0u);
}

TEST_F(CopiaContattiFinestraTest, TickedEveryContactIsCopiedOnce) {
    window.CopiaContatti->setChecked(true);
    window.BitBtn1Click();
    EXPECT_EQ(Anno(), "2011");
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 2u);
    EXPECT_EQ(boxes.Messages().back(), "Copiati 2 contatti dall'anno 2010 (già presenti: 0).");
    EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), 2u);

    // Back to 2010, then into 2011 again: nothing is doubled.
    ScriviReg(KeyBrivano, "Anno", "2010");
    window.show();
    window.Edit1->setText("2011");
    window.BitBtn1Click();
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 2u);
    EXPECT_EQ(boxes.Messages().back(), "Copiati 0 contatti dall'anno 2010 (già presenti: 2).");
}

// Built on its first showing, as in the program: the box the window adds
// stands with the base's controls, between the year and the buttons.
TEST_F(CopiaContattiFinestraTest, BuiltLaterTheBoxStandsAmongTheBaseControls) {
    brivano::DifferisciCostruzioneFinestre(true);
    TFCreaArchivio differita{fdb, boxes, [](const std::string&) {}};
    brivano::DifferisciCostruzioneFinestre(false);
    EXPECT_EQ(differita.findChild<QCheckBox*>("CopiaContatti"), nullptr);
    brivano::CostruisciOra(differita);
    ASSERT_NE(differita.findChild<QCheckBox*>("CopiaContatti"), nullptr);
    EXPECT_GT(differita.CopiaContatti->y(), differita.Edit1->y());
    EXPECT_LT(differita.CopiaContatti->y(), differita.BitBtn1->y());
    EXPECT_EQ(differita.size(), window.size());
}

}  // namespace
