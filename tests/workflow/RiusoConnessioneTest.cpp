// Sessions that carry several messages (RSET between them, the envelope
// pipelined when offered) and connections working one list side by side.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <thread>

#include "InvioDiProva.h"
#include "ServerSessioni.h"
#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "workflow/RegistroInvii.h"

using brivano::TStatoVoce;
using invioprova::TRegoleServer;
using invioprova::TRun;
using invioprova::TServerSessioni;

namespace {

std::vector<std::string> Indirizzi(int quanti) {
    std::vector<std::string> voci;
    for (int i = 0; i < quanti; ++i) voci.push_back("d" + std::to_string(i) + "@example.it");
    return voci;
}

// A run recorded in a journal of its own.
struct TRunRegistrata : TRun {
    TTempDir cartella;
    brivano::TRegistroInvii registro{brivano::TRegistroInvii::Percorso(cartella.path())};
    std::vector<std::string> voci;

    TRunRegistrata(int port, std::vector<std::string> elenco)
        : TRun(port), voci(std::move(elenco)) {
        opzioni.Registro = &registro;
        opzioni.Spedizione =
            registro.NuovaSpedizione({"test", "mario@example.it", "Offerta", {}}, voci);
    }
    brivano::TEsitoInvio Esegui(const brivano::TAvvisiInvio& avvisi = {}) {
        brivano::ImpostaConnessioni(opzioni, dati, limiti);
        return TRun::Esegui(voci, avvisi);
    }
    TStatoVoce Stato(const std::string& voce) const {
        for (const auto& v : registro.Voci(opzioni.Spedizione))
            if (v.Voce == voce) return v.Stato;
        ADD_FAILURE() << voce << " is not in the journal";
        return TStatoVoce::Fallito;
    }
    // Checked by the server before each 250: that entry is "in corso", and
    // every entry the same connection took before is "inviato".
    void ControllaStatiAl250(TRegoleServer& regole, std::vector<std::string>& errori) {
        auto presi = std::make_shared<std::map<int, std::vector<std::string>>>();
        regole.PrimaDel250 = [this, &errori, presi](int connessione,
                                                    const std::string& destinatario) {
            if (Stato(destinatario) != TStatoVoce::InCorso)
                errori.push_back(destinatario + " not in corso before its 250");
            for (const auto& preso : (*presi)[connessione])
                if (Stato(preso) != TStatoVoce::Inviato)
                    errori.push_back(preso + " not inviato after its 250");
            (*presi)[connessione].push_back(destinatario);
        };
    }
};

TEST(RiusoConnessione, ASessionCarriesItsShareWithRsetBetweenMessages) {
    struct TCaso {
        bool Pipelining;
        int PerConnessione;
        int Connessioni;  // expected
    };
    for (const TCaso caso :
         {TCaso{false, 1, 7}, TCaso{false, 3, 3}, TCaso{true, 3, 3}, TCaso{true, 10, 1}}) {
        SCOPED_TRACE("pipelining " + std::to_string(caso.Pipelining) + ", per connection " +
                     std::to_string(caso.PerConnessione));
        TRegoleServer regole;
        regole.Pipelining = caso.Pipelining;
        TServerSessioni server(regole);
        TRun run(server.Port());
        run.dati.PerConnessione = caso.PerConnessione;
        brivano::ImpostaConnessioni(run.opzioni, run.dati, run.limiti);
        const auto voci = Indirizzi(7);
        const auto esito = run.Esegui(voci);
        EXPECT_EQ(esito.Inviati, 7u);
        EXPECT_EQ(server.Connessioni(), caso.Connessioni);
        std::vector<std::string> attesi;
        for (std::size_t i = 0; i < voci.size(); ++i) {
            if (i % static_cast<std::size_t>(caso.PerConnessione) == 0)
                attesi.push_back("EHLO client.test");
            for (const std::string& c :
                 {std::string("RSET"), std::string("MAIL FROM:<mario@example.it>"),
                  "RCPT TO:<" + voci[i] + ">", std::string("DATA")})
                attesi.push_back(c);
            if ((i + 1) % static_cast<std::size_t>(caso.PerConnessione) == 0 ||
                i + 1 == voci.size())
                attesi.push_back("QUIT");
        }
        EXPECT_EQ(server.Comandi(), attesi);
    }
}

TEST(RiusoConnessione, RefusalsInMidSessionSettleOnlyTheirOwnEntry) {
    for (bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "pipelined" : "one command at a time");
        std::map<std::string, int> visti;
        std::vector<std::string> errori;
        TRegoleServer regole;
        regole.Pipelining = pipelining;
        // bruno 451 and dario 421 the first time, carla 550 always.
        regole.Rifiuto = [&visti](const std::string& comando) -> std::string {
            if (comando.rfind("RCPT TO:", 0) != 0) return "";
            const int volta = ++visti[comando];
            if (comando == "RCPT TO:<carla@example.it>") return "550 5.1.1 nessuna casella\r\n";
            if (volta > 1) return "";
            if (comando == "RCPT TO:<bruno@example.it>") return "451 4.3.0 riprova\r\n";
            if (comando == "RCPT TO:<dario@example.it>") return "421 4.7.0 chiudo\r\n";
            return "";
        };
        TRunRegistrata run(0, {"anna@example.it", "bruno@example.it", "carla@example.it",
                               "dario@example.it", "erika@example.it"});
        run.ControllaStatiAl250(regole, errori);
        TServerSessioni server(regole);
        run.dati.Porta = server.Port();
        run.dati.PerConnessione = 10;
        const auto esito = run.Esegui();

        EXPECT_EQ(errori, std::vector<std::string>{});
        EXPECT_EQ(server.Consegne(), (std::map<std::string, int>{{"anna@example.it", 1},
                                                                 {"bruno@example.it", 1},
                                                                 {"dario@example.it", 1},
                                                                 {"erika@example.it", 1}}));
        // anna to dario on the first session (closed by the 421), erika on a
        // new one, bruno and dario in the retry round on a third.
        EXPECT_EQ(server.Ordine(),
                  (std::vector<std::string>{"anna@example.it", "erika@example.it",
                                            "bruno@example.it", "dario@example.it"}));
        EXPECT_EQ(server.Connessioni(), 3);
        EXPECT_EQ(esito.Inviati, 4u);
        ASSERT_EQ(esito.Falliti.size(), 1u);
        EXPECT_EQ(esito.Falliti[0].Voce, "carla@example.it");
        EXPECT_NE(esito.Falliti[0].Errore.find("Dettagli: nessuna casella"), std::string::npos)
            << esito.Falliti[0].Errore;
        EXPECT_TRUE(esito.Rinviati.empty());
        for (const char* voce :
             {"anna@example.it", "bruno@example.it", "dario@example.it", "erika@example.it"})
            EXPECT_EQ(run.Stato(voce), TStatoVoce::Inviato) << voce;
        EXPECT_EQ(run.Stato("carla@example.it"), TStatoVoce::Fallito);
    }
}

TEST(RiusoConnessione, ASessionTheServerClosedIsOpenedAgainWithoutLosingTheEntry) {
    for (bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "pipelined" : "one command at a time");
        TRegoleServer regole;
        regole.Pipelining = pipelining;
        regole.ChiudiDopo = 2;
        TServerSessioni server(regole);
        TRun run(server.Port());
        run.dati.PerConnessione = 5;
        brivano::ImpostaConnessioni(run.opzioni, run.dati, run.limiti);
        const auto voci = Indirizzi(5);
        const auto esito = run.Esegui(voci);
        EXPECT_EQ(esito.Inviati, 5u);
        EXPECT_TRUE(esito.Falliti.empty());
        EXPECT_TRUE(esito.Rinviati.empty());
        for (const auto& voce : voci) EXPECT_EQ(server.Consegne()[voce], 1) << voce;
        EXPECT_EQ(server.Connessioni(), 3);
    }
}

TEST(ConnessioniParallele, FortyRecipientsOverFourConnectionsEachGetOneMessage) {
    const auto voci = Indirizzi(40);
    std::vector<std::string> errori;
    TRegoleServer regole;
    regole.Pipelining = true;
    regole.PausaMs = 2;
    TRunRegistrata run(0, voci);
    run.ControllaStatiAl250(regole, errori);
    TServerSessioni server(regole);
    run.dati.Porta = server.Port();
    run.dati.PerConnessione = 5;
    run.dati.Connessioni = 4;
    std::vector<std::size_t> avanzamento;
    std::atomic<int> dentro{0};
    std::atomic<bool> sovrapposti{false};
    brivano::TAvvisiInvio avvisi;
    avvisi.Inizio = [&](std::size_t, const std::string&) {
        // Notices come one at a time, whichever connection gives them.
        if (++dentro > 1) sovrapposti = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        --dentro;
    };
    avvisi.Fatto = [&](std::size_t fatti) { avanzamento.push_back(fatti); };
    const auto esito = run.Esegui(avvisi);

    EXPECT_EQ(errori, std::vector<std::string>{});
    EXPECT_FALSE(sovrapposti);
    EXPECT_EQ(esito.Inviati, 40u);
    EXPECT_EQ(avanzamento.size(), 40u);
    EXPECT_EQ(avanzamento.back(), 40u);
    const auto consegne = server.Consegne();
    EXPECT_EQ(consegne.size(), 40u);
    for (const auto& voce : voci)
        EXPECT_EQ(consegne.count(voce) ? consegne.at(voce) : 0, 1) << voce;
    // Sessions of at most five (a connection may end on a short one), more
    // than one at a time.
    EXPECT_GE(server.Connessioni(), 8);
    EXPECT_LE(server.Connessioni(), 12);
    EXPECT_GT(server.MassimoContemporanee(), 1);
    // The journal keeps the list's order.
    const auto registrate = run.registro.Voci(run.opzioni.Spedizione);
    ASSERT_EQ(registrate.size(), voci.size());
    for (std::size_t i = 0; i < voci.size(); ++i) {
        EXPECT_EQ(registrate[i].Posizione, i);
        EXPECT_EQ(registrate[i].Voce, voci[i]);
        EXPECT_EQ(registrate[i].Stato, TStatoVoce::Inviato);
    }
}

TEST(ConnessioniParallele, ResultsMeanWhatTheOneConnectionRunSays) {
    const auto voci = Indirizzi(24);
    auto esegui = [&voci](int perConnessione, int connessioni) {
        TRegoleServer regole;
        regole.Pipelining = true;
        // d3 refused, d7 always busy.
        regole.Rifiuto = [](const std::string& comando) -> std::string {
            if (comando == "RCPT TO:<d3@example.it>") return "550 5.1.1 nessuna casella\r\n";
            if (comando == "RCPT TO:<d7@example.it>") return "452 4.2.2 casella piena\r\n";
            return "";
        };
        TServerSessioni server(regole);
        TRun run(server.Port());
        run.opzioni.Tentativi = 1;
        run.dati.PerConnessione = perConnessione;
        run.dati.Connessioni = connessioni;
        brivano::ImpostaConnessioni(run.opzioni, run.dati, run.limiti);
        brivano::TAvvisiInvio avvisi;
        avvisi.Escluso = [](std::size_t i, const std::string&) { return i == 11; };
        auto esito = run.Esegui(voci, avvisi);
        return std::make_pair(esito, server.Consegne());
    };
    const auto [uno, consegneUno] = esegui(1, 1);
    const auto [quattro, consegneQuattro] = esegui(6, 4);
    EXPECT_EQ(consegneUno, consegneQuattro);
    EXPECT_EQ(uno.Inviati, 21u);
    EXPECT_EQ(quattro.Inviati, uno.Inviati);
    EXPECT_EQ(quattro.Esclusi, uno.Esclusi);
    EXPECT_EQ(quattro.Interrotto, uno.Interrotto);
    auto stesse = [](const std::vector<brivano::TFallimento>& a,
                     const std::vector<brivano::TFallimento>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].Indice, b[i].Indice);
            EXPECT_EQ(a[i].Voce, b[i].Voce);
            EXPECT_EQ(a[i].Errore, b[i].Errore);
        }
    };
    stesse(uno.Falliti, quattro.Falliti);
    stesse(uno.Rinviati, quattro.Rinviati);
    ASSERT_EQ(uno.Falliti.size(), 1u);
    EXPECT_EQ(uno.Falliti[0].Voce, "d3@example.it");
    ASSERT_EQ(uno.Rinviati.size(), 1u);
    EXPECT_EQ(uno.Rinviati[0].Voce, "d7@example.it");
}

TEST(ConnessioniParallele, StopEndsEveryConnectionAndLeavesNoEntryWrong) {
    const auto voci = Indirizzi(40);
    TRegoleServer regole;
    regole.Pipelining = true;
    regole.PausaMs = 40;
    TRunRegistrata run(0, voci);
    TServerSessioni server(regole);
    run.dati.Porta = server.Port();
    run.dati.PerConnessione = 5;
    run.dati.Connessioni = 4;
    run.limiti = {10000, 10000, {10000, 10000, 10000, 10000, 10000}, 10000};
    std::atomic<bool> ferma{false};
    run.opzioni.Interrompi = &ferma;
    brivano::TAvvisiInvio avvisi;
    std::atomic<int> iniziate{0};
    // Stopped once the connections have started their third entries.
    avvisi.Inizio = [&](std::size_t, const std::string&) {
        if (++iniziate == 10) ferma = true;
    };
    const auto esito = run.Esegui(avvisi);

    EXPECT_TRUE(esito.Interrotto);
    EXPECT_TRUE(esito.Falliti.empty());
    const auto consegne = server.Consegne();
    std::size_t inviate = 0;
    for (const auto& v : run.registro.Voci(run.opzioni.Spedizione)) {
        const int volte = consegne.count(v.Voce) ? consegne.at(v.Voce) : 0;
        switch (v.Stato) {
            case TStatoVoce::Inviato:
                ++inviate;
                EXPECT_EQ(volte, 1) << v.Voce;
                break;
            case TStatoVoce::DaInviare:
                EXPECT_EQ(volte, 0) << v.Voce;
                break;
            case TStatoVoce::InCorso:  // uncertain: the server may have it
                EXPECT_LE(volte, 1) << v.Voce;
                break;
            default:
                ADD_FAILURE() << v.Voce << " " << brivano::NomeStato(v.Stato);
        }
    }
    EXPECT_EQ(inviate, esito.Inviati);
    EXPECT_LT(inviate, 20u);
}

// A real server we did not write: sessions of four messages over three
// connections, RSET between messages since it offers no PIPELINING.
TEST(ConnessioniParallele, AiosmtpdGetsEachMessageOnceOverReusedSessions) {
    TTempDir posta;
    TSinkAiosmtpd sink(posta.path());
    ASSERT_TRUE(sink.Ready());
    const auto voci = Indirizzi(12);
    TRunRegistrata run(sink.Port(), voci);
    run.dati.PerConnessione = 4;
    run.dati.Connessioni = 3;
    const auto esito = run.Esegui();
    EXPECT_EQ(esito.Inviati, 12u);
    EXPECT_TRUE(esito.Falliti.empty());

    // Each recipient stored exactly once, alone in its envelope.
    std::map<std::string, int> ricevuti;
    for (int n = 1; n <= 24; ++n) {
        std::ifstream destinatari(posta.path() / (std::to_string(n) + ".rcpt"));
        if (!destinatari) break;
        for (std::string riga; std::getline(destinatari, riga);) ++ricevuti[riga];
    }
    EXPECT_EQ(ricevuti.size(), 12u);
    for (const auto& voce : voci) EXPECT_EQ(ricevuti[voce], 1) << voce;
    EXPECT_EQ(sink.Messages().size(), 12u);

    // Fewer greetings than messages, and an RSET before each later message
    // of a session.
    int ehlo = 0, rset = 0, mail = 0;
    for (const auto& riga : sink.Transcript()) {
        if (riga.rfind("clear EHLO", 0) == 0) ++ehlo;
        if (riga.rfind("clear RSET", 0) == 0) ++rset;
        if (riga.rfind("clear MAIL FROM", 0) == 0) ++mail;
    }
    EXPECT_EQ(mail, 12);
    EXPECT_GE(ehlo, 3);
    EXPECT_LE(ehlo, 6);
    EXPECT_GE(rset, 12 - ehlo);
    for (const auto& v : run.registro.Voci(run.opzioni.Spedizione))
        EXPECT_EQ(v.Stato, TStatoVoce::Inviato) << v.Voce;
}

}  // namespace
