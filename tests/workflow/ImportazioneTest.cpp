// Importing into a real address table: duplicates, values too long for their
// column, and the import that lands whole or not at all.
#include <gtest/gtest.h>

#include <fstream>
#include "FileSizeLimit.h"
#include "TabellaDiProva.h"

#include "workflow/ComandiContatti.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Importazione.h"

using namespace brivano;

namespace {

std::vector<TRigaImportata> Righe(const std::string& csv) {
    return LeggiImportazione(csv, TFormatoFile::Csv).Righe;
}

std::vector<std::string> Aziende(TTableFile& file) {
    std::vector<std::string> out;
    for (const TContatto& c : LeggiContatti(file)) out.push_back(c[TCampo::Ragione_Sociale]);
    return out;
}

class ImportazioneTest : public ::testing::Test {
  protected:
    TTabellaDiProva tabella;
    TTableFile& file() { return *tabella.file; }
};

}  // namespace

TEST_F(ImportazioneTest, RowsLandInTheContactListOrder) {
    const auto esito = ImportaContatti(
        file(),
        Righe("Azienda;Email;Città;CAP\nZeta;z@z.it;Roma;00100\nÀncora;a@a.it;Bari;70100\n"
              "beta;b@b.it;;\n"),
        TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 3);
    EXPECT_EQ(Aziende(file()), (std::vector<std::string>{"Àncora", "beta", "Zeta"}));
    const auto contatti = LeggiContatti(file());
    EXPECT_EQ(contatti[0][TCampo::Cap], "70100");
    EXPECT_GT(contatti[0].OrdNum, 0);
}

// Addresses already plain and addresses to normalise, in the table and in the
// file, in both orders and enough of them for the lookup to grow, or to move
// most of them to a file.
class IndirizziInMemoriaTest : public ImportazioneTest,
                               public ::testing::WithParamInterface<std::size_t> {
  protected:
    TEsitoImportazione Importa(const std::string& csv, TDuplicati duplicati) {
        const auto righe = Righe(csv);
        std::size_t i = 0;
        TOpzioniImportazione opzioni;
        opzioni.Duplicati = duplicati;
        opzioni.IndirizziInMemoria = GetParam();
        return ImportaContatti(
            file(),
            [&](TRigaImportata& riga) {
                if (i == righe.size()) return false;
                riga = righe[i++];
                return true;
            },
            opzioni);
    }
};
INSTANTIATE_TEST_SUITE_P(InMemoriaOSuFile, IndirizziInMemoriaTest,
                         ::testing::Values(std::size_t{1} << 16, std::size_t{16}));

TEST_P(IndirizziInMemoriaTest, AnAddressMatchesHoweverItIsWritten) {
    constexpr int n = 300;
    auto indirizzo = [](int i, bool maiuscolo) {
        const std::string numero = std::to_string(i);
        return maiuscolo ? " D" + numero + "@X.IT\t" : "d" + numero + "@x.it";
    };
    std::string prima = "Azienda;Email\n", dopo = "Azienda;Email\n";
    for (int i = 0; i < n; ++i) {
        prima += "Ditta " + std::to_string(i) + ";" + indirizzo(i, i % 2 == 0) + "\n";
        dopo += "Nuova " + std::to_string(i) + ";" + indirizzo(i, i % 2 != 0) + "\n";
        dopo += "Ultima " + std::to_string(i) + ";" + indirizzo(i, i % 2 == 0) + "\n";
    }
    EXPECT_EQ(Importa(prima, TDuplicati::Salta).Aggiunti, n);

    auto esito = Importa(dopo, TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 0);
    EXPECT_EQ(esito.Duplicati, 2 * n);

    esito = Importa(dopo, TDuplicati::Aggiorna);
    EXPECT_EQ(esito.Aggiunti, 0);
    EXPECT_EQ(esito.Aggiornati, 2 * n);
    const auto contatti = LeggiContatti(file());
    ASSERT_EQ(contatti.size(), std::size_t{n});
    for (const TContatto& c : contatti)
        EXPECT_EQ(c[TCampo::Ragione_Sociale].rfind("Ultima ", 0), 0u) << c[TCampo::EMail];
}

TEST_F(ImportazioneTest, DuplicatesByNormalisedAddressAreSkippedOrUpdate) {
    ImportaContatti(file(), Righe("Azienda;Email;Città;Note\nAlfa;info@alfa.it;Roma;vecchia\n"),
                    TDuplicati::Salta);
    const std::string nuovo =
        "Azienda;Email;Città\nAlfa Srl; INFO@Alfa.IT ;Milano\n"
        "Beta;b@b.it;Pisa\nBeta bis;B@B.IT;Lucca\n";

    auto esito = ImportaContatti(file(), Righe(nuovo), TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 1);
    EXPECT_EQ(esito.Duplicati, 2);  // the one in the table and the one repeated in the file
    EXPECT_EQ(Aziende(file()), (std::vector<std::string>{"Alfa", "Beta"}));

    esito = ImportaContatti(file(), Righe(nuovo), TDuplicati::Aggiorna);
    EXPECT_EQ(esito.Aggiunti, 0);
    EXPECT_EQ(esito.Aggiornati, 3);
    const auto contatti = LeggiContatti(file());
    ASSERT_EQ(contatti.size(), 2u);
    EXPECT_EQ(contatti[0][TCampo::Ragione_Sociale], "Alfa Srl");
    EXPECT_EQ(contatti[0][TCampo::Citta], "Milano");
    EXPECT_EQ(contatti[0][TCampo::Note], "vecchia");  // not in the file: kept
    EXPECT_EQ(contatti[1][TCampo::Citta], "Lucca");   // the file's last word
}

TEST_F(ImportazioneTest, ContactsWithoutAddressAreDuplicatesOnlyWhenIdentical) {
    const std::string csv = "Azienda;Città\nSenza;Roma\nSenza;Bari\n";
    EXPECT_EQ(ImportaContatti(file(), Righe(csv), TDuplicati::Salta).Aggiunti, 2);
    const auto esito = ImportaContatti(file(), Righe(csv), TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 0);
    EXPECT_EQ(esito.Duplicati, 2);
}

TEST_F(ImportazioneTest, OverLongValuesLeaveTheirRowOutUncut) {
    const std::string lunga(41, 'x');
    const std::string accentata = std::string(39, 'a') + "à";  // 40 characters, 41 bytes
    const auto esito =
        ImportaContatti(file(),
                        Righe("Azienda;Città;CAP;Email\nUno;" + lunga + ";1;u@u.it\nDue;" +
                              accentata + ";2;d@d.it\nTre;Roma;123456;t@t.it\n;;;\n"),
                        TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 1);
    ASSERT_EQ(esito.Scartate.size(), 2u);
    EXPECT_EQ(esito.Scartate[0].Riga, 2);
    EXPECT_EQ(esito.Scartate[0].Motivo, "Città di 41 caratteri, al massimo 40");
    EXPECT_EQ(esito.Scartate[1].Riga, 4);
    EXPECT_EQ(esito.Scartate[1].Motivo, "CAP di 6 caratteri, al massimo 5");
    EXPECT_EQ(Aziende(file()), std::vector<std::string>{"Due"});
    EXPECT_NE(TestoEsitoImportazione(esito).find("\rriga 4: CAP di 6 caratteri, al massimo 5"),
              std::string::npos);
}

// Rows left out and rows met twice beyond the listed ones are counted, so a
// long file's report stays small.
TEST_F(ImportazioneTest, ALongReportListsTheFirstRowsAndCountsTheRest) {
    std::string csv = "Azienda;Email;CAP\nPrima;p@p.it;1\n";
    for (int i = 0; i < kRigheElencate + 2; ++i) csv += "Ditta;P@P.IT;1\nScarto;;123456\n";
    const auto esito = ImportaContatti(file(), Righe(csv), TDuplicati::Salta);
    EXPECT_EQ(esito.Aggiunti, 1);
    EXPECT_EQ(esito.RigheScartate, kRigheElencate + 2);
    EXPECT_EQ(esito.RigheDoppie, kRigheElencate + 2);
    ASSERT_EQ(esito.Scartate.size(), std::size_t{kRigheElencate});
    ASSERT_EQ(esito.DoppiNelFile.size(), std::size_t{kRigheElencate});
    EXPECT_EQ(esito.DoppiNelFile.back().Riga, 2 * kRigheElencate + 1);
    const std::string testo = TestoEsitoImportazione(esito);
    EXPECT_NE(testo.find("Righe scartate: 1002\r"), std::string::npos);
    EXPECT_NE(testo.find("\r… e altre 2 righe scartate\r"), std::string::npos);
    EXPECT_NE(testo.find("\r… e altre 2 righe con la stessa e-mail di una riga precedente"),
              std::string::npos);
}

TEST_F(ImportazioneTest, AnImportStoppedHalfWayLeavesTheTableAsItWas) {
    ImportaContatti(file(), Righe("Azienda;Email\nPrima;p@p.it\n"), TDuplicati::Salta);
    std::string csv = "Azienda;Email\n";
    for (int i = 0; i < 200; ++i)
        csv += "Ditta " + std::to_string(i) + ";d" + std::to_string(i) + "@x.it\n";
    csv += "Prima aggiornata;P@P.IT\n";
    EXPECT_THROW(ImportaContatti(file(), Righe(csv), TDuplicati::Aggiorna,
                                 [](std::size_t fatte) {
                                     if (fatte == 150) throw std::runtime_error("interrotta");
                                 }),
                 std::runtime_error);
    EXPECT_EQ(Aziende(file()), std::vector<std::string>{"Prima"});
}

TEST_F(ImportazioneTest, AFullDiskLeavesTheTableAsItWas) {
    ImportaContatti(file(), Righe("Azienda;Email\nPrima;p@p.it\n"), TDuplicati::Salta);
    std::string csv = "Azienda;Email;Note\n";
    const std::string nota(2000, 'n');
    for (int i = 0; i < 2000; ++i)
        csv += "Ditta " + std::to_string(i) + ";d" + std::to_string(i) + "@x.it;" + nota + "\n";
    {
        TScopedFileSizeLimit full(256 * 1024);
        EXPECT_ANY_THROW(ImportaContatti(file(), Righe(csv), TDuplicati::Salta));
    }
    EXPECT_EQ(Aziende(file()), std::vector<std::string>{"Prima"});
}

TEST_F(ImportazioneTest, VCardRowsUpdateOnlyTheFieldsTheyGive) {
    ImportaContatti(file(), Righe("Azienda;Email;Città;Tipo\nAlfa;a@a.it;Roma;Cliente\n"),
                    TDuplicati::Salta);
    const auto vcard = LeggiImportazione(
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Alfa Spa\r\nEMAIL:a@a.it\r\nEND:VCARD\r\n",
        TFormatoFile::VCard);
    ImportaContatti(file(), vcard.Righe, TDuplicati::Aggiorna);
    const auto contatti = LeggiContatti(file());
    ASSERT_EQ(contatti.size(), 1u);
    EXPECT_EQ(contatti[0][TCampo::Ragione_Sociale], "Alfa Spa");
    EXPECT_EQ(contatti[0][TCampo::Citta], "Roma");
    EXPECT_EQ(contatti[0][TCampo::Tipo], "Cliente");
}

// The preview marks each row as the import then treats it, and rows of one
// file sharing an address are reported with the row whose values stand.
TEST_F(ImportazioneTest, PreviewMarksRowsAsTheImportTreatsThem) {
    ImportaContatti(file(), Righe("Azienda;Email\nAlfa;alfa@a.it\n"), TDuplicati::Salta);
    const auto csv = tabella.dir.path() / "nuovi.csv";
    std::ofstream(csv) << "Azienda;Email;Città\nBullone;b@b.it;Asti\nalfa bis;ALFA@a.it;\n"
                          "Duplicato Srl;B@b.it;\n;;\nLungo;l@l.it;"
                       << std::string(300, 'x') << "\nOltre;o@o.it;\n";
    struct Caso {
        TDuplicati duplicati;
        std::vector<std::string> marche;
        std::string doppio;
    } casi[] = {
        {TDuplicati::Salta,
         {"nuovo", "già presente", "già presente",
          "scartato: Città di 300 caratteri, al massimo 40"},
         "riga 4: stessa e-mail della riga 2, vale la riga 2"},
        {TDuplicati::Aggiorna,
         {"nuovo", "aggiorna", "aggiorna", "scartato: Città di 300 caratteri, al massimo 40"},
         "riga 4: stessa e-mail della riga 2, vale la riga 4"},
    };
    for (const Caso& c : casi) {
        const auto anteprima = AnteprimaImportazione(file(), csv, c.duplicati, 4);
        EXPECT_TRUE(anteprima.Altre);
        std::vector<std::string> marche;
        for (const auto& r : anteprima.Righe) marche.push_back(TestoEsitoRiga(r.Esito, r.Motivo));
        EXPECT_EQ(marche, c.marche);
        EXPECT_EQ(Aziende(file()).size(), 1u);  // the preview writes nothing
    }
    for (const Caso& c : casi) {
        const std::string testo = TestoEsitoImportazione(ImportaFile(file(), csv, c.duplicati));
        EXPECT_NE(testo.find(c.doppio), std::string::npos) << testo;
    }
    // Skipping kept Bullone; updating made the last row of that address win.
    EXPECT_EQ(Aziende(file()), (std::vector<std::string>{"alfa bis", "Duplicato Srl", "Oltre"}));
}

TEST_F(ImportazioneTest, TheReportNamesMixedEncodingsByRow) {
    const auto csv = tabella.dir.path() / "misto.csv";
    std::ofstream(csv) << "Azienda;Città\nAlfa;Forl\xC3\xAC\nBeta;Forl\xEC\n";
    const std::string testo = TestoEsitoImportazione(ImportaFile(file(), csv, TDuplicati::Salta));
    EXPECT_NE(testo.find("\rCodifica: UTF-8 (righe 1-2) e Windows-1252 (righe 3)"),
              std::string::npos)
        << testo;
    std::ofstream(csv) << "Azienda;Citta\nGamma;Forl\xEC\n";  // all Windows-1252
    EXPECT_EQ(TestoEsitoImportazione(ImportaFile(file(), csv, TDuplicati::Salta)).find("Codifica"),
              std::string::npos);
}
