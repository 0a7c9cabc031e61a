// brivano-rubrica run as a separate process: first start, import, list,
// export read back by readers we did not write, the do-not-mail list, and
// what bad arguments get.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "config/F_Conf.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct TEsito {
    int stato = -1;
    std::string out, err;
};

std::string Leggi(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Scrivi(const fs::path& file, const std::string& testo) {
    std::ofstream(file, std::ios::binary) << testo;
}

class RubricaCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        // The tool's folder is where a first start puts the data: a private copy.
        fs::copy_file(BRIVANO_RUBRICA_EXE, Strumento());
    }

    fs::path Strumento() const { return programma.path() / "brivano-rubrica"; }
    std::string Cartella(const std::string& anno) const {
        return (programma.path() / anno).string() + "/";
    }

    TEsito Esegui(const std::vector<std::string>& argomenti, const std::string& ingresso = "") {
        const fs::path in = file.path() / "stdin", out = file.path() / "stdout",
                       err = file.path() / "stderr";
        Scrivi(in, ingresso);
        posix_spawn_file_actions_t azioni;
        posix_spawn_file_actions_init(&azioni);
        posix_spawn_file_actions_addopen(&azioni, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&azioni, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&azioni, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        const std::string eseguibile = Strumento().string();
        std::vector<char*> argv{const_cast<char*>(eseguibile.c_str())};
        for (const std::string& a : argomenti) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        TEsito esito;
        const int errore =
            posix_spawn(&pid, eseguibile.c_str(), &azioni, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&azioni);
        if (errore != 0) {
            ADD_FAILURE() << "posix_spawn: " << errore;
            return esito;
        }
        int stato = 0;
        if (waitpid(pid, &stato, 0) == pid && WIFEXITED(stato)) esito.stato = WEXITSTATUS(stato);
        esito.out = Leggi(out);
        esito.err = Leggi(err);
        return esito;
    }

    // An export read by Python's csv module or by vobject, as JSON.
    std::string LettoDaPython(const fs::path& esportazione, const std::string& tipo,
                              const char* script = BRIVANO_READ_EXPORT_SCRIPT) {
        const std::string comando = std::string(BRIVANO_PYTHON) + " " + script + " '" +
                                    esportazione.string() + "' '" + tipo + "'";
        FILE* p = popen(comando.c_str(), "r");
        if (!p) return {};
        std::string testo;
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) testo.append(buffer, n);
        EXPECT_EQ(pclose(p), 0) << comando;
        return testo;
    }

    TScopedXdgHome home;
    TTempDir programma;
    TTempDir file;
};

constexpr const char* Intestazione = "Ragione Sociale;Tipo;Città;CAP;Email;Sito;Note\r\n";

// A spreadsheet export: BOM, "," separators, a quoted separator and a line
// break inside a quoted field; not in the list's order.
constexpr const char* FoglioDiCalcolo =
    "\xEF\xBB\xBF"
    "Azienda,Città,CAP,E-mail,Note\r\n"
    "Zeta Spa,Roma,00100,zeta@example.it,\r\n"
    "\"Àlfa, Srl\",Milano,20100,alfa@example.it,\"prima riga\nseconda\"\r\n"
    "beta snc,Torino,10100,BETA@example.it,\r\n";

TEST_F(RubricaCliTest, FirstStartPreparesTheArchiveAndSaysSoOnlyOnce) {
    const TEsito primo = Esegui({"elenco"});
    EXPECT_EQ(primo.stato, 0) << primo.err;
    EXPECT_EQ(primo.out, Intestazione);
    EXPECT_NE(primo.err.find("CONFIGURAZIONE ASSENTE"), std::string::npos) << primo.err;
    EXPECT_NE(primo.err.find("Archivio Rubrica.DB Creato"), std::string::npos) << primo.err;
    EXPECT_EQ(LeggiReg(KeyBrivano, "PathDatiGen"), programma.str());
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2010");
    EXPECT_TRUE(fs::is_regular_file(Cartella("2010") + "Rubrica.DB"));
    EXPECT_TRUE(fs::is_regular_file(Cartella("2010") + "Brivano.DB"));

    const TEsito secondo = Esegui({"elenco"});
    EXPECT_EQ(secondo.stato, 0);
    EXPECT_EQ(secondo.err, "");

    // A working year without its folder gets it, as the program's start does.
    ScriviReg(KeyBrivano, "Anno", "2011");
    const TEsito nuovoAnno = Esegui({"elenco"});
    EXPECT_EQ(nuovoAnno.stato, 0) << nuovoAnno.err;
    EXPECT_NE(nuovoAnno.err.find("Archivio Rubrica.DB Creato"), std::string::npos);
    EXPECT_EQ(nuovoAnno.err.find("CONFIGURAZIONE ASSENTE"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(Cartella("2011") + "Rubrica.DB"));
}

TEST_F(RubricaCliTest, ImportThenListInTheContactListsOrder) {
    Scrivi(file.path() / "foglio.csv", FoglioDiCalcolo);
    const TEsito importa = Esegui({"importa", (file.path() / "foglio.csv").string()});
    EXPECT_EQ(importa.stato, 0) << importa.err;
    EXPECT_NE(importa.out.find("Contatti aggiunti: 3\n"), std::string::npos) << importa.out;

    const TEsito elenco = Esegui({"elenco"});
    EXPECT_EQ(elenco.stato, 0) << elenco.err;
    EXPECT_EQ(elenco.out, std::string(Intestazione) +
                              "Àlfa, Srl;;Milano;20100;alfa@example.it;;\"prima riga\n"
                              "seconda\"\r\n"
                              "beta snc;;Torino;10100;BETA@example.it;;\r\n"
                              "Zeta Spa;;Roma;00100;zeta@example.it;;\r\n");

    // The same addresses again: left alone, or updated with --aggiorna.
    Scrivi(file.path() / "nuovi.csv", "Email;Città\nbeta@example.it;Asti\n");
    const TEsito salta = Esegui({"importa", (file.path() / "nuovi.csv").string()});
    EXPECT_EQ(salta.stato, 0);
    EXPECT_NE(salta.out.find("Già presenti, lasciati com'erano: 1"), std::string::npos);
    EXPECT_EQ(Esegui({"elenco"}).out.find("Asti"), std::string::npos);
    const TEsito aggiorna = Esegui({"importa", (file.path() / "nuovi.csv").string(), "--aggiorna"});
    EXPECT_EQ(aggiorna.stato, 0);
    EXPECT_NE(aggiorna.out.find("Contatti aggiornati: 1"), std::string::npos);
    EXPECT_NE(Esegui({"elenco"}).out.find("beta snc;;Asti;10100"), std::string::npos);

    // Standard input is a file like any other.
    const TEsito daPipe = Esegui({"importa", "/dev/stdin"}, "Azienda;Email\nGamma;g@example.it\n");
    EXPECT_EQ(daPipe.stato, 0) << daPipe.err;
    EXPECT_NE(Esegui({"elenco"}).out.find("Gamma;;;;g@example.it"), std::string::npos);
}

TEST_F(RubricaCliTest, RowsLeftOutAndUnreadableFilesAreReportedWithTheirStatus) {
    Scrivi(file.path() / "lungo.csv",
           "Azienda;Email\nBreve;b@example.it\n" + std::string(300, 'x') + ";l@example.it\n");
    const TEsito lungo = Esegui({"importa", (file.path() / "lungo.csv").string()});
    EXPECT_EQ(lungo.stato, 3);
    EXPECT_NE(lungo.out.find("Contatti aggiunti: 1"), std::string::npos) << lungo.out;
    EXPECT_NE(lungo.out.find("riga 3: "), std::string::npos) << lungo.out;

    Scrivi(file.path() / "ignoto.csv", "Colore;Peso\nrosso;3\n");
    const TEsito ignoto = Esegui({"importa", (file.path() / "ignoto.csv").string()});
    EXPECT_EQ(ignoto.stato, 1);
    EXPECT_NE(ignoto.err.find("brivano-rubrica: "), std::string::npos);
    const TEsito assente = Esegui({"importa", (file.path() / "assente.csv").string()});
    EXPECT_EQ(assente.stato, 1);
    const TEsito cartella = Esegui({"importa", file.path().string()});
    EXPECT_EQ(cartella.stato, 1);
    EXPECT_NE(cartella.err.find("è una cartella, non un file da importare"), std::string::npos)
        << cartella.err;
    EXPECT_EQ(Esegui({"elenco"}).out, std::string(Intestazione) + "Breve;;;;b@example.it;;\r\n");
}

TEST_F(RubricaCliTest, ExportsAreReadBackByPeersAndByTheTool) {
    Scrivi(file.path() / "foglio.csv", FoglioDiCalcolo);
    ASSERT_EQ(Esegui({"importa", (file.path() / "foglio.csv").string()}).stato, 0);

    const fs::path csv = file.path() / "uscita.csv", vcf = file.path() / "uscita.vcf";
    const TEsito esportaCsv = Esegui({"esporta", csv.string()});
    EXPECT_EQ(esportaCsv.stato, 0) << esportaCsv.err;
    EXPECT_EQ(esportaCsv.out, "Esportati 3 contatti in " + csv.string() + "\n");
    const std::string letto = LettoDaPython(csv, ";");
    EXPECT_NE(letto.find("\"Ragione Sociale\": \"Àlfa, Srl\""), std::string::npos) << letto;
    EXPECT_NE(letto.find("\"Note\": \"prima riga\\nseconda\""), std::string::npos) << letto;

    ASSERT_EQ(Esegui({"esporta", vcf.string()}).stato, 0);
    const std::string carte = LettoDaPython(vcf, "vcard");
    EXPECT_NE(carte.find("\"ORG\": \"Àlfa, Srl\""), std::string::npos) << carte;
    EXPECT_NE(carte.find("\"CITY\": \"Roma\""), std::string::npos) << carte;

    // The vCard into another year gives the same list.
    ScriviReg(KeyBrivano, "Anno", "2011");
    ASSERT_EQ(Esegui({"elenco"}).stato, 0);
    ScriviReg(KeyBrivano, "Anno", "2010");
    const TEsito importa = Esegui({"importa", vcf.string(), "--anno", "2011"});
    EXPECT_EQ(importa.stato, 0) << importa.err;
    EXPECT_EQ(Esegui({"elenco", "--anno", "2011"}).out, Esegui({"elenco"}).out);
    EXPECT_EQ(LeggiReg(KeyBrivano, "Anno"), "2010");

    const TEsito senzaAnno = Esegui({"elenco", "--anno", "2030"});
    EXPECT_EQ(senzaAnno.stato, 1);
    EXPECT_NE(senzaAnno.err.find("l'anno 2030 non ha un archivio"), std::string::npos);
    EXPECT_EQ(Esegui({"elenco", "--anno", "../2010"}).stato, 1);
}

TEST_F(RubricaCliTest, DoNotMailListIsAddedToListedAndTrimmed) {
    const TEsito aggiungi = Esegui({"non-inviare", "aggiungi", "Uno@Example.it", "due@example.it"});
    EXPECT_EQ(aggiungi.stato, 0) << aggiungi.err;
    EXPECT_EQ(aggiungi.out, "Aggiunti 2, già presenti 0\n");
    const TEsito incollati =
        Esegui({"non-inviare", "aggiungi", "-"}, "  uno@example.it \n\ntre@example.it\n");
    EXPECT_EQ(incollati.out, "Aggiunti 1, già presenti 1\n");
    EXPECT_TRUE(fs::is_regular_file(programma.path() / "NonInviare.db"));

    EXPECT_EQ(Esegui({"non-inviare", "elenco"}).out,
              "due@example.it\ntre@example.it\nUno@Example.it\n");

    const TEsito togli = Esegui({"non-inviare", "togli", "UNO@example.it", "nessuno@example.it"});
    EXPECT_EQ(togli.stato, 1);
    EXPECT_EQ(togli.out, "Tolto: UNO@example.it\n");
    EXPECT_NE(togli.err.find("non è nell'elenco: nessuno@example.it"), std::string::npos);
    EXPECT_EQ(Esegui({"non-inviare", "elenco"}).out, "due@example.it\ntre@example.it\n");
}

// The register spans the years: set by hand, dated by the do-not-mail list,
// exported for a consultant and read back by Python's csv module.
TEST_F(RubricaCliTest, RegisterIsSetListedAndExportedForAConsultant) {
    const fs::path foglio = file.path() / "clienti.csv";
    Scrivi(foglio,
           "Azienda;E-mail;P.IVA;Codice destinatario;Tag;Base giuridica;Data consenso\r\n"
           "Delta srl;d@example.it;IT01234567897;m5uxcr1;vip;cliente;02/03/2023\r\n");
    const TEsito importa = Esegui({"importa", foglio.string()});
    EXPECT_EQ(importa.stato, 0) << importa.err;
    EXPECT_NE(importa.out.find("Registro dei contatti: 1 voci scritte."), std::string::npos)
        << importa.out;
    const TEsito imposta =
        Esegui({"registro", "imposta", "Anna@Example.it", "--base", "consenso", "--fonte",
                "modulo sito", "--data", "15/01/2024", "--etichette", "fiera, vip"});
    EXPECT_EQ(imposta.stato, 0) << imposta.err;
    EXPECT_EQ(imposta.out, "Anna@Example.it: Consenso, 2024-01-15, modulo sito\n");
    const TEsito sbagliata =
        Esegui({"registro", "imposta", "b@example.it", "--data", "31/02/2024"});
    EXPECT_EQ(sbagliata.stato, 1);
    EXPECT_NE(sbagliata.err.find("Data di raccolta non valida"), std::string::npos);
    EXPECT_EQ(Esegui({"non-inviare", "aggiungi", "c@example.it"}).stato, 0);
    EXPECT_EQ(Esegui({"registro", "etichette"}).out, "fiera\t1\nvip\t2\n");

    const fs::path csv = file.path() / "registro.csv";
    const TEsito esporta = Esegui({"registro", "esporta", csv.string()});
    EXPECT_EQ(esporta.stato, 0) << esporta.err;
    const std::string letto = LettoDaPython(csv, "csv", BRIVANO_READ_REGISTER_SCRIPT);
    EXPECT_NE(letto.find("E-mail=Anna@Example.it\nBase giuridica=Consenso\nFonte=modulo sito\n"
                         "Data raccolta=2024-01-15\n"),
              std::string::npos)
        << letto;
    EXPECT_NE(letto.find("E-mail=c@example.it\nBase giuridica=Nessuna\n"), std::string::npos);
    EXPECT_NE(letto.find("E-mail=d@example.it\nBase giuridica=Cliente — prodotti analoghi (art. "
                         "130 c.4)\nFonte=\nData raccolta=2023-03-02\n"),
              std::string::npos);
    EXPECT_NE(letto.find("Partita IVA=01234567897\nCodice fiscale=\nPEC=\nCodice SDI=M5UXCR1\n"),
              std::string::npos);
    EXPECT_EQ(letto.find("b@example.it"), std::string::npos);

    // A segment saved once is there at the next start and picks its contacts.
    const TEsito salva =
        Esegui({"registro", "segmento", "Clienti vip", "--etichetta", "VIP", "--base", "cliente"});
    EXPECT_EQ(salva.out,
              "Segmento Clienti vip: etichetta: VIP; base: Cliente — prodotti analoghi "
              "(art. 130 c.4)\n")
        << salva.err;
    EXPECT_EQ(Esegui({"registro", "segmenti"}).out,
              "Clienti vip\tetichetta: VIP; base: Cliente — prodotti analoghi (art. 130 c.4)\n");
    EXPECT_EQ(Esegui({"registro", "segmento", "Clienti vip"}).out, "d@example.it\n");
    Scrivi(foglio, "Azienda;E-mail\r\nDELTA S.r.l.;altro@example.it\r\n");
    EXPECT_EQ(Esegui({"importa", foglio.string()}).stato, 0);
    const std::string doppi = Esegui({"registro", "duplicati"}).out;
    EXPECT_EQ(doppi.rfind("stessa ragione sociale (delta): ", 0), 0u) << doppi;
    EXPECT_NE(doppi.find("Delta srl <d@example.it>"), std::string::npos) << doppi;
    EXPECT_NE(doppi.find("DELTA S.r.l. <altro@example.it>"), std::string::npos) << doppi;
    const std::string anni = Esegui({"registro", "duplicati", "--tutti-gli-anni"}).out;
    EXPECT_EQ(anni.rfind("stessa ragione sociale (delta): ", 0), 0u) << anni;
    EXPECT_NE(anni.find("DELTA S.r.l. <altro@example.it> [2010]"), std::string::npos) << anni;
}

// A vCard is looked through a megabyte at a time for register fields: one on
// the last card of a longer file is found, and a file without any writes none.
TEST_F(RubricaCliTest, RegisterFieldsOnTheLastCardOfALongVCardAreFound) {
    std::string schede;
    for (int i = 0; schede.size() < (std::size_t{3} << 19); ++i)
        schede += "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Ditta " + std::to_string(i) + "\r\nEMAIL:d" +
                  std::to_string(i) + "@example.it\r\nEND:VCARD\r\n";
    const fs::path vcf = file.path() / "lunga.vcf";
    Scrivi(vcf, schede);
    const TEsito senza = Esegui({"importa", vcf.string()});
    EXPECT_EQ(senza.stato, 0) << senza.err;
    EXPECT_EQ(senza.out.find("Registro dei contatti"), std::string::npos) << senza.out;
    Scrivi(vcf, schede +
                    "BEGIN:VCARD\r\nVERSION:4.0\r\nEMAIL:ultima@example.it\r\n"
                    "X-FONTE:fiera\r\nEND:VCARD\r\n");
    const TEsito con = Esegui({"importa", vcf.string()});
    EXPECT_EQ(con.stato, 0) << con.err;
    EXPECT_NE(con.out.find("Registro dei contatti: 1 voci scritte."), std::string::npos) << con.out;
}

TEST_F(RubricaCliTest, HelpAndVersionAnswerWithoutTouchingTheArchive) {
    const TEsito aiuto = Esegui({"--help"});
    EXPECT_EQ(aiuto.stato, 0);
    EXPECT_EQ(aiuto.out.rfind("Uso: brivano-rubrica COMANDO", 0), 0u) << aiuto.out;
    const TEsito versione = Esegui({"--version"});
    EXPECT_EQ(versione.stato, 0);
    EXPECT_EQ(versione.out, "Brivano 1.0\n");
    EXPECT_FALSE(fs::exists(home.path() / "config"));
}

TEST_F(RubricaCliTest, BadArgumentsGetTheUsageAndStatusTwo) {
    const std::vector<std::vector<std::string>> casi = {
        {},
        {"boh"},
        {"importa"},
        {"importa", "a.csv", "b.csv"},
        {"importa", "a.csv", "--zzz"},
        {"esporta", "a.txt"},
        {"esporta"},
        {"elenco", "altro"},
        {"elenco", "--anno"},
        {"elenco", "--aggiorna"},
        {"non-inviare"},
        {"non-inviare", "aggiungi"},
        {"non-inviare", "svuota"},
        {"non-inviare", "elenco", "--anno", "2010"},
        {"registro"},
        {"registro", "imposta", "a@example.it"},
        {"registro", "imposta", "a@example.it", "--base"},
        {"registro", "esporta", "r.txt"},
        {"elenco", "--fonte", "x"},
        {"registro", "segmento", "x", "--fonte", "y"},
        {"registro", "imposta", "a@example.it", "--mesi", "3"},
        {"registro", "duplicati", "--tutti-gli-anni", "--anno", "2010"},
        {"elenco", "--tutti-gli-anni"},
    };
    for (const auto& caso : casi) {
        std::string riga;
        for (const std::string& a : caso) riga += a + " ";
        const TEsito esito = Esegui(caso);
        EXPECT_EQ(esito.stato, 2) << riga;
        EXPECT_EQ(esito.out, "") << riga;
        EXPECT_NE(esito.err.find("Uso: brivano-rubrica"), std::string::npos) << riga;
    }
    // Nothing was prepared for a command line that was refused.
    EXPECT_FALSE(fs::exists(home.path() / "config"));
    EXPECT_FALSE(fs::exists(programma.path() / "2010"));
}

}  // namespace
