// A send run of one entry over the in-memory channel, with the connection
// reset at each receive and then at each send of its dialogue in turn: the
// run never ends in anything but one settled entry, the channel is closed,
// and nothing is read or sent after the fault. Before the end of data went
// out the entry failed with the socket error; after the server took the
// message it stays sent; in between it is uncertain.

#include <gtest/gtest.h>

#include <memory>

#include "InvioDiProva.h"
#include "MemoryIOHandler.h"
#include "exception/IdException.h"

namespace {

enum class TGuasto { Nessuno, Ricezione, Invio };
enum class TFine { Fallito, Incerto, Inviato };

struct TEsecuzione {
    invioprova::TRun run{0};
    TMemoryIOHandler* canale = nullptr;
    brivano::TEsitoInvio esito;

    TEsecuzione(TGuasto guasto, int n) {
        run.dati.Host = "";
        brivano::PreparaInvio(run.smtp, run.message, run.dati, run.limiti);
        auto proprio = std::make_unique<TMemoryIOHandler>();
        canale = proprio.get();
        canale->SetCloseAtEnd(false);
        canale->Feed(smtptest::Greeting);
        for (const std::string& risposta : invioprova::Consegna()) canale->Feed(risposta);
        if (guasto == TGuasto::Ricezione) canale->SetFailingReceive(n);
        if (guasto == TGuasto::Invio) canale->SetFailingSend(n);
        run.smtp.SetIOHandler(std::move(proprio));
        esito = brivano::EseguiInvio(run.smtp, run.message, {"anna@example.it"}, {}, run.opzioni);
    }
};

TEST(SpedizioneGuasti, EveryReceiveAndSendFailingSettlesTheEntryAndCloses) {
    TEsecuzione pulita(TGuasto::Nessuno, 0);
    ASSERT_EQ(pulita.esito.Inviati, 1u);
    const int ricezioni = pulita.canale->ReceiveCount();
    const int invii = pulita.canale->SendCount();
    ASSERT_GE(ricezioni, 8);  // greeting, EHLO, RSET, MAIL, RCPT, DATA, end of data, QUIT
    ASSERT_GE(invii, 7);
    const std::string reset =
        EIdSocketError::MessageFor(TMemoryIOHandler::ResetCode()).substr(0, 20);

    for (const TGuasto guasto : {TGuasto::Ricezione, TGuasto::Invio}) {
        const int quanti = guasto == TGuasto::Ricezione ? ricezioni : invii;
        TFine precedente = TFine::Fallito;
        for (int n = 1; n <= quanti; ++n) {
            SCOPED_TRACE((guasto == TGuasto::Ricezione ? "receive " : "send ") + std::to_string(n));
            TEsecuzione e(guasto, n);
            const int fatte =
                guasto == TGuasto::Ricezione ? e.canale->ReceiveCount() : e.canale->SendCount();
            EXPECT_EQ(fatte, n) << "read or sent after the fault";
            EXPECT_FALSE(e.canale->Opened());
            EXPECT_FALSE(e.esito.Interrotto);
            ASSERT_EQ(e.esito.Inviati + e.esito.Falliti.size() + e.esito.Incerti.size(), 1u);
            const TFine fine = !e.esito.Falliti.empty()   ? TFine::Fallito
                               : !e.esito.Incerti.empty() ? TFine::Incerto
                                                          : TFine::Inviato;
            if (fine == TFine::Fallito) {
                EXPECT_NE(e.esito.Falliti[0].Errore.find("Dettagli: " + reset), std::string::npos)
                    << e.esito.Falliti[0].Errore;
            }
            // Fault by fault the entry only ever gets further.
            EXPECT_GE(static_cast<int>(fine), static_cast<int>(precedente));
            precedente = fine;
            if (n == 1) {
                EXPECT_EQ(fine, TFine::Fallito);
            }
            if (n == quanti) {
                EXPECT_EQ(fine, TFine::Inviato) << "a failing goodbye keeps the entry sent";
            }
        }
    }
}

}  // namespace
