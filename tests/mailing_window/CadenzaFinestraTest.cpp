// The mailing window over an account with a limit per minute: the progress
// and the wait are shown, and "Interrompi" ends the wait with the rest of the
// run left to send.

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ArchivioContatti.h"
#include "PortachiaviInMemoria.h"
#include "ServerSmtpFinto.h"
#include "mailing_window/F_Agenda.h"
#include "workflow/AccountInvio.h"
#include "workflow/RipresaInvio.h"

namespace {

class CadenzaFinestra : public ArchivioContatti {
  protected:
    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni{portachiavi};
};

TEST_F(CadenzaFinestra, TheWaitIsShownAndInterrompiEndsIt) {
    invioprova::TServerContatore server;
    brivano::TAccountInvio account;
    account.Host = "127.0.0.1";
    account.Porta = server.Port();
    account.Mittente = "ufficio@example.it";
    account.Limiti.PerMinuto = 1;
    impostazioni.Salva(account, "");

    TFInvioMail w(fdb, boxes);
    w.SetImpostazioni(&impostazioni);
    w.show();
    w.DDOgetto->setText("Offerta");
    for (const char* v : {"anna@example.it", "bruno@example.it"}) w.ListBox1->addItem(v);
    bool concluso = false;
    QObject::connect(&w, &TFInvioMail::InvioConcluso, &w, [&] { concluso = true; });
    boxes.answers = {TConfirmAnswer::Yes};
    w.ButtonInvioClick();
    ASSERT_TRUE(Attendi([&] { return w.Operazione->text().startsWith("In attesa fino "); }))
        << w.Operazione->text().toStdString();
    EXPECT_TRUE(w.PannelloAvanzamento->text().startsWith("1 di 2 · fine prevista "))
        << w.PannelloAvanzamento->text().toStdString();
    EXPECT_TRUE(w.PannelloAvanzamento->text().endsWith("limite di 1 messaggio al minuto raggiunto"))
        << w.PannelloAvanzamento->text().toStdString();
    EXPECT_FALSE(concluso);

    w.ButtonInterrompiClick();
    ASSERT_TRUE(Attendi([&] { return concluso; }));
    EXPECT_TRUE(w.PannelloAvanzamento->text().isEmpty());
    EXPECT_EQ(server.Consegne().size(), 1u);
    // The journal keeps the rest for a later resume.
    const auto registro = brivano::ApriRegistroInvii();
    ASSERT_TRUE(registro);
    const auto id = registro->SpedizioneIncompiuta();
    ASSERT_TRUE(id);
    EXPECT_EQ(registro->Spedizione(*id).Inviate, 1u);
    EXPECT_EQ(registro->Spedizione(*id).DaFare, 1u);
}

}  // namespace
