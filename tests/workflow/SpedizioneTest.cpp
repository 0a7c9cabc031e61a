// The send run without the window: body, settings, failures.

#include <gtest/gtest.h>

#include "InvioDiProva.h"

using smtptest::Bye;
using smtptest::Go;
using smtptest::Greeting;
using smtptest::Ok;
using smtptest::TScriptedSmtp;

namespace {

using invioprova::Consegna;
using invioprova::Ehlo;
using invioprova::TRun;

std::vector<std::string> Rifiuto() {
    return {Ehlo, Ok, Ok, "550 5.1.1 no such user\r\n", Bye};
}

TEST(Spedizione, BodyHasTwentySixLines) {
    TIdMessage message;
    message.SetBodyText(brivano::ComponiCorpo({"uno", "", "tre", "", "", "", "", "otto"}));
    const auto& body = message.Body();
    ASSERT_EQ(body.size(), 26u);
    EXPECT_EQ(body[0], "uno");
    EXPECT_EQ(body[1], "");
    EXPECT_EQ(body[7], "otto");
    for (std::size_t i = 8; i < 17; ++i) EXPECT_EQ(body[i], "") << i;
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(body[17 + i], brivano::PiePagina[i]);
    EXPECT_EQ(body[19],
              "Gli indirizzi email presenti nel nostro archivio provengono da  altri nostri "
              "recapiti o da elenchi");

    message.SetBodyText(brivano::ComponiCorpo({}));
    EXPECT_EQ(message.Body().size(), 26u);
    for (std::size_t i = 0; i < 17; ++i) EXPECT_EQ(message.Body()[i], "");
}

TEST(Spedizione, FailuresAreListedAndTheRunGoesOn) {
    std::vector<std::string> replies = Consegna();
    for (const auto& r : Rifiuto()) replies.push_back(r);
    for (const auto& r : Consegna()) replies.push_back(r);
    TScriptedSmtp server(Greeting, replies, 3);
    TRun run(server.Port());
    // The parse error of the second entry fails it alone; no connection is made for it.
    auto esito = run.Esegui(
        {"anna@example.it", "x <a@b.it> c@d.it", "bruno@example.it", "carla@example.it"});
    ASSERT_EQ(esito.Falliti.size(), 2u);
    EXPECT_EQ(esito.Falliti[0].Indice, 1u);
    EXPECT_EQ(esito.Falliti[0].Errore, "@ Outside address");
    EXPECT_EQ(esito.Falliti[1].Indice, 2u);
    EXPECT_EQ(esito.Falliti[1].Voce, "bruno@example.it");
    EXPECT_EQ(esito.Falliti[1].Errore,
              "Destinatario rifiutato dal server: controllare l'indirizzo. Dettagli: no such user");
    EXPECT_EQ(brivano::TestoFallimenti(esito.Falliti),
              "Invio non riuscito per 2 indirizzi:\rx <a@b.it> c@d.it - @ Outside address\r"
              "bruno@example.it - Destinatario rifiutato dal server: controllare l'indirizzo. "
              "Dettagli: no such user");
    auto transcript = server.Transcript();
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "DATA"), 2);
}

TEST(Spedizione, LineBreaksInTypedTexts) {
    {
        TRun run(1);
        for (const std::string& host : {std::string("a\r\nb"), std::string("a\0b", 3)}) {
            run.dati.Host = host;
            EXPECT_THROW(run.Esegui({"anna@example.it"}), brivano::EInvioTestoNonValido);
        }
        run.dati.Host = "127.0.0.1";
        run.dati.Mittente = "mario@example.it>\r\nRCPT TO:<x@y.it";
        EXPECT_THROW(run.Esegui({"anna@example.it"}), brivano::EInvioTestoNonValido);
    }
    // The subject and a recipient fail their entries before any connection.
    TScriptedSmtp server(Greeting, Consegna());
    TRun run(server.Port());
    run.dati.Oggetto = "Offerta\r\nBcc: tutti@example.it";
    auto esito = run.Esegui({"anna@example.it", "b@c.it"});
    ASSERT_EQ(esito.Falliti.size(), 2u);
    EXPECT_EQ(esito.Falliti[0].Errore, "L'oggetto contiene un a capo o un carattere nullo");
    run.dati.Oggetto = "Offerta";
    esito = run.Esegui({"anna@example.it\r\nDATA", "anna@example.it"});
    ASSERT_EQ(esito.Falliti.size(), 1u);
    EXPECT_EQ(esito.Falliti[0].Errore, "L'indirizzo contiene un a capo o un carattere nullo");
    EXPECT_EQ(server.Transcript().front(), "EHLO client.test");
}

TEST(Spedizione, SilentServerFailsThatRecipient) {
    // Greeting and envelope replies, then nothing after DATA; the next
    // entry is sent on a new connection.
    smtptest::TLoopbackServer server(
        [&](smtptest::TPeer& peer) {
            peer.Send(Greeting + Ehlo + Ok + Ok + Ok);
            peer.ReadAll();
        },
        2);
    TRun run(server.Port());
    run.limiti = {2000, 300, {300, 300, 300, 300, 300}, 300};
    auto esito = run.Esegui({"anna@example.it", "bruno@example.it"});
    ASSERT_EQ(esito.Falliti.size(), 2u);
    EXPECT_EQ(esito.Falliti[1].Errore,
              "Tempo scaduto: il server non ha risposto in tempo. Dettagli: Read Timeout");
}

std::string RigaFrom(const std::string& dati) {
    const auto inizio = dati.find("From: ");
    return dati.substr(inizio, dati.find("\r\n", inizio) - inizio);
}

TEST(Spedizione, FromShowsTheAccountNameElseTheCurrentSender) {
    std::vector<std::string> replies;
    for (int i = 0; i < 3; ++i)
        for (const auto& r : Consegna()) replies.push_back(r);
    TScriptedSmtp server(Greeting, replies, 3);
    TRun run(server.Port());
    run.Esegui({"anna@example.it"});
    // The same message object, a new sender: not the first one used.
    run.dati.Mittente = "ufficio@example.it";
    run.Esegui({"anna@example.it"});
    run.dati.MittenteNome = "Ditta Esempio";
    run.dati.Utente = "utente-smtp";
    run.dati.UseTLS = utUseImplicitTLS;
    brivano::PreparaInvio(run.smtp, run.message, run.dati, run.limiti);
    EXPECT_EQ(run.smtp.Username(), "utente-smtp");
    EXPECT_EQ(run.smtp.UseTLS(), utUseImplicitTLS);
    run.dati.UseTLS = utNoTLSSupport;  // the scripted server speaks plain text
    run.Esegui({"anna@example.it"});

    std::vector<std::string> froms;
    for (const auto& entry : server.Transcript())
        if (entry.find("From: ") != std::string::npos) froms.push_back(RigaFrom(entry));
    EXPECT_EQ(froms, (std::vector<std::string>{
                         "From: \"mario@example.it\" <mario@example.it>",
                         "From: \"ufficio@example.it\" <ufficio@example.it>",
                         "From: \"Ditta Esempio\" <ufficio@example.it>",
                     }));

    run.dati.MittenteNome = "Ditta\r\nBcc: x@y.it";
    EXPECT_THROW(brivano::PreparaInvio(run.smtp, run.message, run.dati, run.limiti),
                 brivano::EInvioTestoNonValido);
}

TEST(Spedizione, FailedGoodbyeAfterTheMessageWasTakenKeepsItSent) {
    // QUIT answered 421, then 500, then a reset: each entry counts as sent
    // and the run goes on.
    smtptest::TLoopbackServer server(
        [&, n = 0](smtptest::TPeer& peer) mutable {
            peer.Send(Greeting);
            for (int step = 0; step < 7; ++step) {
                if (peer.ReadLine().empty()) return;
                if (step == 4) {  // DATA: read the text up to "."
                    peer.Send(smtptest::Go);
                    while (true) {
                        const std::string line = peer.ReadLine();
                        if (line.empty() || line == ".\r\n") break;
                    }
                    peer.Send(Ok);
                    step = 5;
                    continue;
                }
                if (step == 6) {
                    if (n == 0) peer.Send("421 closing\r\n");
                    if (n == 1) peer.Send("500 what\r\n");
                    if (n == 2) peer.Abort();
                    break;
                }
                peer.Send(step == 0 ? Ehlo : Ok);
            }
            ++n;
        },
        3);
    TRun run(server.Port());
    auto esito = run.Esegui({"anna@example.it", "bruno@example.it", "carla@example.it"});
    EXPECT_EQ(esito.Inviati, 3u);
    EXPECT_TRUE(esito.Falliti.empty());
}

}  // namespace
