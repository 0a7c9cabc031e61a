// The contact register: checked fields, the opposition date the do-not-mail
// list writes, import from a spreadsheet and export read by other readers.
#include <gtest/gtest.h>

#include "TabellaDiProva.h"
#include "TempDir.h"
#include "UscitaComando.h"
#include "archive/TableDefinitions.h"
#include "workflow/CampiRegistro.h"
#include "workflow/ComandiContatti.h"
#include "workflow/Esportazione.h"
#include "workflow/FiltroContatti.h"
#include "workflow/Importazione.h"
#include "workflow/LetturaVCard.h"
#include "workflow/NonInviare.h"
#include "workflow/PreparazioneRicerca.h"
#include "workflow/RegistroContatti.h"
#include "workflow/ScambioRegistro.h"

using namespace brivano;

namespace {

std::string LettoDaAltri(const std::filesystem::path& file, const char* tipo) {
    return UscitaComando(std::string(BRIVANO_PYTHON) + " " + BRIVANO_READ_REGISTER_SCRIPT + " '" +
                         file.string() + "' " + tipo);
}

}  // namespace

TEST(RegistroContattiTest, BasesReadFromTheirNamesAndOnlyTwoAllowPromotions) {
    const struct {
        const char* Testo = "";
        std::optional<TBaseGiuridica> Base;
    } casi[] = {
        {"Consenso", TBaseGiuridica::Consenso},
        {"cliente — prodotti analoghi (art. 130 c.4)", TBaseGiuridica::Cliente},
        {"CLIENTE", TBaseGiuridica::Cliente},
        {"Contratto / servizio", TBaseGiuridica::Contratto},
        {"", TBaseGiuridica::Nessuna},
        {"forse", std::nullopt},
    };
    for (const auto& c : casi) EXPECT_EQ(BaseDaTesto(c.Testo), c.Base) << c.Testo;
    EXPECT_TRUE(AmmettePromozioni(TBaseGiuridica::Consenso));
    EXPECT_TRUE(AmmettePromozioni(TBaseGiuridica::Cliente));
    EXPECT_FALSE(AmmettePromozioni(TBaseGiuridica::Contratto));
    EXPECT_FALSE(AmmettePromozioni(TBaseGiuridica::Nessuna));
    EXPECT_EQ(DataRegistro("3/2/2024"), "2024-02-03");
    EXPECT_EQ(DataRegistro("29.02.2023"), std::nullopt);
    EXPECT_EQ(DataRegistro("2024-13-01"), std::nullopt);
    {
        // 2024-06-30 22:30 UTC is already the first of July in Italy.
        const TVariabileDiProva fuso("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        EXPECT_EQ(OggiRegistro(1719786600), "2024-07-01");
    }
    tzset();
}

TEST(RegistroContattiTest, AnEntryInErrorListsEveryFieldAndKeepsNothing) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    TVoceRegistro voce{"anna@example.it"};
    voce.PartitaIva = "12345678901";
    voce.DataRaccolta = "31/04/2024";
    voce.Pec = "non una pec";
    try {
        registro.Scrivi(voce);
        ADD_FAILURE() << "accettata";
    } catch (const ERegistroContatti& e) {
        const std::string testo = e.what();
        EXPECT_NE(testo.find("partita IVA"), std::string::npos) << testo;
        EXPECT_NE(testo.find("Data di raccolta"), std::string::npos) << testo;
        EXPECT_NE(testo.find("PEC"), std::string::npos) << testo;
    }
    EXPECT_TRUE(registro.Elenco().empty());
}

// The register lies at the data root: every year's folder and every start
// sees the same entries, and the do-not-mail list there dates the opposition.
TEST(RegistroContattiTest, SpansStartsAndTheDoNotMailListDatesTheOpposition) {
    TTempDir dir;
    {
        TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
        TVoceRegistro voce{" Anna <ANNA@example.it> "};
        voce.Base = TBaseGiuridica::Consenso;
        voce.DataRaccolta = "2024-03-01";
        voce.PartitaIva = "IT 01234567897";
        voce.Etichette = EtichetteDaTesto("fiera; Clienti, fiera");
        registro.Scrivi(voce);
        TVoceRegistro giaOpposto{"bruno@example.it"};
        giaOpposto.DataOpposizione = "2020-01-02";
        registro.Scrivi(giaOpposto);
    }
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    elenco.Aggiungi("anna@example.it", "richiesta del destinatario", "");
    elenco.AggiungiTesto("bruno@example.it\ncarla@example.it");

    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    const auto anna = registro.Leggi("anna@EXAMPLE.it");
    ASSERT_TRUE(anna);
    EXPECT_EQ(anna->Base, TBaseGiuridica::Consenso);
    EXPECT_EQ(anna->PartitaIva, "01234567897");
    EXPECT_EQ(anna->Etichette, (std::vector<std::string>{"fiera", "Clienti"}));
    EXPECT_EQ(anna->DataOpposizione, OggiRegistro());
    EXPECT_EQ(registro.Leggi("bruno@example.it")->DataOpposizione, "2020-01-02");
    ASSERT_TRUE(registro.Leggi("carla@example.it"));
    EXPECT_EQ(registro.Leggi("carla@example.it")->Base, TBaseGiuridica::Nessuna);
    EXPECT_EQ(registro.Etichette(),
              (std::vector<std::pair<std::string, int>>{{"Clienti", 1}, {"fiera", 1}}));
}

TEST(RegistroContattiTest, ImportsBusinessColumnsAllOrNothing) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    TVoceRegistro prima{"dario@example.it"};
    prima.Telefono = "02 1234";
    registro.Scrivi(prima);

    const std::string buono =
        "Email;P.IVA;Codice Fiscale;PEC;Codice destinatario;Persona di contatto;Tag;"
        "Base giuridica;Data consenso;Fonte\r\n"
        "anna@example.it;01234567897;RSSMRA85T10A56NH;anna@pec.example.it;m5uxcr1;Anna Rossi;"
        "fiera, vip;Consenso;15/01/2024;modulo sito\r\n"
        "dario@example.it;;;;;;;cliente;;fattura n. 7\r\n";
    const TEsitoImportazioneRegistro esito = ImportaRegistro(registro, buono);
    EXPECT_TRUE(esito.Errori.empty());
    EXPECT_EQ(esito.Scritte, 2);
    const auto anna = registro.Leggi("anna@example.it");
    ASSERT_TRUE(anna);
    EXPECT_EQ(anna->CodiceFiscale, "RSSMRA85T10A56NH");
    EXPECT_EQ(anna->CodiceSdi, "M5UXCR1");
    EXPECT_EQ(anna->Referente, "Anna Rossi");
    EXPECT_EQ(anna->DataRaccolta, "2024-01-15");
    EXPECT_EQ(anna->Etichette, (std::vector<std::string>{"fiera", "vip"}));
    const auto dario = registro.Leggi("dario@example.it");
    EXPECT_EQ(dario->Base, TBaseGiuridica::Cliente);
    EXPECT_EQ(dario->Telefono, "02 1234");  // no such column in the file

    const std::string cattivo =
        "E-mail;Base\r\nerica@example.it;consenso\r\nfabio@example.it;boh\r\n;consenso\r\n";
    const TEsitoImportazioneRegistro scartato = ImportaRegistro(registro, cattivo);
    EXPECT_EQ(scartato.Errori, (std::vector<std::string>{"riga 3: base giuridica sconosciuta: boh",
                                                         "riga 4: manca l'indirizzo e-mail"}));
    EXPECT_FALSE(registro.Leggi("erica@example.it"));
    EXPECT_THROW(ImportaRegistro(registro, "Nome;Città\r\nx;y\r\n"), ERegistroContatti);
}

TEST(RegistroContattiTest, ExportReadBackByPythonCsvAndVobject) {
    TTempDir dir;
    TVoceRegistro v{"anna@example.it"};
    v.Base = TBaseGiuridica::Cliente;
    v.Fonte = "fattura n. 12; \"saldo\"";
    v.DataRaccolta = "2024-01-15";
    v.Informativa = "v2";
    v.Etichette = {"fiera Milano", "vip"};
    v.PartitaIva = "01234567897";
    v.Referente = "Anna Rossi";
    v.CodiceSdi = "0000000";
    TInviiPerIndirizzo invii;
    invii["anna@example.it"] = {"2025-06-01 10:00:00", 3};

    const auto csv = dir.path() / "registro.csv";
    ScriviFile(csv, TestoCsvRegistro({v}, invii));
    EXPECT_EQ(LettoDaAltri(csv, "csv"),
              "E-mail=anna@example.it\n"
              "Base giuridica=Cliente — prodotti analoghi (art. 130 c.4)\n"
              "Fonte=fattura n. 12; \"saldo\"\nData raccolta=2024-01-15\nInformativa=v2\n"
              "Data opposizione=\nEtichette=fiera Milano, vip\nPartita IVA=01234567897\n"
              "Codice fiscale=\nPEC=\nCodice SDI=0000000\nReferente=Anna Rossi\nTelefono=\n"
              "Ultimo invio=2025-06-01 10:00:00\nInvii=3\n");

    // Read back by the register's own import, every value as it was.
    v.Telefono = "+39 02 1234";
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    EXPECT_TRUE(ImportaRegistro(registro, TestoCsvRegistro({v}, invii)).Errori.empty());
    const auto riletta = registro.Leggi("anna@example.it");
    ASSERT_TRUE(riletta);
    EXPECT_EQ(riletta->Telefono, "+39 02 1234");
    EXPECT_EQ(riletta->Fonte, v.Fonte);
    EXPECT_EQ(riletta->Etichette, (std::vector<std::string>{"fiera Milano", "vip"}));
    v.Telefono.clear();

    const auto vcf = dir.path() / "registro.vcf";
    ScriviFile(vcf, TestoVCardRegistro({v}));
    EXPECT_EQ(LettoDaAltri(vcf, "vcard"),
              "FN=Anna Rossi\nEMAIL=anna@example.it\nCATEGORIES=fiera Milano|vip\n"
              "X-BASE-GIURIDICA=Cliente — prodotti analoghi (art. 130 c.4)\n"
              "X-CODICE-SDI=0000000\nX-DATA-RACCOLTA=2024-01-15\n"
              "X-FONTE=fattura n. 12; \"saldo\"\nX-INFORMATIVA=v2\n"
              "X-PARTITA-IVA=01234567897\nX-REFERENTE=Anna Rossi\n");
}

TEST(RegistroContattiTest, VCardExportReadsBackIntoTheRegister) {
    TTempDir dir;
    TTabellaDiProva rubrica("2026");  // its folder is the data root of `da`
    std::filesystem::create_directory(dir.path() / "a");
    TRegistroContatti da(PercorsoRegistroContatti(rubrica.dir.path()));
    TVoceRegistro piena{"Anna.Rossi@Example.it"};
    piena.Base = TBaseGiuridica::Consenso;
    piena.Fonte =
        "modulo sito, pagina \"offerte; estate\"\\2025 — una fonte lunga abbastanza da "
        "andare a capo più di una volta nella scheda";
    piena.DataRaccolta = "2024-02-29";
    piena.Informativa = "v3";
    piena.Etichette = {"fiera Milano", "vip", "àccento"};
    piena.PartitaIva = "01234567897";
    piena.CodiceFiscale = "RSSMRA85T10A562S";
    piena.Pec = "anna@pec.example.it";
    piena.CodiceSdi = "ABC1234";
    piena.Referente = "Anna Rossi";
    piena.Telefono = "+39 02 1234";
    TVoceRegistro opposta{"bruno@example.it"};
    opposta.DataOpposizione = "2025-01-02";
    da.Scrivi(piena);
    da.Scrivi(opposta);

    TRegistroContatti a(PercorsoRegistroContatti(dir.path() / "a"));
    TVoceRegistro gia{"bruno@example.it"};
    gia.Telefono = "011 55";  // a field the card lacks stays
    a.Scrivi(gia);

    // The contacts' own vCard carries the same fields beside the contact's:
    // a contact with a type and no entry gets none.
    ImportaContatti(*rubrica.file,
                    LeggiImportazione("Azienda;Tipo;Email\nRossi;Bar;Anna.Rossi@Example.it\n"
                                      "Bruno;;bruno@example.it\nCarla;Clienti;c@example.it\n",
                                      TFormatoFile::Csv)
                        .Righe,
                    TDuplicati::Salta);
    const std::filesystem::path vcf = dir.path() / "contatti.vcf";
    EXPECT_EQ(EsportaContatti(*rubrica.file, vcf), 3u);
    const std::string schede = LeggiFile(vcf);
    std::vector<std::string> tipi;
    for (const TSchedaVCard& s : LeggiVCard(schede)) tipi.push_back(s.Contatto[TCampo::Tipo]);
    EXPECT_EQ(tipi, (std::vector<std::string>{"", "Clienti", "Bar"}));

    const std::vector<TVoceRegistro> prima = da.Elenco();
    int volta = 0;
    for (const std::string& testo : {TestoVCardRegistro(prima), schede}) {
        const std::filesystem::path radice = dir.path() / ("a" + std::to_string(++volta));
        std::filesystem::create_directory(radice);
        TRegistroContatti letto(PercorsoRegistroContatti(radice));
        letto.Scrivi(gia);
        const TEsitoImportazioneRegistro esito = ImportaRegistro(letto, testo);
        EXPECT_TRUE(esito.Errori.empty()) << esito.Errori.front();
        EXPECT_EQ(esito.Scritte, 2);
        const std::vector<TVoceRegistro> dopo = letto.Elenco();
        ASSERT_EQ(dopo.size(), 2u);
        for (std::size_t i = 0; i < prima.size(); ++i)
            for (int c = static_cast<int>(TCampoRegistro::Indirizzo);
                 c <= static_cast<int>(TCampoRegistro::Telefono); ++c) {
                const auto campo = static_cast<TCampoRegistro>(c);
                SCOPED_TRACE(NomeCampoRegistro(campo));
                EXPECT_EQ(TestoCampo(dopo[i], campo), campo == TCampoRegistro::Telefono && i == 1
                                                          ? "011 55"
                                                          : TestoCampo(prima[i], campo));
            }
    }

    // A basis not known leaves the whole file out.
    const TEsitoImportazioneRegistro cattivo = ImportaRegistro(
        a,
        "BEGIN:VCARD\r\nVERSION:4.0\r\nEMAIL:c@example.it\r\nX-BASE-GIURIDICA:boh\r\n"
        "END:VCARD\r\n");
    EXPECT_EQ(cattivo.Errori,
              std::vector<std::string>{"scheda della riga 1: base giuridica sconosciuta: boh"});
    EXPECT_FALSE(a.Leggi("c@example.it"));
}

TEST(RegistroContattiTest, RegisterFieldsFillMergeFieldsByAddress) {
    TTempDir dir;
    const auto lista = [&] { return PercorsoNonInviare(dir.str()); };
    const std::vector<std::string> voci = {"Anna <ANNA@example.it>", "bruno@example.it"};
    const std::vector<TCampiContatto> propri = {{{"Citta", "Roma"}}};
    // No register kept: the entries keep their own fields and none is created.
    EXPECT_EQ(CampiConRegistro(voci, propri, lista), propri);
    EXPECT_FALSE(std::filesystem::exists(PercorsoRegistroContatti(dir.path())));
    {
        TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
        TVoceRegistro anna{"anna@example.it"};
        anna.PartitaIva = "01234567897";
        anna.Referente = "Anna Rossi";
        anna.Base = TBaseGiuridica::Consenso;
        anna.DataRaccolta = "2024-01-15";
        registro.Scrivi(anna);
    }
    const std::vector<TCampiContatto> campi = CampiConRegistro(voci, propri, lista);
    ASSERT_EQ(campi.size(), 2u);
    const std::string testo =
        "{{Referente|Gentile cliente}} ({{citta}}), P.IVA {{piva}}, consenso del {{Data_Consenso}}";
    EXPECT_EQ(RiempiCampi(testo, campi[0]),
              "Anna Rossi (Roma), P.IVA 01234567897, consenso del 2024-01-15");
    EXPECT_EQ(RiempiCampi(testo, campi[1]), "Gentile cliente (), P.IVA , consenso del ");
    EXPECT_EQ(CampiUsati({testo}),
              (std::vector<std::string>{"Referente", "Citta", "PIVA", "Data_Consenso"}));
}

// The address book's search finds a contact by its register fields too.
TEST(RegistroContattiTest, TheSearchFindsContactsByTheirRegisterFields) {
    TTabellaDiProva tabella("2026");
    const TTempDir& radice = tabella.dir;
    TFDB& fdb = tabella.fdb;
    ImportaContatti(
        *tabella.file,
        LeggiImportazione("Azienda;Email\nAlfa;a@a.it\nBeta;B <B@b.it>\n", TFormatoFile::Csv).Righe,
        TDuplicati::Salta);
    // A second contact of the same address, as the import would not add it.
    tabella.file->Insert({std::nullopt, "", "Gamma", "", "", "b@b.it", "", std::nullopt});
    TRegistroContatti registro(PercorsoRegistroContatti(radice.path()));
    // Written out of address order, one of them for no contact of the book.
    TVoceRegistro zeta{"z@z.it"};
    zeta.Referente = "Zeno Zeta";
    registro.Scrivi(zeta);
    TVoceRegistro beta{"b@b.it"};
    beta.PartitaIva = "01234567897";
    beta.Referente = "Gianni Bianchi";
    beta.Etichette = {"fiera"};
    registro.Scrivi(beta);
    TVoceRegistro alfa{"a@a.it"};
    alfa.Referente = "Carla Verdi";
    registro.Scrivi(alfa);

    fdb.LegaQuery("DBrivano10");
    fdb.QGEN.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"};
    fdb.QGEN.Open();
    // Read in place, or on the window's thread with the register read ahead
    // (while the list was read) or ahead for another root, which is not used.
    TTempDir altrove;
    for (int modo = 0; modo < 3; ++modo) {
        SCOPED_TRACE(modo);
        TFiltroContatti filtro;
        if (modo == 0) {
            filtro.Carica(fdb.QGEN);
        } else {
            TPreparazioneRicerca preparazione(fdb.QGEN.FilePath(),
                                              std::make_unique<TLetturaTestiRegistro>(
                                                  modo == 1 ? radice.path() : altrove.path()));
            std::optional<TTestiRicerca> testi = preparazione.Prendi();
            ASSERT_TRUE(testi);
            filtro.Carica(fdb.QGEN.RowIds(), std::move(*testi));
        }
        EXPECT_EQ(filtro.Filtra("01234567897"), (std::vector<int>{1, 2}));  // one address, two rows
        EXPECT_EQ(filtro.Filtra("bianchi"), (std::vector<int>{1, 2}));
        EXPECT_EQ(filtro.Filtra("FIERA"), (std::vector<int>{1, 2}));
        EXPECT_EQ(filtro.Filtra("alfa"), std::vector<int>{0});
        EXPECT_EQ(filtro.Filtra("verdi"), std::vector<int>{0});
        EXPECT_TRUE(filtro.Filtra("zeta").empty());
    }
}
