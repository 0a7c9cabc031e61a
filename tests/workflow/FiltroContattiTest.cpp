// The search-as-you-type filter: fields searched, order kept, accents and
// case folded, narrowing and widening as the text changes.
#include <gtest/gtest.h>

#include "TabellaDiProva.h"
#include "workflow/FiltroContatti.h"
#include "workflow/Importazione.h"
#include "workflow/Piegatura.h"
#include "workflow/PreparazioneRicerca.h"

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

// The list's order is not the file's: matches come in list order however
// the rows lie in the file, several matches in one row count it once.
TEST(FiltroContattiTest, ListOrderOverTheFileOrder) {
    TTestiRicerca testi;
    for (long long id = 1; id <= 6; ++id) {
        const std::string nome = "Ditta " + std::to_string(id) + (id % 2 ? " ditta" : "");
        testi.Aggiungi(id, {nome, "", "", "", std::to_string(id) + "@d.it"});
    }
    TFiltroContatti filtro;
    filtro.Carica({6, 3, 5, 1, 4, 2}, std::move(testi));
    EXPECT_EQ(filtro.Filtra("ditta"), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(filtro.Filtra("ditta 5"), (std::vector<int>{2}));
    EXPECT_EQ(filtro.Filtra("d.it"), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(filtro.Filtra("a 1 d"), (std::vector<int>{3}));
    EXPECT_EQ(filtro.Filtra("6@d.it"), (std::vector<int>{0}));  // the text's last bytes
}

// The texts read apart (as on the window's reading thread) and the list's
// order put together: the list's order is kept, and a row the file no
// longer holds stays in its place without matching anything.
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

    TFiltroContatti adesso;
    adesso.Carica(tabella.fdb.QGEN);
    EXPECT_EQ(adesso.Righe(), 3u);
    EXPECT_EQ(adesso.Filtra("aosta"), (std::vector<int>{1, 2}));  // Beta, Zeta

    TPreparazioneRicerca preparazione(tabella.fdb.QGEN.FilePath());
    std::optional<TTestiRicerca> testi = preparazione.Prendi();
    ASSERT_TRUE(testi);
    std::vector<long long> ordine = tabella.fdb.QGEN.RowIds();
    ordine.insert(ordine.begin() + 1, 999);  // not in the file
    TFiltroContatti prima;
    prima.Carica(ordine, std::move(*testi));
    EXPECT_EQ(prima.Righe(), 4u);
    EXPECT_EQ(prima.Filtra("aosta"), (std::vector<int>{2, 3}));
    EXPECT_EQ(prima.Filtra(""), (std::vector<int>{0, 1, 2, 3}));
}

// A reading that cannot be done, or is stopped, gives no texts, and stopping
// a reading under way ends it.
TEST(FiltroContattiTest, PreparationWithoutTextsWhenUnreadableOrStopped) {
    TTabellaDiProva tabella;
    EXPECT_FALSE(TPreparazioneRicerca(tabella.dir.path() / "Manca.DB").Prendi());
    std::string csv = "Azienda;Email\n";
    for (int i = 0; i < 2000; ++i)
        csv += "Ditta " + std::to_string(i) + ";" + std::to_string(i) + "@d.it\n";
    ImportaContatti(*tabella.file, LeggiImportazione(csv, TFormatoFile::Csv).Righe,
                    TDuplicati::Salta);
    const std::atomic<bool> fermo{true};
    EXPECT_FALSE(TTestiRicerca::Leggi(tabella.file->Path(), &fermo));
    for (int i = 0; i < 20; ++i) TPreparazioneRicerca subitoFermata(tabella.file->Path());
    const auto testi = TTestiRicerca::Leggi(tabella.file->Path());
    ASSERT_TRUE(testi);
    EXPECT_EQ(testi->Righe(), 2000u);
    EXPECT_EQ(testi->Indice(0), -1);
    EXPECT_EQ(testi->Indice(2001), -1);
    const TTestiRicerca::TTratto ultima =
        testi->Riga(static_cast<std::size_t>(testi->Indice(2000)));
    EXPECT_EQ(testi->Testo().substr(ultima.inizio, ultima.lunghezza),
              "ditta 1999\x1f\x1f\x1f\x1f"
              "1999@d.it\x1f");
}

// Western letters fold through a table made from the full folding; a text
// that holds anything else takes the full folding whole. Both ways must
// agree for every character of the table, alone and among others.
TEST(PiegaturaTest, WesternLettersFoldAsTheFullFoldingDoes) {
    for (unsigned c = 0x80; c <= 0xFF; ++c) {
        const std::string lettera = {static_cast<char>(0xC0 | (c >> 6)),
                                     static_cast<char>(0x80 | (c & 0x3F))};
        const std::string testo = "Ab" + lettera + "Z" + lettera;
        // "ω" is outside the table, so the second text takes the full folding.
        EXPECT_EQ(Piega(testo) + "ω", Piega(testo + "Ω")) << std::hex << c;
    }
    struct Caso {
        const char* testo;
        const char* piegato;
    } casi[] = {
        {"Città di CASTELLO", "citta di castello"},
        {"ÆØÅ straße", "æøa strasse"},
        {"Cafe\xCC\x81 Nord", "cafe nord"},  // a combining accent
        {"ΆΛΦΑ Forlì", "αλφα forli"},
        {"rotto \xC3", "rotto \xEF\xBF\xBD"},
        {"", ""},
    };
    for (const auto& c : casi) EXPECT_EQ(Piega(c.testo), c.piegato) << c.testo;
    std::string insieme = "già: ";
    AggiungiPiegato(insieme, "PERÒ");
    AggiungiPiegato(insieme, "Ωmega");
    EXPECT_EQ(insieme, "già: peroωmega");
}
