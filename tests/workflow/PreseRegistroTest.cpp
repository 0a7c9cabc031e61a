// One journal shared by processes: a run is worked by one process at a time,
// a message reaches each address once across runs and processes, the pace
// holds for all of them together, and a journal that is no journal stops
// every run.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "TempDir.h"
#include "basedati/BaseDati.h"
#include "workflow/Cadenza.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

using namespace brivano;

namespace {

constexpr TStatoVoce I = TStatoVoce::Inviato, E = TStatoVoce::Escluso, U = TStatoVoce::Incerto;

// The trials commit thousands of times: in memory when the machine has a
// memory-backed folder, so they take seconds, not minutes.
class TCartellaProve {
  public:
    TCartellaProve() {
        const bool memoria = std::filesystem::is_directory("/dev/shm");
        std::string modello = memoria ? "/dev/shm/brivano-prova-XXXXXX" : "";
        if (memoria && ::mkdtemp(modello.data())) {
            path_ = modello;
        } else {
            riserva_ = std::make_unique<TTempDir>();
            path_ = riserva_->path();
        }
    }
    ~TCartellaProve() {
        std::error_code ec;
        if (!riserva_) std::filesystem::remove_all(path_, ec);
    }
    TCartellaProve(const TCartellaProve&) = delete;
    TCartellaProve& operator=(const TCartellaProve&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
    std::unique_ptr<TTempDir> riserva_;
};

TDatiSpedizione Dati() {
    return {"127.0.0.1:25 io@example.it", "io@example.it", "Offerta", {"uno"}};
}

std::vector<std::string> Indirizzi(std::size_t quanti) {
    std::vector<std::string> voci;
    for (std::size_t i = 0; i < quanti; ++i) voci.push_back("d" + std::to_string(i) + "@x.it");
    return voci;
}

// A loopback sink: each child connects once and writes one line per message
// it delivered; once the children are gone the lines are counted.
class TPozzo {
  public:
    TPozzo() : fd_(smtptest::BindLoopback(porta_, true, 64)) {}
    ~TPozzo() { ::close(fd_); }
    TPozzo(const TPozzo&) = delete;
    TPozzo& operator=(const TPozzo&) = delete;

    // In a child.
    int Collega() const {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(porta_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? s : -1;
    }
    // Every line of the connections waiting, counted.
    std::map<std::string, int> Conta() {
        std::map<std::string, int> conteggi;
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
        for (int c; (c = ::accept(fd_, nullptr, nullptr)) >= 0;) {
            std::string testo;
            char buf[4096];
            for (ssize_t n; (n = ::read(c, buf, sizeof buf)) > 0;)
                testo.append(buf, static_cast<std::size_t>(n));
            ::close(c);
            for (std::size_t i = 0, fine; (fine = testo.find('\n', i)) != std::string::npos;
                 i = fine + 1)
                ++conteggi[testo.substr(i, fine - i)];
        }
        return conteggi;
    }

  private:
    int porta_ = 0;
    int fd_;
};

// Sends what the journal lets through, one line to the sink per message.
void Consegna(TRegistroInvii& registro, std::int64_t id, const std::vector<std::size_t>& posizioni,
              int presa) {
    const auto voci = registro.Voci(id);
    for (std::size_t p : posizioni) {
        if (!registro.Avvia(id, p).Via) continue;
        const std::string riga = voci[p].Voce + "\n";
        if (::write(presa, riga.data(), riga.size()) != static_cast<ssize_t>(riga.size()))
            ::_exit(4);
        registro.Segna(id, p, I, 250, "2.0.0 Ok");
    }
}

// Starts `quanti` children that wait on one barrier, so they start at once,
// runs `corpo` in each (its exit code: 0 done, 3 refused), and returns the
// exit codes.
std::vector<int> Figli(int quanti, const std::function<int()>& corpo) {
    int barriera[2];
    EXPECT_EQ(::pipe(barriera), 0);
    std::vector<pid_t> figli;
    for (int i = 0; i < quanti; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(barriera[1]);
            char c;
            (void)!::read(barriera[0], &c, 1);  // returns when the parent closes its end
            int codice = 2;
            try {
                codice = corpo();
            } catch (const ERegistroInvii& e) {
                if (std::getenv("BRIVANO_TRACCIA")) std::cerr << e.what() << "\n";
                codice = 3;
            } catch (...) {
                codice = 2;
            }
            ::_exit(codice);
        }
        figli.push_back(pid);
    }
    ::close(barriera[0]);
    ::close(barriera[1]);
    std::vector<int> codici;
    for (pid_t pid : figli) {
        int stato = 0;
        ::waitpid(pid, &stato, 0);
        codici.push_back(WIFEXITED(stato) ? WEXITSTATUS(stato) : -1);
    }
    return codici;
}

TEST(PreseRegistro, TwoProcessesResumingOneRunDeliverEachMessageOnce) {
    const int Prove = std::getenv("BRIVANO_PROVE") ? std::atoi(std::getenv("BRIVANO_PROVE")) : 50;
    int rifiutati = 0;
    for (int prova = 0; prova < Prove; ++prova) {
        SCOPED_TRACE(prova);
        TCartellaProve dir;
        const auto file = TRegistroInvii::Percorso(dir.path());
        std::int64_t id = 0;
        {
            // A run left half done by a process that is gone.
            TRegistroInvii registro(file);
            id = registro.NuovaSpedizione(Dati(), Indirizzi(8));
            registro.Segna(id, 0, TStatoVoce::InCorso);
            registro.Segna(id, 0, I, 250, "ok");
        }
        TPozzo pozzo;
        const auto codici = Figli(2, [&] {
            const int presa = pozzo.Collega();
            TRegistroInvii registro(file);
            Consegna(registro, id, registro.Riprendi(id, false), presa);
            return 0;
        });
        for (int c : codici) EXPECT_TRUE(c == 0 || c == 3) << c;
        rifiutati += static_cast<int>(std::count(codici.begin(), codici.end(), 3));
        const auto conteggi = pozzo.Conta();
        EXPECT_EQ(conteggi.size(), 7u);
        for (const auto& [voce, volte] : conteggi) EXPECT_EQ(volte, 1) << voce;
        TRegistroInvii registro(file);
        EXPECT_TRUE(registro.Spedizione(id).Finita());
        EXPECT_FALSE(registro.SpedizioneIncompiuta());
    }
    // Most trials meet the other process's claim; the rest find nothing left.
    std::cout << "[ prove ] " << Prove << " prove di ripresa a due processi, " << rifiutati
              << " prese rifiutate, nessun doppio invio\n";
}

TEST(PreseRegistro, TwoProcessesStartingRunsOfOneMessageDeliverEachOnce) {
    const int Prove = std::getenv("BRIVANO_PROVE") ? std::atoi(std::getenv("BRIVANO_PROVE")) : 50;
    std::size_t esclusi = 0;
    for (int prova = 0; prova < Prove; ++prova) {
        SCOPED_TRACE(prova);
        TCartellaProve dir;
        // No journal yet: both processes make it at the same moment.
        const auto file = TRegistroInvii::Percorso(dir.path());
        TPozzo pozzo;
        const auto codici = Figli(2, [&] {
            const int presa = pozzo.Collega();
            TRegistroInvii registro(file);
            const auto voci = Indirizzi(8);
            const auto id =
                registro.NuovaSpedizione(Dati(), voci, {}, {}, {"offerta-1", false, {}});
            std::vector<std::size_t> tutte(voci.size());
            for (std::size_t i = 0; i < tutte.size(); ++i) tutte[i] = i;
            Consegna(registro, id, tutte, presa);
            return 0;
        });
        EXPECT_EQ(codici, (std::vector<int>{0, 0}));
        const auto conteggi = pozzo.Conta();
        EXPECT_EQ(conteggi.size(), 8u);
        for (const auto& [voce, volte] : conteggi) EXPECT_EQ(volte, 1) << voce;
        TRegistroInvii registro(file);
        for (const auto& s : registro.Spedizioni()) {
            EXPECT_TRUE(s.Finita());
            esclusi += s.PerStato[static_cast<std::size_t>(E)];
            for (const auto& v : registro.Voci(s.Id))
                EXPECT_TRUE(v.Stato != E || v.Motivo == TMotivoEsclusione::GiaServito);
        }
    }
    EXPECT_EQ(esclusi, 8u * Prove);
    std::cout << "[ prove ] " << Prove << " prove di due invii avviati insieme, " << esclusi
              << " voci escluse come già servite, nessun doppio invio\n";
}

TEST(PreseRegistro, TwoProcessesTogetherKeepOnePerMinuteLimit) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    { TRegistroInvii crea(file); }
    TLimitiInvio limiti;
    limiti.PerMinuto = 5;
    const auto t0 = std::chrono::system_clock::now();
    TPozzo pozzo;
    Figli(2, [&] {
        const int presa = pozzo.Collega();
        const TRegistroInvii registro(file);
        // Each tries ten starts within the same second.
        for (int i = 0; i < 10; ++i)
            if (!registro.PrenotaTurno("conto", limiti, t0 + std::chrono::milliseconds(i)))
                (void)!::write(presa, "via\n", 4);
        return 0;
    });
    EXPECT_EQ(pozzo.Conta()["via"], 5);
    const TRegistroInvii registro(file);
    const auto prossimo = registro.PrenotaTurno("conto", limiti, t0 + std::chrono::seconds(1));
    ASSERT_TRUE(prossimo);
    EXPECT_GE(*prossimo, t0 + std::chrono::milliseconds(59999));
    EXPECT_FALSE(registro.PrenotaTurno("altro conto", limiti, t0));
}

TEST(PreseRegistro, TwoPacesOnOneJournalShareTheLimit) {
    TTempDir dir;
    const TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    TLimitiInvio limiti;
    limiti.PerMinuto = 3;
    TIstante ora = std::chrono::system_clock::now();
    std::vector<TIstante> attese;
    auto nuova = [&] {
        auto cadenza = std::make_unique<TCadenza>(
            limiti, std::vector<TIstante>{}, [&] { return ora; },
            [&](TIstante fino) {
                attese.push_back(fino);
                return false;  // stop rather than wait
            });
        cadenza->TurnoCondiviso = [&](TIstante adesso) {
            return registro.PrenotaTurno("conto", limiti, adesso);
        };
        return cadenza;
    };
    const auto prima = nuova(), seconda = nuova();
    int partiti = 0;
    for (int i = 0; i < 4; ++i)
        for (TCadenza* c : {prima.get(), seconda.get()})
            if (c->AttendiTurno()) {
                ++partiti;
                c->Registra(true);
            }
    EXPECT_EQ(partiti, 3);
    ASSERT_FALSE(attese.empty());
    EXPECT_GE(attese.front(), ora + std::chrono::milliseconds(59999));
}

TEST(PreseRegistro, AClaimIsTakenOverOnlyWhenItsOwnerIsGoneOrItsLeaseRanOut) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    std::int64_t id = 0;
    {
        TRegistroInvii registro(file);
        id = registro.NuovaSpedizione(Dati(), Indirizzi(2));
    }
    int pronto[2];
    ASSERT_EQ(::pipe(pronto), 0);
    const pid_t figlio = ::fork();
    ASSERT_GE(figlio, 0);
    if (figlio == 0) {
        TRegistroInvii suo(file);
        suo.Prendi(id);
        (void)!::write(pronto[1], "x", 1);
        for (int i = 0; i < 300; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(pronto[0], &c, 1), 1);
    ::close(pronto[0]);
    ::close(pronto[1]);
    TRegistroInvii registro(file);
    ASSERT_TRUE(registro.Titolare(id));
    EXPECT_EQ(registro.Titolare(id)->Pid, figlio);
    EXPECT_THROW(registro.Prendi(id), ERegistroInvii);
    EXPECT_THROW(registro.Segna(id, 0, TStatoVoce::InCorso), ERegistroInvii);
    EXPECT_THROW(registro.Riprendi(id, false), ERegistroInvii);
    ::kill(figlio, SIGKILL);
    int stato = 0;
    ::waitpid(figlio, &stato, 0);
    EXPECT_EQ(registro.SpedizioneIncompiuta(), id);
    registro.Prendi(id);
    ASSERT_TRUE(registro.Titolare(id));
    EXPECT_TRUE(registro.Titolare(id)->Nostra);

    // Another object, even in this process, waits its turn.
    TRegistroInvii altro(file);
    EXPECT_THROW(altro.Prendi(id), ERegistroInvii);
    EXPECT_THROW(altro.Avvia(id, 0), ERegistroInvii);
    registro.Rilascia(id);
    altro.Prendi(id);

    // On another host only the lease tells.
    struct TCaso {
        std::int64_t ScadenzaDaOraMs;
        bool Presa;
    };
    for (const TCaso& caso : {TCaso{60000, false}, TCaso{-1000, true}}) {
        altro.Rilascia(id);
        {
            TBaseDati db(file, {});
            TComandoSql riga(db,
                             "INSERT OR REPLACE INTO prese VALUES(?, 1, 'altro-host', '', 'g', ?)");
            const auto ora = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
            riga.Intero(1, id).Intero(2, ora + caso.ScadenzaDaOraMs).Esegui();
        }
        if (caso.Presa) {
            EXPECT_NO_THROW(altro.Prendi(id));
        } else {
            EXPECT_THROW(altro.Prendi(id), ERegistroInvii);
        }
    }

    // A lease is renewed while its holder lives.
    TTempDir dir2;
    TRegistroInvii breve(TRegistroInvii::Percorso(dir2.path()));
    breve.DurataPresa(std::chrono::milliseconds(150));
    const auto altra = breve.NuovaSpedizione(Dati(), Indirizzi(1));
    const auto prima = breve.Titolare(altra)->ScadenzaMs;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(breve.Titolare(altra));
    EXPECT_GT(breve.Titolare(altra)->ScadenzaMs, prima + 200);
}

TEST(PreseRegistro, EntriesLeftOutEndExcludedWithTheirReasonAndTheRunFinishes) {
    TTempDir dir;
    TNonInviare nonInviare(PercorsoNonInviare(dir.str()));
    nonInviare.Aggiungi("Carla Bianchi <Carla@Example.IT.>");
    TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    const std::vector<std::string> voci = {"anna@x.it", "Anna <ANNA@x.it>", "<anna@X.IT.>",
                                           "carla@example.it", "bruno@x.it"};
    const auto motivi = Esclusioni(voci, &nonInviare);
    using M = TMotivoEsclusione;
    EXPECT_EQ(motivi,
              (std::vector<M>{M::Nessuno, M::Doppione, M::Doppione, M::NonInviare, M::Nessuno}));
    const auto id = registro.NuovaSpedizione(Dati(), voci, {}, motivi, {"offerta-1", false, {}});
    const auto posizioni = registro.Riprendi(id, false);
    EXPECT_EQ(posizioni, (std::vector<std::size_t>{0, 4}));
    for (std::size_t p : posizioni) {
        ASSERT_TRUE(registro.Avvia(id, p, "<m" + std::to_string(p) + "@x>").Via);
        registro.Segna(id, p, I, 250, "ok");
    }
    EXPECT_TRUE(registro.Spedizione(id).Finita());
    EXPECT_FALSE(registro.SpedizioneIncompiuta());
    EXPECT_EQ(registro.Voci(id)[3].Motivo, M::NonInviare);
    EXPECT_EQ(registro.Voci(id)[0].MessageId, "<m0@x>");

    // The same message again: those served are named and left out unless
    // the user asks; a duplicate the caller missed is caught on the way.
    const std::vector<std::string> ancora = {"ANNA@x.it", "dario@x.it", "dario@x.it"};
    const std::vector<std::string> offerta(ancora.size(), "offerta-1");
    const auto serviti = registro.GiaServiti(ancora, offerta);
    ASSERT_EQ(serviti.size(), 1u);
    EXPECT_EQ(serviti[0].Indice, 0u);
    EXPECT_EQ(serviti[0].Spedizione, id);
    EXPECT_TRUE(registro.GiaServiti(ancora, {"altro", "altro", "altro"}).empty());
    EXPECT_EQ(Esclusioni(ancora, &nonInviare, &registro, offerta),
              (std::vector<M>{M::GiaServito, M::Nessuno, M::Doppione}));
    const auto seconda = registro.NuovaSpedizione(Dati(), ancora, {}, {}, {"offerta-1", false, {}});
    EXPECT_EQ(registro.Avvia(seconda, 0).Motivo, M::GiaServito);
    EXPECT_TRUE(registro.Avvia(seconda, 1).Via);
    EXPECT_EQ(registro.Avvia(seconda, 2).Motivo, M::Doppione);
    const auto terza = registro.NuovaSpedizione(Dati(), ancora, {}, {}, {"offerta-1", true, {}});
    EXPECT_TRUE(registro.Avvia(terza, 0).Via);

    // Closed by the user: what was left is theirs to leave, the uncertain
    // stays uncertain, and the run is never offered again.
    registro.Chiudi(seconda);
    registro.Segna(terza, 1, TStatoVoce::Escluso);
    registro.Chiudi(terza);
    EXPECT_EQ(registro.Voci(terza)[0].Stato, U);
    EXPECT_EQ(registro.Voci(terza)[2].Motivo, M::Scelta);
    EXPECT_TRUE(registro.Spedizione(terza).Finita());
    EXPECT_FALSE(registro.SpedizioneIncompiuta());
}

TEST(PreseRegistro, AJournalThatIsNoJournalStopsEveryRunAndIsKept) {
    struct TCaso {
        const char* Nome;
        std::function<void(const std::filesystem::path&)> Prepara;
        const char* Motivo;
    };
    const TCaso casi[] = {
        {"vuoto", [](const auto& f) { std::ofstream(f, std::ios::binary); }, "vuoto"},
        {"testo", [](const auto& f) { std::ofstream(f) << "Invio,Voce\n1,a@x.it\n"; },
         "non è un registro"},
        {"estraneo",
         [](const auto& f) {
             TOpzioniBaseDati opzioni;
             opzioni.Crea = true;
             TBaseDati db(f, opzioni);
             db.Esegui("CREATE TABLE clienti(nome TEXT); INSERT INTO clienti VALUES('x')");
         },
         "altro programma"},
        {"troncato",
         [](const auto& f) {
             {
                 TRegistroInvii registro(f);
                 for (int i = 0; i < 20; ++i) registro.NuovaSpedizione(Dati(), Indirizzi(40));
             }
             std::filesystem::resize_file(f, std::filesystem::file_size(f) / 2);
         },
         "danneggiato"},
    };
    for (const TCaso& caso : casi) {
        SCOPED_TRACE(caso.Nome);
        TTempDir dir;
        const auto file = TRegistroInvii::Percorso(dir.path());
        caso.Prepara(file);
        const auto dimensione = std::filesystem::file_size(file);
        try {
            TRegistroInvii registro(file);
            ADD_FAILURE() << "aperto";
        } catch (const ERegistroInvii& e) {
            const std::string testo = e.what();
            EXPECT_NE(testo.find(caso.Motivo), std::string::npos) << testo;
            EXPECT_NE(testo.find("nessun invio parte"), std::string::npos) << testo;
            EXPECT_NE(testo.find("messo da parte"), std::string::npos) << testo;
        }
        EXPECT_FALSE(std::filesystem::exists(file));
        std::vector<std::filesystem::path> daParte;
        for (const auto& voce : std::filesystem::directory_iterator(dir.path()))
            if (voce.path().filename().string().find(".guasto-") != std::string::npos &&
                !voce.path().string().ends_with("-wal") && !voce.path().string().ends_with("-shm"))
                daParte.push_back(voce.path());
        ASSERT_EQ(daParte.size(), 1u);
        EXPECT_EQ(std::filesystem::file_size(daParte[0]), dimensione);
        // No new journal behind the user's back, until the old one is moved.
        EXPECT_THROW(TRegistroInvii{file}, ERegistroInvii);
        EXPECT_FALSE(std::filesystem::exists(file));
        std::filesystem::rename(daParte[0], dir.path() / "controllare.sqlite");
        TRegistroInvii nuovo(file);
        EXPECT_TRUE(nuovo.Spedizioni().empty());
    }
}

}  // namespace
