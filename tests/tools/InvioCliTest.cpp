// brivano-invio run as a user runs it, in separate processes on private XDG
// folders: a run sent at once, bad arguments, a scheduled run started by two
// esegui-programmati side by side, which sends each message once, and one
// whose process was killed, finished by the next without a duplicate.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "workflow/AccountInvio.h"
#include "workflow/Programmati.h"
#include "workflow/RegistroInvii.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Leggi(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TProcesso {
    pid_t pid = -1;
    fs::path out, err;
};

class InvioCli : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_RUNTIME_DIR", home.path().c_str(), 1);
        ScriviReg(KeyBrivano, "PathDatiGen", dati.str());
        // A recipient with "ferma" gets no answer, as from a server that hangs.
        sink = std::make_unique<TSinkAiosmtpd>(
            posta.path(), std::vector<std::string>{"plain", "--stall", "ferma"});
        ASSERT_TRUE(sink->Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
        brivano::TAccountInvio account;
        account.Host = "127.0.0.1";
        account.Porta = sink->Port();
        account.Mittente = "mario@example.it";
        brivano::ScriviAccount(account);
        brivano::TRegistroInvii crea(brivano::TRegistroInvii::Percorso(dati.path()));
    }

    TProcesso Avvia(const std::vector<std::string>& argomenti,
                    const std::string& eseguibile = BRIVANO_INVIO_EXE) {
        static int numero = 0;
        TProcesso p;
        p.out = file.path() / ("out" + std::to_string(++numero));
        p.err = file.path() / ("err" + std::to_string(numero));
        posix_spawn_file_actions_t azioni;
        posix_spawn_file_actions_init(&azioni);
        posix_spawn_file_actions_addopen(&azioni, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&azioni, 1, p.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&azioni, 2, p.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<char*> argv{const_cast<char*>(eseguibile.c_str())};
        for (const std::string& a : argomenti) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&p.pid, eseguibile.c_str(), &azioni, nullptr, argv.data(), environ) != 0)
            p.pid = -1;
        posix_spawn_file_actions_destroy(&azioni);
        return p;
    }

    // The exit status within two minutes; -1 (the process killed) otherwise.
    static int Attendi(const TProcesso& p) {
        const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        int stato = 0;
        while (p.pid > 0 && std::chrono::steady_clock::now() < limite) {
            if (waitpid(p.pid, &stato, WNOHANG) == p.pid)
                return WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (p.pid > 0) {
            kill(p.pid, SIGKILL);
            waitpid(p.pid, nullptr, 0);
        }
        return -1;
    }

    std::map<std::string, int> Consegne() const {
        std::map<std::string, int> conta;
        for (int n = 1; n < 1000 && fs::exists(posta.path() / (std::to_string(n) + ".rcpt")); ++n) {
            std::istringstream righe(Leggi(posta.path() / (std::to_string(n) + ".rcpt")));
            for (std::string r; std::getline(righe, r);)
                if (!r.empty()) ++conta[r];
        }
        return conta;
    }

    TScopedXdgHome home;
    TTempDir dati, posta, file;
    std::unique_ptr<TSinkAiosmtpd> sink;
};

TEST_F(InvioCli, SendsARunAtOnceAndTellsBadArguments) {
    std::ofstream(file.path() / "testo.txt") << "Gentile {{Ragione_Sociale|cliente}},\nsaluti.\n";
    std::ofstream(file.path() / "a.txt")
        << "anna@example.it\tRagione_Sociale=Anna Srl\nbruno@example.it\n";
    const TProcesso p =
        Avvia({"invia", "--oggetto", "Novità", "--testo", (file.path() / "testo.txt").string(),
               "--a", (file.path() / "a.txt").string()});
    EXPECT_EQ(Attendi(p), 0) << Leggi(p.err);
    EXPECT_EQ(Consegne(),
              (std::map<std::string, int>{{"anna@example.it", 1}, {"bruno@example.it", 1}}));

    const TProcesso elenco = Avvia({"elenco"});
    EXPECT_EQ(Attendi(elenco), 0);
    EXPECT_NE(Leggi(elenco.out).find("concluso      2/2  Novità"), std::string::npos)
        << Leggi(elenco.out);

    struct Caso {
        std::vector<std::string> argomenti;
        int stato;
        std::string errore;
    };
    const std::vector<Caso> casi = {
        {{"spedisci"}, 2, "comando sconosciuto: spedisci"},
        {{"mostra"}, 2, "mostra vuole il numero di un invio"},
        {{"riprendi", "x"}, 2, "numero di invio non valido: x"},
        {{"invia", "--oggetto", "a"}, 2, "invia vuole --testo FILE e uno tra --a FILE"},
        {{"invia", "--testo", "t", "--a", "a", "--segmento", "s"},
         2,
         "uno tra --a FILE e --segmento"},
        {{"invia", "--testo", "/nessuno", "--a", "/nessuno"}, 1, "Impossibile leggere /nessuno"},
    };
    for (const auto& c : casi) {
        const TProcesso q = Avvia(c.argomenti);
        EXPECT_EQ(Attendi(q), c.stato) << c.argomenti[0];
        EXPECT_NE(Leggi(q.err).find(c.errore), std::string::npos) << Leggi(q.err);
    }
}

TEST_F(InvioCli, SendsToTheContactsOfASavedSegment) {
    // Both tools from one private folder, where a first start puts the archive.
    TTempDir programma;
    const fs::path rubrica = programma.path() / "brivano-rubrica";
    const fs::path invio = programma.path() / "brivano-invio";
    fs::copy_file(BRIVANO_RUBRICA_EXE, rubrica);
    fs::copy_file(BRIVANO_INVIO_EXE, invio);
    std::ofstream(file.path() / "contatti.csv")
        << "Ragione Sociale;Città;Email\r\nAnna Srl;Roma;anna@example.it\r\n"
           "Bruno;Milano;bruno@example.it\r\nCarla;Roma;\r\nDora Spa;roma;dora@example.it\r\n";
    std::ofstream(file.path() / "testo.txt") << "Gentile {{Ragione_Sociale}} di {{Citta}}\n";
    for (const std::vector<std::string>& passo :
         {std::vector<std::string>{"importa", (file.path() / "contatti.csv").string()},
          std::vector<std::string>{"registro", "segmento", "Romani", "--citta", "Roma"}}) {
        const TProcesso p = Avvia(passo, rubrica.string());
        ASSERT_EQ(Attendi(p), 0) << Leggi(p.err);
    }
    const auto invia = [&](const std::string& segmento) {
        return Avvia({"invia", "--oggetto", "Roma", "--testo", (file.path() / "testo.txt").string(),
                      "--segmento", segmento},
                     invio.string());
    };
    const TProcesso p = invia("Romani");
    EXPECT_EQ(Attendi(p), 0) << Leggi(p.err);
    EXPECT_EQ(Consegne(),
              (std::map<std::string, int>{{"anna@example.it", 1}, {"dora@example.it", 1}}));
    bool conCampi = false;
    for (int n = 1; n <= 2; ++n)
        conCampi |=
            Leggi(posta.path() / (std::to_string(n) + ".eml")).find("Gentile Dora Spa di roma") !=
            std::string::npos;
    EXPECT_TRUE(conCampi);

    const TProcesso ignoto = invia("Nessuno");
    EXPECT_EQ(Attendi(ignoto), 1);
    EXPECT_NE(Leggi(ignoto.err).find("Nessuno"), std::string::npos) << Leggi(ignoto.err);
}

TEST_F(InvioCli, TwoStartersSendAScheduledRunOnce) {
    brivano::TProgrammati programmati(brivano::TRegistroInvii::Percorso(dati.path()));
    brivano::TDatiInvio testi;
    testi.Oggetto = "Programmato";
    testi.Righe[0] = "Buongiorno {{Ragione_Sociale}}";
    std::vector<std::string> voci;
    std::vector<brivano::TCampiContatto> campi;
    for (int i = 0; i < 6; ++i) {
        voci.push_back("cliente" + std::to_string(i) + "@example.it");
        campi.push_back({{"Ragione_Sociale", "Ditta " + std::to_string(i)}});
    }
    const auto adesso = std::chrono::system_clock::now();
    programmati.Aggiungi(testi, voci, campi, adesso + std::chrono::hours(1));
    const std::int64_t dovuto =
        programmati.Aggiungi(testi, voci, campi, adesso - std::chrono::minutes(1));

    const TProcesso uno = Avvia({"esegui-programmati"});
    const TProcesso due = Avvia({"esegui-programmati"});
    EXPECT_EQ(Attendi(uno), 0) << Leggi(uno.err);
    EXPECT_EQ(Attendi(due), 0) << Leggi(due.err);

    std::map<std::string, int> attese;
    for (const auto& v : voci) attese[v] = 1;
    EXPECT_EQ(Consegne(), attese);
    const auto avviato = programmati.Leggi(dovuto);
    ASSERT_TRUE(avviato);
    EXPECT_EQ(avviato->Stato, brivano::TStatoProgrammato::Avviato);
    EXPECT_NE(avviato->Spedizione, 0);
    // The one due later still waits.
    EXPECT_EQ(programmati.Dovuti(adesso + std::chrono::minutes(59)).size(), 0u);
    EXPECT_EQ(programmati.Dovuti(adesso + std::chrono::minutes(61)).size(), 1u);
}

TEST_F(InvioCli, ARunWhoseProcessWasKilledIsFinishedByTheNextStarterWithoutADuplicate) {
    brivano::TProgrammati programmati(brivano::TRegistroInvii::Percorso(dati.path()));
    brivano::TDatiInvio testi;
    testi.Oggetto = "Ripreso";
    testi.Righe[0] = "Buongiorno";
    const std::vector<std::string> voci = {"uno@example.it", "due@example.it", "ferma@example.it",
                                           "quattro@example.it", "cinque@example.it"};
    const std::int64_t id = programmati.Aggiungi(
        testi, voci, std::vector<brivano::TCampiContatto>(5), std::chrono::system_clock::now());

    // Killed while the server keeps it waiting on the third recipient.
    const TProcesso ucciso = Avvia({"esegui-programmati"});
    const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (Leggi(posta.path() / "transcript.txt").find("RCPT TO:<ferma@") == std::string::npos &&
           std::chrono::steady_clock::now() < limite)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(kill(ucciso.pid, SIGKILL), 0);
    ASSERT_EQ(Attendi(ucciso), -1);
    const std::map<std::string, int> primi = {{"due@example.it", 1}, {"uno@example.it", 1}};
    ASSERT_EQ(Consegne(), primi);

    // The next starter takes the run over (its holder is gone) and sends
    // the rest; the entry under way when the process died stays uncertain
    // (exit status 3: not every entry went).
    const TProcesso seguente = Avvia({"esegui-programmati"});
    EXPECT_EQ(Attendi(seguente), 3) << Leggi(seguente.err);
    std::map<std::string, int> attese = primi;
    attese["quattro@example.it"] = attese["cinque@example.it"] = 1;
    EXPECT_EQ(Consegne(), attese);
    const TProcesso mostra = Avvia({"mostra", std::to_string(programmati.Leggi(id)->Spedizione)});
    EXPECT_EQ(Attendi(mostra), 0);
    const std::string elenco = Leggi(mostra.out);
    const std::size_t ferma = elenco.find("ferma@example.it");
    ASSERT_NE(ferma, std::string::npos) << elenco;
    const std::string riga = elenco.substr(ferma, elenco.find('\n', ferma) - ferma);
    EXPECT_TRUE(riga.find("in corso") != std::string::npos ||
                riga.find("incerto") != std::string::npos)
        << riga;
}

}  // namespace
