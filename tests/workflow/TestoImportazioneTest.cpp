// Reading import files: encodings, separators, quoting, header names, row
// shapes, vCards of every version, files that are not what they claim.
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "workflow/CodificaTesto.h"
#include "workflow/FileImportazione.h"
#include "workflow/LetturaCsv.h"
#include "workflow/LetturaVCard.h"
#include "workflow/MappaturaCampi.h"

using namespace brivano;
using namespace std::string_literals;

namespace {

std::vector<std::vector<std::string>> Campi(const std::vector<TRecordCsv>& records) {
    std::vector<std::vector<std::string>> out;
    for (const auto& r : records) out.push_back(r.Campi);
    return out;
}

}  // namespace

TEST(DecodificaTestoTest, EncodingsAreDetectedAndConverted) {
    struct Caso {
        std::string bytes, testo, codifica;
    } casi[] = {
        {"\xEF\xBB\xBF"
         "Citt\xC3\xA0;CAP",
         "Città;CAP", "UTF-8 con BOM"},
        {"Citt\xC3\xA0;CAP", "Città;CAP", "UTF-8"},
        {"Ragione Sociale;Citt\xE0\r\nCaff\xE8 \x80 Nord;Forl\xEC\r\n",
         "Ragione Sociale;Città\r\nCaffè € Nord;Forlì\r\n", "Windows-1252"},
        {"plain;ascii", "plain;ascii", "UTF-8"},
        {std::string("\xFF\xFE"
                     "C\0i\0t\0t\0\xE0\0",
                     12),
         "Città", "UTF-16LE"},
    };
    for (const auto& c : casi) {
        const TTestoDecodificato d = DecodificaTesto(c.bytes);
        EXPECT_EQ(d.Testo, c.testo) << c.codifica;
        EXPECT_EQ(d.Codifica, c.codifica);
    }
}

TEST(DecodificaTestoTest, BomWithBrokenUtf8IsRefused) {
    EXPECT_THROW(DecodificaTesto("\xEF\xBB\xBF"
                                 "a\xE0;b"),
                 std::runtime_error);
}

// A file is UTF-8 only when every byte agrees, wherever the first non-ASCII
// byte falls: inside or past the detector's sample, at any place of a word.
TEST(DecodificaTestoTest, ALateByteDecidesTheEncoding) {
    struct Coda {
        std::string bytes, testo, codifica;
    } code[] = {
        {"\xC3\xA0", "à", "UTF-8"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "UTF-8"},
        {"\xE0", "à", "Windows-1252"},
        {"\xC0\xAF", "À¯", "Windows-1252"},              // overlong
        {"\xED\xA0\x80", "í\xC2\xA0€", "Windows-1252"},  // surrogate
        {"\xC3", "Ã", "Windows-1252"},                   // a lead byte without its sequence
        {"\xC3\xA0\x80", "Ã\xC2\xA0€", "Windows-1252"},  // a stray continuation
    };
    for (std::size_t prima :
         {std::size_t{0}, std::size_t{3}, std::size_t{7}, std::size_t{8}, std::size_t{70000}}) {
        for (const Coda& c : code) {
            const std::string ascii(prima, 'a');
            const TTestoDecodificato d = DecodificaTesto(ascii + c.bytes + ";z");
            EXPECT_EQ(d.Codifica, c.codifica) << prima << " " << c.testo;
            EXPECT_EQ(d.Testo, ascii + c.testo + ";z") << prima;
        }
    }
}

TEST(DecodificaTestoTest, Utf8IsReadInPlace) {
    const std::string utf8 = "Citt\xC3\xA0;CAP";
    const std::string bom = "\xEF\xBB\xBF" + utf8;
    std::string convertito, codifica;
    EXPECT_EQ(DecodificaTesto(utf8, convertito, codifica).data(), utf8.data());
    EXPECT_EQ(DecodificaTesto(bom, convertito, codifica).data(), bom.data() + 3);
    EXPECT_EQ(codifica, "UTF-8 con BOM");
    const std::string_view letto = DecodificaTesto("Citt\xE0", convertito, codifica);
    EXPECT_EQ(letto, "Città");
    EXPECT_EQ(letto.data(), convertito.data());
    EXPECT_EQ(codifica, "Windows-1252");
}

TEST(LetturaCsvTest, SeparatorIsTheOneSplittingTheHeader) {
    EXPECT_EQ(RilevaSeparatore("a;b;c\n1,2;3"), ';');
    EXPECT_EQ(RilevaSeparatore("a,b,c\n1;2"), ',');
    EXPECT_EQ(RilevaSeparatore("a\tb\tc"), '\t');
    EXPECT_EQ(RilevaSeparatore("\"x;y;z\",b,c"), ',');  // separators inside quotes do not count
    EXPECT_EQ(RilevaSeparatore("solo"), ';');
}

TEST(LetturaCsvTest, QuotingAfterRfc4180) {
    const auto records = LeggiCsv("a;\"b;c\";\"d \"\"e\"\"\"\r\n\"riga\r\ndue\";;\"\"\nx;y;z", ';');
    EXPECT_EQ(Campi(records),
              (std::vector<std::vector<std::string>>{
                  {"a", "b;c", "d \"e\""}, {"riga\r\ndue", "", ""}, {"x", "y", "z"}}));
    EXPECT_EQ(records[1].Riga, 2);
    EXPECT_EQ(records[1].Linea, 2);
    EXPECT_EQ(records[2].Linea, 4);  // the quoted line break counts
}

TEST(LetturaCsvTest, LineEndsAndTheLastLine) {
    EXPECT_EQ(Campi(LeggiCsv("a,b\rc,d\ne,f\r\n", ',')),
              (std::vector<std::vector<std::string>>{{"a", "b"}, {"c", "d"}, {"e", "f"}}));
    EXPECT_EQ(Campi(LeggiCsv("a,\"b\"", ',')), (std::vector<std::vector<std::string>>{{"a", "b"}}));
    EXPECT_TRUE(LeggiCsv("", ',').empty());
}

// Cut anywhere, even between a closing quote and its line end, the text
// reads as it does whole.
TEST(LetturaCsvTest, ATextArrivingInTwoPiecesReadsAsTheWhole) {
    const std::string testo = "a,\"b\"\r\"c\",d\r\n\"e\"\n\"f\"";
    const std::vector<std::vector<std::string>> intero{{"a", "b"}, {"c", "d"}, {"e"}, {"f"}};
    ASSERT_EQ(Campi(LeggiCsv(testo, ',')), intero);
    for (std::size_t taglio = 0; taglio <= testo.size(); ++taglio) {
        TLettoreCsv lettore(',');
        TRecordCsv record;
        std::vector<std::vector<std::string>> letti;
        std::string pezzo = testo.substr(0, taglio);
        std::size_t pos = 0;
        for (int n = 0; n < 10 && lettore.Prossimo(pezzo, pos, false, record); ++n)
            letti.push_back(record.Campi);
        pezzo = pezzo.substr(pos) + testo.substr(taglio);
        pos = 0;
        for (int n = 0; n < 10 && lettore.Prossimo(pezzo, pos, true, record); ++n)
            letti.push_back(record.Campi);
        EXPECT_EQ(letti, intero) << "taglio a " << taglio;
    }
}

TEST(LetturaCsvTest, BrokenQuotingIsAClearError) {
    EXPECT_THROW(LeggiCsv("a;b\n\"aperta;c\n", ';'), ECsvNonValido);
    try {
        LeggiCsv("a;b\n\"x\"y;c\n", ';');
        FAIL();
    } catch (const ECsvNonValido& e) {
        EXPECT_STREQ(e.what(), "Testo dopo le virgolette di chiusura alla linea 2");
    }
}

TEST(MappaturaCampiTest, ItalianAndEnglishNames) {
    struct Caso {
        const char* nome;
        std::optional<TCampo> campo;
    } casi[] = {
        {"Ragione Sociale", TCampo::Ragione_Sociale},
        {"Ragione_Sociale", TCampo::Ragione_Sociale},
        {"AZIENDA", TCampo::Ragione_Sociale},
        {"Company", TCampo::Ragione_Sociale},
        {"Tipo", TCampo::Tipo},
        {"type", TCampo::Tipo},
        {"Città", TCampo::Citta},
        {"Citta", TCampo::Citta},
        {" City ", TCampo::Citta},
        {"CAP", TCampo::Cap},
        {"ZIP", TCampo::Cap},
        {"Postal code", TCampo::Cap},
        {"Email", TCampo::EMail},
        {"E-mail", TCampo::EMail},
        {"Sito", TCampo::Sito},
        {"Web", TCampo::Sito},
        {"Website", TCampo::Sito},
        {"Note", TCampo::Note},
        {"Notes", TCampo::Note},
        {"Telefono", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : casi) EXPECT_EQ(CampoDaIntestazione(c.nome), c.campo) << c.nome;
}

TEST(MappaturaCampiTest, AFieldNamedTwiceTakesItsFirstColumn) {
    const auto mappa = MappaIntestazione({"Email", "Telefono", "E-Mail", "Azienda"});
    EXPECT_EQ(mappa, (std::vector<std::optional<TCampo>>{TCampo::EMail, std::nullopt, std::nullopt,
                                                         TCampo::Ragione_Sociale}));
}

TEST(FileImportazioneTest, RowsShortLongAndBlank) {
    const std::string csv =
        "Azienda,Email,Telefono,Città\r\n"
        "Alfa,alfa@a.it,123,Roma\r\n"
        "Beta,beta@b.it\r\n"              // short: the missing city stays empty
        "\r\n"                            // blank: skipped
        "Gamma,g@c.it,1,Bari,,\r\n"       // long, extra fields empty: kept
        "Delta,d@d.it,1,Pisa,extra\r\n";  // long with a value: left out
    const TFileImportazione file = LeggiImportazione(csv, TFormatoFile::Csv);
    EXPECT_EQ(file.Separatore, ',');
    ASSERT_EQ(file.Righe.size(), 4u);
    EXPECT_EQ(file.Righe[0].Contatto[TCampo::Citta], "Roma");
    EXPECT_EQ(file.Righe[1].Contatto[TCampo::Citta], "");
    EXPECT_TRUE(file.Righe[1].Presenti[static_cast<std::size_t>(TCampo::Citta)]);
    EXPECT_FALSE(file.Righe[1].Presenti[static_cast<std::size_t>(TCampo::Note)]);
    EXPECT_EQ(file.Righe[2].Riga, 5);
    EXPECT_EQ(file.Righe[2].Errore, "");
    EXPECT_EQ(file.Righe[3].Riga, 6);
    EXPECT_EQ(file.Righe[3].Errore, "ha 5 campi, l'intestazione 4");
}

TEST(FileImportazioneTest, AHeaderWithoutKnownNamesIsRefused) {
    EXPECT_THROW(LeggiImportazione("Nome;Telefono\nx;1\n", TFormatoFile::Csv), ECsvNonValido);
    EXPECT_THROW(LeggiImportazione("", TFormatoFile::Csv), ECsvNonValido);
}

TEST(FileImportazioneTest, FormatFromExtensionOrContent) {
    EXPECT_EQ(FormatoDelFile("a.VCF", ""), TFormatoFile::VCard);
    EXPECT_EQ(FormatoDelFile("a.txt", "\xEF\xBB\xBF\r\nbegin:vcard\r\n"), TFormatoFile::VCard);
    EXPECT_EQ(FormatoDelFile("a.csv", "Azienda;Email"), TFormatoFile::Csv);
}

TEST(LetturaVCardTest, Version3) {
    const auto schede = LeggiVCard(
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "N:Rossi;Mario;;;\r\n"
        "FN:Mario Rossi\r\n"
        "ORG:Ferramenta Rossi\\, Figli;Vendite\r\n"
        "item1.EMAIL;TYPE=INTERNET,WORK:mario@rossi.it\r\n"
        "EMAIL;TYPE=HOME:altro@rossi.it\r\n"
        "URL:https://rossi.it\r\n"
        "ADR;TYPE=WORK:;;Via Roma 1;Città di Castello;PG;06012;Italia\r\n"
        "NOTE:prima riga\\nseconda\\; riga con una lunga\r\n"
        "  continuazione\r\n"
        "CATEGORIES:Clienti,Fornitori\r\n"
        "END:VCARD\r\n");
    ASSERT_EQ(schede.size(), 1u);
    const TContatto& c = schede[0].Contatto;
    EXPECT_EQ(c[TCampo::Ragione_Sociale], "Ferramenta Rossi, Figli");
    EXPECT_EQ(c[TCampo::EMail], "mario@rossi.it");
    EXPECT_EQ(c[TCampo::Sito], "https://rossi.it");
    EXPECT_EQ(c[TCampo::Citta], "Città di Castello");
    EXPECT_EQ(c[TCampo::Cap], "06012");
    EXPECT_EQ(c[TCampo::Note], "prima riga\nseconda; riga con una lunga continuazione");
    EXPECT_EQ(c[TCampo::Tipo], "Clienti, Fornitori");
}

TEST(LetturaVCardTest, Version4WithoutOrgTakesTheFormattedName) {
    const auto schede = LeggiVCard(
        "BEGIN:VCARD\nVERSION:4.0\nFN:Studio Bianchi\nEMAIL;PREF=1:info@bianchi.it\n"
        "ADR;LABEL=\"Via: 2\":;;Via 2;Milano;;20100;\nEND:VCARD\n"
        "BEGIN:VCARD\nVERSION:4.0\nFN:Senza Indirizzo\nEND:VCARD\n");
    ASSERT_EQ(schede.size(), 2u);
    EXPECT_EQ(schede[0].Contatto[TCampo::Ragione_Sociale], "Studio Bianchi");
    EXPECT_EQ(schede[0].Contatto[TCampo::Citta], "Milano");
    EXPECT_EQ(schede[0].Contatto[TCampo::Cap], "20100");
    EXPECT_EQ(schede[1].Linea, 7);
    EXPECT_FALSE(schede[1].Presenti[static_cast<std::size_t>(TCampo::EMail)]);
}

TEST(LetturaVCardTest, ACardNeverClosedIsAnError) {
    EXPECT_THROW(LeggiVCard("BEGIN:VCARD\nFN:x\n"), EVCardNonValida);
    EXPECT_THROW(LeggiVCard("BEGIN:VCARD\nFN:x\nBEGIN:VCARD\nEND:VCARD\n"), EVCardNonValida);
}

// Anything but a regular file is refused before a byte is read, and a file
// beyond the limit by its size, without the reading ever using much memory.
TEST(FileImportazioneTest, HostileFilesAreRefusedWithTheirReason) {
    TTempDir dir;
    const auto fifo = dir.path() / "pipe.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const auto grande = dir.path() / "grande.csv";
    {
        std::ofstream(grande) << "Azienda;Email\n";
        std::filesystem::resize_file(grande, std::uintmax_t{2} << 30);  // sparse
    }
    struct Caso {
        std::filesystem::path file;
        std::string motivo;
    } casi[] = {{dir.path(), "è una cartella"},
                {"/dev/zero", "è un dispositivo"},
                {fifo, "è una pipe"},
                {grande, "supera il limite di 256 MB"},
                {dir.path() / "assente.csv", "Impossibile aprire il file"}};
    rusage prima{};
    getrusage(RUSAGE_SELF, &prima);
    for (const Caso& c : casi) {
        for (int modo = 0; modo < 2; ++modo) {
            try {
                if (modo == 0)
                    TLetturaImportazione lettura(c.file);
                else
                    LeggiFile(c.file);
                ADD_FAILURE() << c.file << " read";
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find(c.motivo), std::string::npos) << e.what();
            }
        }
    }
    rusage dopo{};
    getrusage(RUSAGE_SELF, &dopo);
    EXPECT_LT(dopo.ru_maxrss - prima.ru_maxrss, 50 * 1024);  // kilobytes
}

TEST(FileImportazioneTest, NulBytesLeaveTheirRowOutAndSayWhich) {
    const std::string csv = "Azienda;Email\nAlfa;a@a.it\nBe\0ta;b@b.it\n"s;
    const auto file = LeggiImportazione(csv, TFormatoFile::Csv);
    ASSERT_EQ(file.Righe.size(), 2u);
    EXPECT_EQ(file.Righe[0].Errore, "");
    EXPECT_EQ(file.Righe[1].Riga, 3);
    EXPECT_EQ(file.Righe[1].Errore, "contiene caratteri NUL");
    const auto vcard = LeggiImportazione("BEGIN:VCARD\nFN:A\0b\nEND:VCARD\n"s, TFormatoFile::VCard);
    ASSERT_EQ(vcard.Righe.size(), 1u);
    EXPECT_EQ(vcard.Righe[0].Errore, "contiene caratteri NUL");
}

// Each row is read in the encoding it is in, and a file mixing them says
// which rows were read in which.
TEST(FileImportazioneTest, RowsOfMixedEncodingsAreNamed) {
    const auto file = LeggiImportazione(
        "Azienda;Città\nAlfa;Forl\xC3\xAC\nBeta;Forl\xEC\nGamma;Roma\nDelta;Cant\xF9\n"
        "Eps;Cant\xC3\xB9\n",
        TFormatoFile::Csv);
    ASSERT_EQ(file.Righe.size(), 5u);
    for (std::size_t i : {0, 1}) EXPECT_EQ(file.Righe[i].Contatto[TCampo::Citta], "Forlì");
    EXPECT_EQ(file.Righe[3].Contatto[TCampo::Citta], "Cantù");
    EXPECT_EQ(file.Righe[4].Contatto[TCampo::Citta], "Cantù");
    EXPECT_EQ(file.Codifica, "UTF-8 (righe 1-2, 6) e Windows-1252 (righe 3, 5)");
    EXPECT_EQ(LeggiImportazione("Azienda\nForl\xEC\n", TFormatoFile::Csv).Codifica, "Windows-1252");
    // UTF-16 without a byte order mark is recognised, not read as NUL bytes.
    const std::string utf16 = "A\0z\0i\0e\0n\0d\0a\0\n\0A\0l\0f\0a\0\n\0"s;
    const auto largo = LeggiImportazione(utf16, TFormatoFile::Csv);
    EXPECT_EQ(largo.Codifica, "UTF-16LE");
    ASSERT_EQ(largo.Righe.size(), 1u);
    EXPECT_EQ(largo.Righe[0].Contatto[TCampo::Ragione_Sociale], "Alfa");
}

TEST(LetturaVCardTest, Version21QuotedPrintableAndCharset) {
    const auto schede = LeggiVCard(
        "BEGIN:VCARD\r\nVERSION:2.1\r\n"
        "ORG;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caff=C3=A8 Nord\r\n"
        "NOTE;ENCODING=QUOTED-PRINTABLE:prima riga=0D=0Aseconda, lunga abbastanza da anda=\r\n"
        "re a capo\r\n"
        "ADR;QUOTED-PRINTABLE;CHARSET=ISO-8859-1:;;;Forl=EC;;47121;\r\n"
        "EMAIL;INTERNET:a@b.it\r\nEND:VCARD\r\n");
    ASSERT_EQ(schede.size(), 1u);
    const TContatto& c = schede[0].Contatto;
    EXPECT_EQ(c[TCampo::Ragione_Sociale], "Caffè Nord");
    EXPECT_EQ(c[TCampo::Note], "prima riga\r\nseconda, lunga abbastanza da andare a capo");
    EXPECT_EQ(c[TCampo::Citta], "Forlì");
    EXPECT_EQ(c[TCampo::Cap], "47121");
    EXPECT_EQ(c[TCampo::EMail], "a@b.it");
}

// Records that straddle the blocks a file is read in come out as from the
// whole text: quoted line breaks, doubled quotes and CR LF cut anywhere.
TEST(FileImportazioneTest, RowsAcrossReadBlocksAreWhole) {
    TTempDir dir;
    std::string csv = "Azienda;Note;Email\r\n";
    for (int i = 0; csv.size() < (std::size_t{5} << 20) / 2; ++i)
        csv += "\"Ditta " + std::to_string(i) + "\";\"nota \"\"" + std::string(i % 97, 'x') +
               "\"\"\r\nsu due righe\";u" + std::to_string(i) + "@x.it\r\n";
    const auto file = dir.path() / "lungo.csv";
    std::ofstream(file, std::ios::binary) << csv;
    const std::vector<TRecordCsv> attesi = LeggiCsv(csv, ';');
    TLetturaImportazione lettura(file);
    TRigaImportata riga;
    std::size_t n = 1;
    while (lettura.Prossima(riga)) {
        ASSERT_LT(n, attesi.size());
        EXPECT_EQ(riga.Riga, attesi[n].Riga);
        EXPECT_EQ(riga.Contatto[TCampo::Note], attesi[n].Campi[1]) << n;
        EXPECT_EQ(riga.Contatto[TCampo::EMail], attesi[n].Campi[2]) << n;
        ++n;
    }
    EXPECT_EQ(n, attesi.size());
}
