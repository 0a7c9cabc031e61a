// Carrying one year's contacts into another year's address table.
#include <gtest/gtest.h>

#include "ArchivioDiProva.h"
#include "TabellaDiProva.h"
#include "workflow/ConfermaAnno.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/CopiaContatti.h"
#include "workflow/Importazione.h"

using namespace brivano;

namespace {

std::vector<TRigaImportata> RigheDi(const std::vector<TContatto>& contatti) {
    std::vector<TRigaImportata> righe;
    for (const TContatto& c : contatti) {
        TRigaImportata r;
        r.Contatto = c;
        r.Presenti.fill(true);
        righe.push_back(r);
    }
    return righe;
}

std::vector<std::string> Aziende(TTableFile& file) {
    std::vector<std::string> out;
    for (const TContatto& c : LeggiContatti(file)) out.push_back(c[TCampo::Ragione_Sociale]);
    return out;
}

class CopiaContattiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<TContatto> contatti;
        for (int i = 0; i < 120; ++i)
            contatti.push_back(Contatto("Ditta " + std::to_string(1000 + i),
                                        "d" + std::to_string(i) + "@x.it", "Forlì", "Cliente"));
        contatti.push_back(Contatto("Senza posta", ""));
        ImportaContatti(*vecchio.file, RigheDi(contatti), TDuplicati::Salta);
    }
    TTabellaDiProva vecchio, nuovo;
};

TEST_F(CopiaContattiTest, EveryContactIsCopiedWithAllItsValuesOnce) {
    const TEsitoImportazione esito = CopiaContatti(*vecchio.file, *nuovo.file);
    EXPECT_EQ(esito.Aggiunti, 121);
    const auto prima = LeggiContatti(*vecchio.file), dopo = LeggiContatti(*nuovo.file);
    ASSERT_EQ(dopo.size(), prima.size());
    for (std::size_t i = 0; i < prima.size(); ++i) EXPECT_TRUE(dopo[i].StessiValori(prima[i]));

    // Copying again doubles nothing, the contact without e-mail included.
    const TEsitoImportazione ancora = CopiaContatti(*vecchio.file, *nuovo.file);
    EXPECT_EQ(ancora.Aggiunti, 0);
    EXPECT_EQ(ancora.Duplicati, 121);
    EXPECT_EQ(nuovo.file->RowCount(), 121u);
}

TEST_F(CopiaContattiTest, ContactsAlreadyInTheNewYearAreKeptAsTheyAre) {
    ImportaContatti(*nuovo.file, RigheDi({Contatto("Già qui", "D5@X.IT", "Asti")}),
                    TDuplicati::Salta);
    const TEsitoImportazione esito = CopiaContatti(*vecchio.file, *nuovo.file);
    EXPECT_EQ(esito.Aggiunti, 120);
    EXPECT_EQ(esito.Duplicati, 1);
    EXPECT_EQ(Aziende(*nuovo.file).front(), "Ditta 1000");
    EXPECT_EQ(LeggiContatti(*nuovo.file).back()[TCampo::Ragione_Sociale], "Senza posta");
    bool trovato = false;
    for (const TContatto& c : LeggiContatti(*nuovo.file))
        if (c[TCampo::Ragione_Sociale] == "Già qui") trovato = c[TCampo::Citta] == "Asti";
    EXPECT_TRUE(trovato);
}

TEST_F(CopiaContattiTest, ACopyFailingHalfWayLeavesTheNewTableAsItWas) {
    EXPECT_THROW(CopiaContatti(*vecchio.file, *nuovo.file,
                               [](std::size_t fatte) {
                                   if (fatte == 60) throw std::runtime_error("disco pieno");
                               }),
                 std::runtime_error);
    EXPECT_EQ(nuovo.file->RowCount(), 0u);
    EXPECT_EQ(vecchio.file->RowCount(), 121u);
    // The table is still sound: the next copy lands whole.
    EXPECT_EQ(CopiaContatti(*vecchio.file, *nuovo.file).Aggiunti, 121);
}

class CopiaNelNuovoAnnoTest : public ArchivioDiProva {};

TEST_F(CopiaNelNuovoAnnoTest, TheLeftYearsContactsReachTheNewWorkingYear) {
    ImportaContatti(*fdb.Session1.OpenTableFile(Alias, "Rubrica.DB"),
                    RigheDi({Contatto("Alfa", "a@x.it"), Contatto("Beta", "b@x.it")}),
                    TDuplicati::Salta);
    ASSERT_TRUE(
        ConfermaAnno(fdb, boxes, "2011", TComandoAnno::CreaArchivio, [](const std::string&) {}));
    EXPECT_EQ(CopiaContattiNelNuovoAnno(fdb, "2010"),
              "Copiati 2 contatti dall'anno 2010 (già presenti: 0).");
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 2u);
    EXPECT_EQ(Righe(Cartella("2010") + "Rubrica.DB"), 2u);
    // A year without its table is an error, not an empty copy.
    EXPECT_ANY_THROW(CopiaContattiNelNuovoAnno(fdb, "2009"));
    EXPECT_EQ(Righe(Cartella("2011") + "Rubrica.DB"), 2u);
}

}  // namespace
