// The welcome's steps, driven through a recording view.
#include "workflow/Benvenuto.h"

#include "ArchivioDiProva.h"

namespace {

using brivano::TPassoBenvenuto;

class VistaBenvenutoFinta : public brivano::TVistaBenvenuto {
  public:
    void MostraOfferte(const std::vector<brivano::TOffertaBenvenuto>& o) override { offerte = o; }
    bool ApriAccount() override { return ++account, accountSalvato; }
    bool ImportaContatti() override { return ++importazioni, true; }
    void Chiudi() override { chiusa = true; }

    std::vector<brivano::TOffertaBenvenuto> offerte;
    bool accountSalvato = false;
    int account = 0, importazioni = 0;
    bool chiusa = false;
};

class BenvenutoTest : public ArchivioDiProva {
  protected:
    brivano::TControlloBenvenuto Controllo(int anno) {
        return {fdb, boxes, vista, anno, [this](const std::string& a) { shown.push_back(a); }};
    }
    VistaBenvenutoFinta vista;
};

TEST_F(BenvenutoTest, OfferedOnceAfterAFirstStart) {
    EXPECT_FALSE(brivano::BenvenutoDaOffrire(false));
    EXPECT_TRUE(brivano::BenvenutoDaOffrire(true));
    auto controllo = Controllo(2026);
    controllo.Chiudi();
    EXPECT_TRUE(vista.chiusa);
    // Even a later first start (the configuration written again) does not bring it back.
    EXPECT_FALSE(brivano::BenvenutoDaOffrire(true));
}

TEST_F(BenvenutoTest, EachStepTakenOrLeftOnOffer) {
    auto controllo = Controllo(2026);
    controllo.Mostra();
    using O = brivano::TOffertaBenvenuto;
    EXPECT_EQ(vista.offerte, (std::vector<O>{
                                 {TPassoBenvenuto::ArchivioAnno,
                                  "Crea l'archivio dell'anno 2026 e passa a quello", false},
                                 {TPassoBenvenuto::Account, "Imposta l'account di invio", false},
                                 {TPassoBenvenuto::Contatti, "Importa contatti", false},
                             }));

    controllo.Esegui(TPassoBenvenuto::ArchivioAnno);
    EXPECT_EQ(Anno(), "2026");
    EXPECT_EQ(shown, std::vector<std::string>{"2026"});
    EXPECT_TRUE(std::filesystem::exists(Cartella("2026") + "Rubrica.DB"));
    EXPECT_TRUE(vista.offerte[0].fatto);
    controllo.Esegui(TPassoBenvenuto::ArchivioAnno);  // done: not run twice
    EXPECT_EQ(shown.size(), 1u);

    // The account window left without saving keeps its offer open.
    controllo.Esegui(TPassoBenvenuto::Account);
    EXPECT_FALSE(vista.offerte[1].fatto);
    vista.accountSalvato = true;
    controllo.Esegui(TPassoBenvenuto::Account);
    EXPECT_TRUE(vista.offerte[1].fatto);
    EXPECT_EQ(vista.account, 2);
    EXPECT_FALSE(vista.offerte[2].fatto);
    EXPECT_FALSE(vista.chiusa);
}

TEST_F(BenvenutoTest, NoArchiveOfferWhenTheWorkingYearIsTheCurrentOne) {
    auto controllo = Controllo(2010);
    ASSERT_EQ(controllo.Offerte().size(), 2u);
    EXPECT_EQ(controllo.Offerte()[0].passo, TPassoBenvenuto::Account);
}

}  // namespace
