// The pieces of a send run's rounds: the connection pool and the sorting of
// one round's places into the run's results.

#include <gtest/gtest.h>

#include "workflow/ConnessioniInvio.h"
#include "workflow/GiroInvio.h"

namespace {

using brivano::TEsitoVoce;
using brivano::TPostoGiro;

TEST(GiroInvio, EachPlaceLandsWhereItsOutcomeSays) {
    const std::vector<std::string> voci = {"a", "b", "c", "d", "e", "f"};
    auto posto = [](TEsitoVoce e) {
        TPostoGiro p;
        p.Risultato = brivano::TRisultatoVoce{e, 0, "t"};
        return p;
    };
    TPostoGiro escluso;
    escluso.Escluso = true;
    struct TCaso {
        std::vector<std::size_t> Giro;
        std::vector<TPostoGiro> Posti;
        std::size_t Inviati, Falliti, Incerti, Esclusi, Rinviati;
        bool Interrotto;
    };
    const std::vector<TCaso> casi = {
        {{0, 1, 2, 3, 4},
         {posto(TEsitoVoce::Inviato), posto(TEsitoVoce::Fallito), posto(TEsitoVoce::Rinviato),
          posto(TEsitoVoce::Incerto), escluso},
         1,
         1,
         1,
         1,
         1,
         false},
        // A place the stop reached first, and one the stop cut.
        {{1, 5}, {posto(TEsitoVoce::Inviato), TPostoGiro{}}, 1, 0, 0, 0, 0, true},
        {{2}, {posto(TEsitoVoce::Interrotto)}, 0, 0, 0, 0, 0, true},
    };
    for (const auto& c : casi) {
        brivano::TEsitoInvio esito;
        const auto rinviati = brivano::RaccogliGiro(c.Giro, c.Posti, voci, esito);
        EXPECT_EQ(esito.Inviati, c.Inviati);
        EXPECT_EQ(esito.Falliti.size(), c.Falliti);
        EXPECT_EQ(esito.Incerti.size(), c.Incerti);
        EXPECT_EQ(esito.Esclusi.size(), c.Esclusi);
        EXPECT_EQ(rinviati.size(), c.Rinviati);
        EXPECT_EQ(esito.Interrotto, c.Interrotto);
    }
    // Results name the entry by its list index and text, not its place.
    brivano::TEsitoInvio esito;
    brivano::RaccogliGiro({4}, {posto(TEsitoVoce::Fallito)}, voci, esito);
    EXPECT_EQ(esito.Falliti[0].Indice, 4u);
    EXPECT_EQ(esito.Falliti[0].Voce, "e");
}

TEST(GiroInvio, ThePoolHasOneConnectionUnlessFurtherOnesCanBePrepared) {
    TIdSMTP smtp;
    TIdMessage message;
    const std::atomic<bool> ferma{false};
    struct TCaso {
        int Connessioni;
        bool Prepara;
        std::size_t Numero;
    };
    for (const TCaso c : {TCaso{3, false, 1}, TCaso{3, true, 3}, TCaso{0, true, 1},
                          TCaso{9, true, brivano::ConnessioniMassime}}) {
        brivano::TOpzioniInvio opzioni;
        opzioni.Connessioni = c.Connessioni;
        opzioni.Interrompi = &ferma;
        int preparate = 0;
        if (c.Prepara) opzioni.NuovaConnessione = [&](TIdSMTP&) { ++preparate; };
        {
            brivano::TConnessioniInvio pool(smtp, message, opzioni);
            ASSERT_EQ(pool.Numero(), c.Numero);
            EXPECT_EQ(pool[0].Smtp, &smtp);
            EXPECT_EQ(pool[0].Message, &message);
            for (std::size_t n = 1; n < pool.Numero(); ++n) EXPECT_NE(pool[n].Message, &message);
            EXPECT_EQ(preparate, static_cast<int>(c.Numero) - 1);
        }
    }
}

}  // namespace
