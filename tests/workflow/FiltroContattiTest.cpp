// The search-as-you-type filter: fields searched, order kept, accents and
// case folded, narrowing and widening as the text changes.
#include <gtest/gtest.h>

#include "TabellaDiProva.h"
#include "workflow/FiltroContatti.h"
#include "workflow/Importazione.h"

using namespace brivano;

namespace {

std::vector<TFiltroContatti::TCampiRicerca> Elenco() {
    // company, type, city, postal code, e-mail
    return {
        {"Ålesund Pesca", "Fornitore", "Forlì", "47121", "pesca@ale.no"},
        {"Bar Città", "Cliente", "Roma", "00100", "bar@citta.it"},
        {"CAFFÈ NORD", "Cliente", "Cittadella", "35013", "nord@caffe.it"},
        {"Delta", "Ingrosso", "Bari", "70100", "delta@esempio.it"},
        {"Emme", "Note non cercate", "Pisa", "56100", ""},
    };
}

}  // namespace

TEST(FiltroContattiTest, MatchesAnySearchedFieldInListOrder) {
    TFiltroContatti filtro;
    filtro.Carica(Elenco());
    struct Caso {
        const char* testo;
        std::vector<int> righe;
    } casi[] = {
        {"", {0, 1, 2, 3, 4}}, {"   ", {0, 1, 2, 3, 4}},
        {"citta", {1, 2}},  // "Città" and "Cittadella", "citta.it"
        {"CITTÀ", {1, 2}},     {"caffe", {2}},
        {"forli", {0}},        {"alesund", {0}},
        {"cliente", {1, 2}},   {"701", {3}},
        {"@esempio", {3}},     {"nessuno", {}},
        {"ra bari", {}},  // never across two fields
        {"cercate", {4}},
    };
    for (const auto& c : casi) EXPECT_EQ(filtro.Filtra(c.testo), c.righe) << c.testo;
}

TEST(FiltroContattiTest, NarrowingThenWideningGivesTheFullResultAgain) {
    TFiltroContatti filtro;
    filtro.Carica(Elenco());
    EXPECT_EQ(filtro.Filtra("c"), (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(filtro.Filtra("ci"), (std::vector<int>{1, 2}));
    EXPECT_EQ(filtro.Filtra("cit"), (std::vector<int>{1, 2}));
    EXPECT_EQ(filtro.Filtra("ci"), (std::vector<int>{1, 2}));
    EXPECT_EQ(filtro.Filtra("i"), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(FiltroContattiTest, ReadsTheContactListOfTheDataModule) {
    TTabellaDiProva tabella;
    ImportaContatti(*tabella.file,
                    LeggiImportazione("Azienda;Città;Email\nZeta;Àosta;z@z.it\nalfa;Roma;a@a.it\n"
                                      "Beta;Aosta;b@b.it\n",
                                      TFormatoFile::Csv)
                        .Righe,
                    TDuplicati::Salta);
    tabella.fdb.LegaQuery("DBrivano10");
    tabella.fdb.QGEN.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"};
    tabella.fdb.QGEN.Open();
    TFiltroContatti filtro;
    filtro.Carica(tabella.fdb.QGEN);
    EXPECT_EQ(filtro.Righe(), 3u);
    EXPECT_EQ(filtro.Filtra("aosta"), (std::vector<int>{1, 2}));  // Beta, Zeta
}
