// Picking many recipients at once, and the do-not-mail list honoured by the
// send run against a scripted server.
#include <gtest/gtest.h>

#include <algorithm>

#include "SmtpSessionServer.h"
#include "TempDir.h"
#include "workflow/Destinatari.h"
#include "workflow/NonInviare.h"
#include "workflow/SpedizioneMail.h"

using namespace brivano;

TEST(DestinatariTest, AppendsInOrderSkippingEmptyPresentInAnyFormAndListed) {
    TTempDir dir;
    TNonInviare nonInviare(PercorsoNonInviare(dir.str()));
    nonInviare.Aggiungi("Dario <dario@example.it>");
    std::vector<std::string> elenco = {"Anna@Example.it"};
    const auto esito = AggiungiDestinatari(
        elenco,
        {std::string("bruno@example.it"), std::nullopt, std::string("  "),
         std::string(" anna@example.IT "), std::string("carla@example.it"),
         std::string("BRUNO@example.it"), std::string("Bruno <bruno@Example.it.>"),
         std::string("DARIO@example.it")},
        &nonInviare);
    EXPECT_EQ(elenco, (std::vector<std::string>{"Anna@Example.it", "bruno@example.it",
                                                "carla@example.it"}));
    EXPECT_EQ(esito.Aggiunti, 2);
    EXPECT_EQ(esito.Saltati, 5);
    EXPECT_EQ(esito.NonInviare, 1);
    EXPECT_EQ(esito.Posizioni, (std::vector<std::size_t>{0, 4}));
    EXPECT_EQ(TestoEsitoDestinatari(esito),
              "Aggiunti 2 destinatari, saltati 5 (senza e-mail o già presenti). Non aggiunti "
              "perché nell'elenco non inviare: 1.");
    EXPECT_EQ(TestoEsitoDestinatari({1, 0, {0}}),
              "Aggiunto 1 destinatario, saltati 0 (senza e-mail o già presenti).");
    EXPECT_EQ(TestoNumeroDestinatari(1), "1 destinatario");
    EXPECT_EQ(TestoNumeroDestinatari(0), "0 destinatari");
}

TEST(DestinatariTest, AnEntryIsExcludedWhenAnyOfItsAddressesIsListed) {
    TTempDir dir;
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    elenco.Aggiungi("bruno@example.it");
    EXPECT_TRUE(VoceEsclusa(elenco, " BRUNO@example.it"));
    EXPECT_TRUE(VoceEsclusa(elenco, "Carla <carla@x.it>, Bruno <Bruno@Example.IT>"));
    EXPECT_TRUE(VoceEsclusa(elenco, "anna@x.it; bruno@example.it"));
    EXPECT_FALSE(VoceEsclusa(elenco, "anna@x.it"));
    EXPECT_FALSE(VoceEsclusa(elenco, "x <a@b.it> c@d.it"));  // does not parse: compared whole
}

TEST(DestinatariTest, TheSendRunSkipsListedAddresses) {
    using namespace smtptest;
    TTempDir dir;
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    elenco.Aggiungi("Bruno@Example.it");
    TScriptedSmtp server(Greeting, {"250 test.local\r\n", Ok, Ok, Ok, Go, Ok, Bye});
    TIdSMTP smtp;
    TIdMessage message;
    TDatiInvio dati;
    dati.Host = "127.0.0.1";
    dati.Porta = server.Port();
    dati.Mittente = "mario@example.it";
    dati.Oggetto = "Offerta";
    PreparaInvio(smtp, message, dati, TLimitiTempo{2000, 2000, {2000, 2000, 2000, 2000}});
    const std::vector<std::string> voci = {" bruno@example.it", "anna@example.it",
                                           "Carla <carla@x.it>, bruno@example.it"};
    TAvvisiInvio avvisi;
    avvisi.Escluso = [&](std::size_t, const std::string& voce) {
        return VoceEsclusa(elenco, voce);
    };
    std::vector<std::size_t> fatti;
    avvisi.Fatto = [&](std::size_t n) { fatti.push_back(n); };
    const TEsitoInvio esito = EseguiInvio(smtp, message, voci, avvisi);
    EXPECT_EQ(esito.Esclusi, (std::vector<std::size_t>{0, 2}));
    EXPECT_TRUE(esito.Falliti.empty());
    EXPECT_EQ(fatti, (std::vector<std::size_t>{1, 2, 3}));  // the progress counts them as done
    const auto transcript = server.Transcript();
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "RCPT TO:<anna@example.it>"), 1);
    EXPECT_EQ(
        std::count_if(transcript.begin(), transcript.end(),
                      [](const std::string& l) { return l.find("bruno") != std::string::npos; }),
        0);
}
