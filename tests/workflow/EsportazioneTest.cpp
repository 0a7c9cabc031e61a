// Exports: read back by our import (the same contacts) and by readers we did
// not write (Python's csv module, vobject).
#include <gtest/gtest.h>

#include <fstream>

#include "FileSizeLimit.h"
#include "TabellaDiProva.h"
#include "UscitaComando.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Esportazione.h"
#include "workflow/FileImportazione.h"
#include "workflow/Importazione.h"

using namespace brivano;

namespace {

std::vector<TContatto> Campione() {
    std::vector<TContatto> contatti;
    TContatto a = Contatto("Caffè \"Aurora\"; Bar", "info@aurora.it", "Forlì", "Bar, Clienti");
    a[TCampo::Cap] = "47121";
    a[TCampo::Sito] = "https://aurora.it/a,b;c";
    a[TCampo::Note] =
        "prima riga\nseconda, con \\ barra e una riga molto lunga che va "
        "piegata più volte: àèìòù àèìòù àèìòù àèìòù àèìòù àèìòù";
    contatti.push_back(a);
    contatti.push_back(Contatto("", "solo@indirizzo.it"));
    contatti.push_back(Contatto(" Spazi ", "", "", "Tab\there"));
    return contatti;
}

std::string Peer(const std::filesystem::path& file, const std::string& tipo) {
    return UscitaComando(std::string(BRIVANO_PYTHON) + " " + BRIVANO_READ_EXPORT_SCRIPT + " '" +
                         file.string() + "' '" + tipo + "'");
}

class EsportazioneTest : public ::testing::Test {
  protected:
    TTabellaDiProva tabella;

    // Writes the sample, imports the file into the empty table, reads it back.
    std::vector<TContatto> AndataERitorno(const std::filesystem::path& file) {
        ScriviFile(file, TestoEsportazione(file, Campione()));
        const std::string bytes = LeggiFile(file);
        const auto letto = LeggiImportazione(bytes, FormatoDelFile(file, bytes));
        const auto esito = ImportaContatti(*tabella.file, letto.Righe, TDuplicati::Salta);
        EXPECT_TRUE(esito.Scartate.empty());
        return LeggiContatti(*tabella.file);
    }
};

void AttendiStessi(const std::vector<TContatto>& letti) {
    auto attesi = Campione();
    ASSERT_EQ(letti.size(), attesi.size());
    // The table gives them in the contact list's order: by company name.
    EXPECT_TRUE(letti[0].StessiValori(attesi[1]));
    EXPECT_TRUE(letti[1].StessiValori(attesi[2]));
    EXPECT_TRUE(letti[2].StessiValori(attesi[0]));
}

}  // namespace

TEST_F(EsportazioneTest, CsvRoundTrip) {
    AttendiStessi(AndataERitorno(tabella.dir.path() / "contatti.csv"));
}

TEST_F(EsportazioneTest, VCardRoundTrip) {
    AttendiStessi(AndataERitorno(tabella.dir.path() / "contatti.vcf"));
}

TEST_F(EsportazioneTest, CsvStartsWithBomAndQuotesWhatNeedsIt) {
    const std::string testo = TestoCsv({Campione()[0]});
    EXPECT_EQ(testo.rfind("\xEF\xBB\xBFRagione Sociale;Tipo;Città;CAP;Email;Sito;Note\r\n", 0), 0u);
    EXPECT_NE(testo.find("\"Caffè \"\"Aurora\"\"; Bar\";Bar, Clienti;"), std::string::npos);
    EXPECT_EQ(TestoCsv({}, ',', false), "Ragione Sociale,Tipo,Città,CAP,Email,Sito,Note\r\n");
}

TEST_F(EsportazioneTest, VCardLinesAreFoldedWithinWholeCharacters) {
    const std::string testo = TestoVCard(Campione());
    std::size_t inizio = 0;
    while (inizio < testo.size()) {
        const std::size_t fine = testo.find("\r\n", inizio);
        ASSERT_NE(fine, std::string::npos);
        EXPECT_LE(fine - inizio, 75u);
        if (fine < testo.size() - 2) {  // the next line does not start inside a character
            EXPECT_NE(static_cast<unsigned char>(testo[fine + 2]) & 0xC0, 0x80);
        }
        inizio = fine + 2;
    }
}

TEST_F(EsportazioneTest, PythonCsvReadsBothSeparators) {
    for (char sep : {';', ','}) {
        const auto file = tabella.dir.path() / "peer.csv";
        ScriviFile(file, TestoCsv(Campione(), sep));
        const std::string json = Peer(file, std::string(1, sep));
        EXPECT_NE(json.find(R"("Ragione Sociale": "Caffè \"Aurora\"; Bar")"), std::string::npos)
            << json;
        EXPECT_NE(json.find(R"("Città": "Forlì")"), std::string::npos) << json;
        EXPECT_NE(json.find(R"("Note": "prima riga\nseconda, con \\ barra)"), std::string::npos)
            << json;
        EXPECT_NE(json.find(R"("Ragione Sociale": " Spazi ")"), std::string::npos) << json;
    }
}

TEST_F(EsportazioneTest, VobjectReadsTheVCards) {
    const auto file = tabella.dir.path() / "peer.vcf";
    ScriviFile(file, TestoVCard(Campione()));
    const std::string json = Peer(file, "vcard");
    EXPECT_NE(json.find(R"("ORG": "Caffè \"Aurora\"; Bar")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("CATEGORIES": "Bar, Clienti")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("CITY": "Forlì", "CODE": "47121")"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("EMAIL": "info@aurora.it")"), std::string::npos) << json;
    EXPECT_NE(json.find("àèìòù àèìòù àèìòù àèìòù àèìòù àèìòù"), std::string::npos) << json;
    EXPECT_NE(json.find(R"("FN": "solo@indirizzo.it")"), std::string::npos) << json;
}

TEST_F(EsportazioneTest, AFailedWriteKeepsTheOldFile) {
    const auto file = tabella.dir.path() / "vecchio.csv";
    ScriviFile(file, "vecchio");
    {
        TScopedFileSizeLimit full(4);
        EXPECT_THROW(ScriviFile(file, TestoCsv(Campione())), std::runtime_error);
    }
    EXPECT_EQ(LeggiFile(file), "vecchio");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tabella.dir.path()),
                            std::filesystem::directory_iterator()),
              2);  // the table and the old file: no temporary left behind
}

// Cells a spreadsheet would run as formulas go out after an apostrophe (as
// Python's csv sees them) and come back as they were, the apostrophe of a
// value that had one of its own included; so does a CR LF inside a value.
TEST_F(EsportazioneTest, FormulaCellsAreDefusedAndRoundTrip) {
    TContatto c = Contatto("=HYPERLINK(\"http://x.it\";\"clic\")", "f@x.it", "-2+3", "+39");
    c[TCampo::Cap] = "@SUM(A1)";
    c[TCampo::Sito] = "'=già con apostrofo";
    c[TCampo::Note] = "\tTAB\r\nriga con CR LF";
    const auto file = tabella.dir.path() / "formule.csv";
    ScriviFile(file, TestoCsv({c}));
    const std::string json = Peer(file, ";");
    for (const char* atteso :
         {R"x("Ragione Sociale": "'=HYPERLINK(\"http://x.it\";\"clic\")")x", R"("Città": "'-2+3")",
          R"("Tipo": "'+39")", R"x("CAP": "'@SUM(A1)")x", R"("Sito": "''=già con apostrofo")",
          R"("Note": "'\tTAB\r\nriga con CR LF")"})
        EXPECT_NE(json.find(atteso), std::string::npos) << atteso << "\n" << json;
    for (const char* nome : {"formule.csv", "formule.vcf"}) {
        const auto f = tabella.dir.path() / nome;
        ScriviFile(f, TestoEsportazione(f, {c}));
        const auto letto = LeggiImportazione(LeggiFile(f), FormatoDelFile(f, ""));
        ASSERT_EQ(letto.Righe.size(), 1u);
        for (TCampo campo : TuttiCampi) EXPECT_EQ(letto.Righe[0].Contatto[campo], c[campo]) << nome;
    }
    // Another reader sees the CR LF of a vCard value as a plain line break.
    EXPECT_NE(Peer(tabella.dir.path() / "formule.vcf", "vcard")
                  .find(R"("NOTE": "\tTAB\nriga con CR LF")"),
              std::string::npos);
}
