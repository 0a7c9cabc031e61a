// Send runs against servers that misbehave: every recipient is settled within
// its limits and the run goes on with the next one on a new connection.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "InvioDiProva.h"
#include "ServerSmtpFinto.h"

using invioprova::ServiDialogo;
using invioprova::TRun;
using smtptest::TPeer;

namespace {

// First connection misbehaves as given; the second is a willing server.
struct TScortese {
    const char* Nome;
    std::function<void(TPeer&)> Prima;
    const char* Errore;  // the first entry's failure text
    bool TestoGrande = false;
};

std::string Lunga(std::size_t byte) {
    std::string testo;
    while (testo.size() < byte) testo += std::string(998, 'x') + "\r";
    return testo;
}

TEST(ServerScortesi, EachIsBoundedAndTheRunGoesOn) {
    // Opened when the run moves on to its second entry.
    auto avanti = std::make_shared<smtptest::TGate>();
    const std::vector<TScortese> casi = {
        {"risposta multiriga senza fine",
         [](TPeer& peer) {
             for (int i = 0; i < 1000000 && peer.Send("250-ancora una riga\r\n"); ++i) {
             }
         },
         "Risposta del server troppo lunga"},
        {"righe vuote senza fine",
         [](TPeer& peer) {
             for (int i = 0; i < 1000000 && peer.Send("\r\n\r\n\r\n\r\n"); ++i) {
             }
         },
         "Risposta del server troppo lunga"},
        {"un byte alla volta",
         [](TPeer& peer) {
             // Each byte well within any wait for one read, the whole greeting
             // (30 s) far beyond the whole-reply limit.
             const std::string saluto = "220 " + std::string(96, 'l') + "\r\n";
             for (const char c : saluto) {
                 if (!peer.Send(std::string(1, c))) return;
                 std::this_thread::sleep_for(std::chrono::milliseconds(300));
             }
         },
         "Read Timeout"},
        {"smette di leggere dopo 354",
         [&avanti](TPeer& peer) {
             peer.Send("220 test.local ESMTP\r\n");
             for (const char* r :
                  {"250 test.local\r\n", "250 OK\r\n", "250 OK\r\n", "250 OK\r\n"}) {
                 if (peer.ReadLine().empty()) return;
                 peer.Send(r);
             }
             peer.ReadLine();
             peer.Send("354 go ahead\r\n");
             // The client encodes the whole body and then waits out its write
             // limit before it moves on: seconds under a sanitizer on a busy
             // machine. Closing sooner would end the write with a reset.
             avanti->Wait(60000);
         },
         "Tempo di scrittura scaduto", true},
        {"risposta enorme su una riga sola",
         [](TPeer& peer) { peer.Send("554 " + std::string(20000, 'y') + "\r\n"); },
         "Max line length exceeded."},
    };
    for (const auto& caso : casi) {
        SCOPED_TRACE(caso.Nome);
        avanti = std::make_shared<smtptest::TGate>();
        int n = 0;
        std::vector<std::string> consegnati;
        TRun run(0);
        // Reply limits with room for a loaded machine (the willing second
        // server also answers under a sanitizer), yet well under the drip's
        // 30 s greeting; the server reads a message a byte at a time, so the
        // reply after the end of data gets the most.
        run.limiti = {15000, 20000, {20000, 20000, 20000, 30000, 20000}, 1000};
        brivano::PreparaInvio(run.smtp, run.message, run.dati, run.limiti);
        // Larger than every socket buffer, so a server that stops reading holds the write.
        const auto corpo = run.message.Body();
        if (caso.TestoGrande) run.message.SetBodyText(Lunga(std::size_t{24} << 20));
        // Started once the message is ready: the server stops waiting for a
        // connection after a while, and making the large body can outlast it.
        smtptest::TLoopbackServer server(
            [&](TPeer& peer) {
                if (n++ == 0) return caso.Prima(peer);
                ServiDialogo(peer, [&](const std::string& a) { consegnati.push_back(a); });
            },
            2);
        run.smtp.SetPort(server.Port());
        brivano::TAvvisiInvio avvisi;
        avvisi.Inizio = [&](std::size_t i, const std::string&) {
            if (i != 1) return;
            run.message.Body() = corpo;
            avanti->Open();
        };
        // The failure text names the limit that ended the entry.
        const auto esito = brivano::EseguiInvio(
            run.smtp, run.message, {"anna@example.it", "bruno@example.it"}, avvisi, run.opzioni);
        ASSERT_EQ(esito.Falliti.size(), 1u) << esito.Falliti.back().Errore;
        EXPECT_EQ(esito.Falliti[0].Indice, 0u);
        EXPECT_NE(esito.Falliti[0].Errore.find(caso.Errore), std::string::npos)
            << esito.Falliti[0].Errore;
        EXPECT_EQ(esito.Inviati, 1u);
        EXPECT_EQ(consegnati, std::vector<std::string>{"bruno@example.it"});
    }
}

TEST(ServerScortesi, AfterATimeOutNoGoodbyeIsAwaited) {
    std::string ricevuto;
    {
        smtptest::TLoopbackServer server([&](TPeer& peer) { ricevuto = peer.ReadAll(); });
        TRun run(server.Port());
        run.limiti = {1000, 300, {300, 300, 300, 300, 3000}, 500};
        const auto esito = run.Esegui({"anna@example.it"});
        ASSERT_EQ(esito.Falliti.size(), 1u);
        EXPECT_NE(esito.Falliti[0].Errore.find("Dettagli: Read Timeout"), std::string::npos);
        run.smtp.Disconnect(false);
    }
    // Read once the server has seen the close: not even a QUIT went out, so
    // there was no goodbye to wait for.
    EXPECT_EQ(ricevuto, "");
}

TEST(ServerScortesi, LongErrorTextsAreCutToTheirFirstLine) {
    const std::string lunga = "550-" + std::string(2000, 'e') + "\r\n550 seconda riga\r\n";
    smtptest::TScriptedSmtp server(smtptest::Greeting,
                                   {invioprova::Ehlo, smtptest::Ok, lunga, smtptest::Bye});
    TRun run(server.Port());
    const auto esito = run.Esegui({"anna@example.it"});
    ASSERT_EQ(esito.Falliti.size(), 1u);
    const std::string& errore = esito.Falliti[0].Errore;
    const std::size_t tecnico = errore.find("Dettagli: ");
    ASSERT_NE(tecnico, std::string::npos) << errore;
    EXPECT_EQ(errore.substr(tecnico + 10), std::string(brivano::TestoErroreMassimo, 'e'));
    // A cut never splits a character.
    const std::string accenti = std::string(299, 'a') + "\xC3\xA8" + "ccc";
    EXPECT_EQ(brivano::TestoErroreBreve(accenti), std::string(299, 'a'));
    EXPECT_EQ(brivano::TestoErroreBreve("\r\nprima\r\nseconda"), "prima");
}

TEST(ServerScortesi, FourHundredsAreRetriedLaterAndFiveHundredsFail) {
    // Connection by connection: anna 250; bruno 421 at MAIL and closed; carla
    // 550 at RCPT; dario 451 at RCPT; then the retry round: bruno 250, dario
    // 451 again; a last round: dario 250.
    std::vector<std::string> consegnati;
    std::vector<std::string> rifiuti = {"",
                                        "421 4.7.0 chiudo\r\n",
                                        "550 5.1.1 no\r\n",
                                        "451 4.3.0 riprova\r\n",
                                        "",
                                        "451 4.3.0 riprova\r\n",
                                        ""};
    int n = 0;
    smtptest::TLoopbackServer server(
        [&](TPeer& peer) {
            const std::string rifiuto = rifiuti[static_cast<std::size_t>(n++)];
            if (rifiuto.empty())
                return ServiDialogo(peer, [&](const std::string& a) { consegnati.push_back(a); });
            peer.Send(smtptest::Greeting);
            // EHLO, RSET, then MAIL (421) or MAIL and RCPT (the rest).
            const int prima = rifiuto[0] == '4' && rifiuto[2] == '1' && rifiuto[1] == '2' ? 2 : 3;
            for (int i = 0; i < prima; ++i) {
                if (peer.ReadLine().empty()) return;
                peer.Send(i == 0 ? invioprova::Ehlo : smtptest::Ok);
            }
            peer.ReadLine();
            peer.Send(rifiuto);
            if (rifiuto.rfind("421", 0) == 0) return;
            if (peer.ReadLine().rfind("QUIT", 0) == 0) peer.Send(smtptest::Bye);
        },
        7);
    TRun run(server.Port());
    std::vector<int> attese;
    run.opzioni.Attendi = [&](int ms) { attese.push_back(ms); };
    run.opzioni.AttesaTentativoMs = 1234;
    const auto esito =
        run.Esegui({"anna@example.it", "bruno@example.it", "carla@example.it", "dario@example.it"});
    EXPECT_EQ(consegnati, (std::vector<std::string>{"anna@example.it", "bruno@example.it",
                                                    "dario@example.it"}));
    EXPECT_EQ(esito.Inviati, 3u);
    ASSERT_EQ(esito.Falliti.size(), 1u);
    EXPECT_EQ(esito.Falliti[0].Voce, "carla@example.it");
    EXPECT_TRUE(esito.Rinviati.empty());
    EXPECT_EQ(attese, (std::vector<int>{1234, 1234}));
}

TEST(ServerScortesi, StopIsSeenWhileWaitingForAReply) {
    // "Interrompi" is pressed once the client is connected and waiting for a
    // greeting that never comes. A stop not seen during the wait would let
    // the 10 s limit end it instead, failing the entry with "Read Timeout".
    std::atomic<bool> ferma{false};
    smtptest::TLoopbackServer server([&](TPeer& peer) {
        ferma = true;
        peer.ReadAll();
    });
    TRun run(server.Port());
    run.limiti = {1000, 10000, {10000, 10000, 10000, 10000, 10000}, 10000};
    run.opzioni.Interrompi = &ferma;
    const auto esito = run.Esegui({"anna@example.it", "bruno@example.it"});
    EXPECT_TRUE(esito.Interrotto);
    EXPECT_TRUE(esito.Falliti.empty());
    EXPECT_EQ(esito.Inviati, 0u);
    EXPECT_FALSE(run.smtp.Connected());
}

TEST(ServerScortesi, AClosingReplyToEhloDefersTheEntry) {
    // First connection: 421 to EHLO and closed, nothing else read; then a
    // willing server takes the entry in the retry round.
    std::string dopo421;
    std::vector<std::string> consegnati;
    int n = 0;
    smtptest::TLoopbackServer server(
        [&](TPeer& peer) {
            if (n++ > 0)
                return ServiDialogo(peer, [&](const std::string& a) { consegnati.push_back(a); });
            peer.Send(smtptest::Greeting);
            peer.ReadLine();
            peer.Send("421 4.3.2 occupato\r\n");
            dopo421 = peer.ReadAll();
        },
        2);
    TRun run(server.Port());
    const auto esito = run.Esegui({"anna@example.it"});
    EXPECT_EQ(consegnati, std::vector<std::string>{"anna@example.it"});
    EXPECT_TRUE(esito.Falliti.empty());
    EXPECT_EQ(dopo421, "");
}

TEST(ServerScortesi, AddressesThatWouldBendTheEnvelopeAreRefusedBeforeIt) {
    for (const std::string indirizzo : {"x@y.it>SIZE=99999999", "x<y@z.it", "@z.it", "x@",
                                        "x y@z.it", "x\ty@z.it", "x\x7fy@z.it"}) {
        SCOPED_TRACE(indirizzo);
        EXPECT_THROW(TIdSMTP::CheckEnvelopeAddress(indirizzo), EIdInvalidEnvelopeAddress);
    }
    for (const char* indirizzo : {"anna@example.it", "\"anna rossi\"@example.it", ""})
        EXPECT_NO_THROW(TIdSMTP::CheckEnvelopeAddress(indirizzo)) << indirizzo;

    smtptest::TScriptedSmtp server(smtptest::Greeting, {invioprova::Ehlo, smtptest::Bye});
    TRun run(server.Port());
    const auto esito = run.Esegui({"x@y.it>SIZE=99999999"});
    ASSERT_EQ(esito.Falliti.size(), 1u);
    EXPECT_EQ(esito.Falliti[0].Errore, "Indirizzo non valido per la busta: x@y.it>SIZE=99999999");
    for (const auto& riga : server.Transcript()) EXPECT_EQ(riga.find("RCPT"), std::string::npos);
}

}  // namespace
