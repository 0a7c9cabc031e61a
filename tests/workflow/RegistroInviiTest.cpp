// The journal of send runs: its states, resume, resend, export, and runs
// killed at random points then resumed.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "InvioDiProva.h"
#include "ServerSmtpFinto.h"
#include "TempDir.h"
#include "workflow/RegistroInvii.h"

using brivano::TRegistroInvii;
using brivano::TStatoVoce;

namespace {

constexpr TStatoVoce D = TStatoVoce::DaInviare, C = TStatoVoce::InCorso, I = TStatoVoce::Inviato,
                     R = TStatoVoce::Rinviato, F = TStatoVoce::Fallito, E = TStatoVoce::Escluso,
                     U = TStatoVoce::Incerto, B = TStatoVoce::Rimbalzato;

TEST(StatoVoce, MovesTheStateMachineAllows) {
    // Rows: from; columns in the order D C I R F E U B; last: final.
    const std::vector<std::pair<TStatoVoce, std::string>> tabella = {
        {D, "01011100-"}, {C, "11111110-"}, {I, "00000001F"}, {R, "01011100-"},
        {F, "10000000F"}, {E, "10000000F"}, {U, "10000000F"}, {B, "00100000F"},
    };
    const TStatoVoce tutti[] = {D, C, I, R, F, E, U, B};
    for (const auto& [da, ammessi] : tabella) {
        for (std::size_t n = 0; n < 8; ++n)
            EXPECT_EQ(brivano::TransizioneAmmessa(da, tutti[n]), ammessi[n] == '1')
                << brivano::NomeStato(da) << " -> " << brivano::NomeStato(tutti[n]);
        EXPECT_EQ(brivano::StatoFinale(da), ammessi[8] == 'F') << brivano::NomeStato(da);
    }
    for (TStatoVoce s : tutti) EXPECT_EQ(brivano::StatoDaNome(brivano::NomeStato(s)), s);
    EXPECT_FALSE(brivano::StatoDaNome("spedito"));
    using M = brivano::TMotivoEsclusione;
    for (M m : {M::NonInviare, M::Doppione, M::GiaServito, M::Scelta})
        EXPECT_EQ(brivano::MotivoDaNome(brivano::NomeMotivo(m)), m);
    EXPECT_EQ(brivano::MotivoDaNome("altro"), M::Nessuno);
}

brivano::TDatiSpedizione Dati() {
    return {"127.0.0.1:25 mario@example.it",
            "mario@example.it",
            "Offerta",
            {"uno", "", "tre, \"quattro\"", "", "", "", "", "otto"}};
}

TEST(RegistroInvii, KeepsRunsAndEntriesAcrossOpenings) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    std::int64_t id = 0;
    {
        TRegistroInvii registro(file);
        EXPECT_FALSE(registro.SpedizioneIncompiuta());
        id = registro.NuovaSpedizione(Dati(), {"a@x.it", "b@x.it", "c@x.it", "d@x.it"});
        registro.Segna(id, 0, C);
        registro.Segna(id, 0, I, 250, "OK queued");
        registro.Segna(id, 1, C);  // a crash here leaves it uncertain
        registro.Segna(id, 2, F, 550, "no such user");
        EXPECT_THROW(registro.Segna(id, 0, C), brivano::ERegistroInvii);
        EXPECT_THROW(registro.Segna(id, 9, C), brivano::ERegistroInvii);
    }
    TRegistroInvii registro(file);
    ASSERT_EQ(registro.SpedizioneIncompiuta(), id);
    const auto s = registro.Spedizione(id);
    EXPECT_EQ(s.Dati.Righe[2], "tre, \"quattro\"");
    EXPECT_EQ(s.Dati.Oggetto, "Offerta");
    EXPECT_EQ(s.Voci, 4u);
    EXPECT_EQ(s.Inviate, 1u);
    EXPECT_EQ(s.Incerte, 1u);
    EXPECT_EQ(s.Fallite, 1u);
    EXPECT_EQ(s.DaFare, 1u);
    const auto voci = registro.Voci(id);
    ASSERT_EQ(voci.size(), 4u);
    EXPECT_EQ(voci[0].Stato, I);
    EXPECT_EQ(voci[0].Codice, 250);
    EXPECT_EQ(voci[0].Tentativi, 1);
    EXPECT_EQ(voci[1].Stato, C);
    EXPECT_EQ(voci[2].Risposta, "no such user");

    // Resume without the uncertain one: it stays "incerto" for good.
    EXPECT_EQ(registro.Riprendi(id, false), std::vector<std::size_t>{3});
    EXPECT_EQ(registro.Voci(id)[1].Stato, U);
    EXPECT_EQ(registro.ReinviaFalliti(id), std::vector<std::size_t>{2});
    EXPECT_EQ(registro.Voci(id)[2].Stato, D);

    const auto csv = dir.path() / "storico.csv";
    registro.EsportaCsv(id, csv);
    std::ifstream in(csv);
    std::stringstream testo;
    testo << in.rdbuf();
    EXPECT_EQ(testo.str().substr(0, testo.str().find("\r\n")),
              "\xEF\xBB\xBFPosizione;Voce;Stato;Codice;Risposta;Message-ID;Tentativi;Aggiornata");
    EXPECT_NE(testo.str().find("\r\n1;a@x.it;inviato;250;OK queued;;1;"), std::string::npos);
    EXPECT_NE(testo.str().find("\r\n2;b@x.it;incerto;"), std::string::npos);
}

TEST(RegistroInvii, UncertainEntriesAreSentAgainOnlyWhenTicked) {
    TTempDir dir;
    TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    const auto id = registro.NuovaSpedizione(Dati(), {"a@x.it", "b@x.it"});
    registro.Segna(id, 0, C);
    EXPECT_EQ(registro.Riprendi(id, true), (std::vector<std::size_t>{0, 1}));
}

// A run recorded in a journal, against a counting server.
struct TRunRegistrata {
    TTempDir dir;
    invioprova::TServerContatore server;
    TRegistroInvii registro{TRegistroInvii::Percorso(dir.path())};
    std::vector<std::string> voci;

    explicit TRunRegistrata(std::size_t quante, int pausaMs = 0) : server(pausaMs) {
        for (std::size_t i = 0; i < quante; ++i)
            voci.push_back("dest" + std::to_string(i) + "@example.it");
    }
    // Sends the given positions of run `id`.
    brivano::TEsitoInvio Invia(std::int64_t id, const std::vector<std::size_t>& posizioni,
                               const std::atomic<bool>* ferma = nullptr) {
        invioprova::TRun run(server.Port());
        run.opzioni.Registro = &registro;
        run.opzioni.Spedizione = id;
        run.opzioni.Posizioni = posizioni;
        run.opzioni.Interrompi = ferma;
        std::vector<std::string> scelte;
        for (std::size_t p : posizioni) scelte.push_back(voci[p]);
        return run.Esegui(scelte);
    }
    std::vector<std::size_t> Tutte() const {
        std::vector<std::size_t> p(voci.size());
        for (std::size_t i = 0; i < p.size(); ++i) p[i] = i;
        return p;
    }
};

TEST(RegistroInvii, ResumeAfterAStopSendsTheRestOnce) {
    TRunRegistrata prova(6, 5);
    const auto id = prova.registro.NuovaSpedizione(Dati(), prova.voci);
    std::atomic<bool> ferma{false};
    std::thread pulsante([&] {
        // Stop once the second message went through.
        for (int i = 0; i < 400 && prova.server.Consegne().size() < 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ferma = true;
    });
    const auto primo = prova.Invia(id, prova.Tutte(), &ferma);
    pulsante.join();
    EXPECT_TRUE(primo.Interrotto);
    EXPECT_LT(primo.Inviati, 6u);
    // The stop may catch one message between its end of data and the 250:
    // that entry stays uncertain and is left out of the resume.
    const auto prima = prova.registro.Voci(id);
    const auto incerte = static_cast<std::size_t>(
        std::count_if(prima.begin(), prima.end(), [](const auto& v) { return v.Stato == C; }));
    EXPECT_LE(incerte, 1u);
    const auto resto = prova.registro.Riprendi(id, false);
    EXPECT_EQ(resto.size() + primo.Inviati + incerte, 6u);
    const auto secondo = prova.Invia(id, resto);
    EXPECT_EQ(secondo.Inviati, resto.size());
    const auto consegne = prova.server.Consegne();
    for (std::size_t i = 0; i < prima.size(); ++i) {
        const auto it = consegne.find(prova.voci[i]);
        const int volte = it == consegne.end() ? 0 : it->second;
        if (prima[i].Stato == C)
            EXPECT_LE(volte, 1) << prova.voci[i];
        else
            EXPECT_EQ(volte, 1) << prova.voci[i];
    }
    EXPECT_FALSE(prova.registro.SpedizioneIncompiuta());
}

TEST(RegistroInvii, ResendToFailedReachesOnlyThem) {
    TRunRegistrata prova(3);
    const auto id = prova.registro.NuovaSpedizione(Dati(), prova.voci);
    prova.voci[1] = "rotto>@example.it";
    const auto primo = prova.Invia(id, prova.Tutte());
    ASSERT_EQ(primo.Falliti.size(), 1u);
    prova.voci[1] = "dest1@example.it";
    const auto falliti = prova.registro.ReinviaFalliti(id);
    EXPECT_EQ(falliti, std::vector<std::size_t>{1});
    EXPECT_EQ(prova.Invia(id, falliti).Inviati, 1u);
    EXPECT_EQ(prova.server.Consegne().size(), 3u);
    for (const auto& [destinatario, volte] : prova.server.Consegne()) EXPECT_EQ(volte, 1);
}

TEST(RegistroInvii, KilledRunsResumeWithoutLossOrDuplicate) {
    std::mt19937 caso(14);
    for (int prova_n = 0; prova_n < 5; ++prova_n) {
        SCOPED_TRACE(prova_n);
        TRunRegistrata prova(8, 3);
        const auto id = prova.registro.NuovaSpedizione(Dati(), prova.voci);
        prova.registro.Rilascia(id);  // the child works it
        const int dopoMs = std::uniform_int_distribution<int>(5, 250)(caso);
        const pid_t figlio = ::fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            // The child opens its own journal and sends until it is killed.
            TRegistroInvii suo(TRegistroInvii::Percorso(prova.dir.path()));
            invioprova::TRun run(prova.server.Port());
            run.opzioni.Registro = &suo;
            run.opzioni.Spedizione = id;
            run.Esegui(prova.voci);
            ::_exit(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(dopoMs));
        ::kill(figlio, SIGKILL);
        int stato = 0;
        ::waitpid(figlio, &stato, 0);

        const auto prima = prova.registro.Voci(id);
        const auto resto = prova.registro.Riprendi(id, false);
        prova.Invia(id, resto);
        const auto consegne = prova.server.Consegne();
        for (std::size_t i = 0; i < prima.size(); ++i) {
            const auto it = consegne.find(prova.voci[i]);
            const int volte = it == consegne.end() ? 0 : it->second;
            if (prima[i].Stato == C) {
                // Uncertain: left out, delivered at most once.
                EXPECT_LE(volte, 1) << prova.voci[i];
                EXPECT_EQ(prova.registro.Voci(id)[i].Stato, U);
            } else {
                EXPECT_EQ(volte, 1) << prova.voci[i];
                EXPECT_EQ(prova.registro.Voci(id)[i].Stato, I);
            }
        }
    }
}

}  // namespace

namespace {

TEST(RegistroInvii, RecordsEachMessagesMessageId) {
    TRunRegistrata prova(3);
    const auto id = prova.registro.NuovaSpedizione(Dati(), prova.voci);
    EXPECT_EQ(prova.Invia(id, prova.Tutte()).Inviati, 3u);
    std::set<std::string> visti;
    for (const auto& v : prova.registro.Voci(id)) {
        EXPECT_EQ(v.Stato, I);
        EXPECT_EQ(v.MessageId.front(), '<') << v.MessageId;
        EXPECT_NE(v.MessageId.find("@example.it>"), std::string::npos) << v.MessageId;
        visti.insert(v.MessageId);
    }
    EXPECT_EQ(visti.size(), 3u);
    // A later move without a Message-ID keeps the one recorded.
    const std::string primo = prova.registro.Voci(id)[0].MessageId;
    prova.voci[1] = "rotto>@example.it";
    const auto altra = prova.registro.NuovaSpedizione(Dati(), prova.voci);
    prova.registro.Segna(altra, 0, C, 0, "", "<a@b>");
    prova.registro.Segna(altra, 0, F, 550, "no");
    EXPECT_EQ(prova.registro.Voci(altra)[0].MessageId, "<a@b>");
    EXPECT_EQ(prova.registro.Voci(id)[0].MessageId, primo);
}

TEST(RegistroInvii, AJournalWrittenBeforeTheMessageIdColumnStillOpens) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    {
        // The entries' table as the first journals had it.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "CREATE TABLE spedizioni(id INTEGER PRIMARY KEY, creata TEXT NOT "
                               "NULL, account TEXT NOT NULL, mittente TEXT NOT NULL, oggetto TEXT "
                               "NOT NULL, riga1 TEXT NOT NULL, riga2 TEXT NOT NULL, riga3 TEXT NOT "
                               "NULL, riga4 TEXT NOT NULL, riga5 TEXT NOT NULL, riga6 TEXT NOT "
                               "NULL, riga7 TEXT NOT NULL, riga8 TEXT NOT NULL);"
                               "CREATE TABLE voci(spedizione INTEGER NOT NULL, posizione INTEGER "
                               "NOT NULL, voce TEXT NOT NULL, stato TEXT NOT NULL, codice INTEGER "
                               "NOT NULL DEFAULT 0, risposta TEXT NOT NULL DEFAULT '', tentativi "
                               "INTEGER NOT NULL DEFAULT 0, aggiornata TEXT NOT NULL, PRIMARY "
                               "KEY(spedizione, posizione));"
                               "INSERT INTO spedizioni VALUES(1, '2026-01-02 03:04:05', 'h:25 a', "
                               "'a@x.it', 'Vecchio', '', '', '', '', '', '', '', '');"
                               "INSERT INTO voci VALUES(1, 0, 'b@x.it', 'in corso', 0, '', 1, "
                               "'2026-01-02 03:04:06');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    TRegistroInvii registro(file);
    ASSERT_EQ(registro.SpedizioneIncompiuta(), 1);
    EXPECT_EQ(registro.Voci(1).at(0).MessageId, "");
    registro.Segna(1, 0, I, 250, "OK", "<x@y.it>");
    EXPECT_EQ(registro.Voci(1).at(0).MessageId, "<x@y.it>");
    EXPECT_EQ(registro.Spedizione(1).Dati.Oggetto, "Vecchio");
    // Opened again: the column is there once.
    TRegistroInvii ancora(file);
    EXPECT_EQ(ancora.Voci(1).at(0).MessageId, "<x@y.it>");
}

}  // namespace

namespace {

TEST(RegistroInvii, EntriesKeepTheirContactsMergeFields) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    std::int64_t id = 0;
    {
        TRegistroInvii registro(file);
        // The third entry was typed by hand; the list of fields is shorter.
        id = registro.NuovaSpedizione(
            Dati(), {"a@x.it", "b@x.it", "c@x.it"},
            {{{"Ragione_Sociale", "Caffè Rossi & C."}, {"Citta", "Forlì"}}, {{"Tipo", ""}}});
        registro.Segna(id, 1, C);
        registro.Segna(id, 1, F, 550, "no");
    }
    TRegistroInvii registro(file);
    const auto voci = registro.Voci(id);
    ASSERT_EQ(voci.size(), 3u);
    EXPECT_EQ(voci[0].Campi, (brivano::TCampiContatto{{"Citta", "Forlì"},
                                                      {"Ragione_Sociale", "Caffè Rossi & C."}}));
    EXPECT_EQ(voci[1].Campi, (brivano::TCampiContatto{{"Tipo", ""}}));
    EXPECT_TRUE(voci[2].Campi.empty());
    // Put back by resend or resume, they still carry them.
    EXPECT_EQ(registro.ReinviaFalliti(id), std::vector<std::size_t>{1});
    EXPECT_EQ(registro.Voci(id)[1].Campi.size(), 1u);
    EXPECT_EQ(registro.Riprendi(id, false), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(registro.Voci(id)[0].Campi.at("Ragione_Sociale"), "Caffè Rossi & C.");
}

}  // namespace
