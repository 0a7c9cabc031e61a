// A real delivery-status report: the program sends through its own SMTP
// client to a private Postfix on 127.0.0.1, which returns the message for an
// unknown user to the sender's mailbox in a private Dovecot; the classifier
// reads that report and one check updates journal and list.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "DovecotDiProva.h"
#include "PostfixDiProva.h"
#include "TempDir.h"
#include "posta/ClassificaPosta.h"
#include "posta/PostaMittente.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"
#include "workflow/SpedizioneMail.h"

namespace brivano {
namespace {

class RapportoPostfix : public ::testing::Test {
  protected:
    void SetUp() override {
        dovecot_ = std::make_unique<TDovecotDiProva>(cartella_.path() / "dovecot");
        if (!dovecot_->Pronto()) GTEST_SKIP() << dovecot_->Motivo();
        postfix_ = std::make_unique<TPostfixDiProva>(cartella_.path() / "postfix", "invii",
                                                     dovecot_->Maildir(), dovecot_->UidPosta(),
                                                     dovecot_->GidPosta());
        if (!postfix_->Pronto()) GTEST_SKIP() << postfix_->Motivo();
        autorita_ = std::make_unique<TSoloAutorita>(dovecot_->Autorita());
    }
    // The reports delivered so far to the sender's inbox.
    std::vector<std::string> Consegnati() const {
        std::vector<std::string> messaggi;
        for (const char* parte : {"new", "cur"}) {
            const auto cartella = dovecot_->Maildir() / parte;
            if (!std::filesystem::exists(cartella)) continue;
            for (const auto& voce : std::filesystem::directory_iterator(cartella)) {
                std::ifstream file(voce.path(), std::ios::binary);
                messaggi.emplace_back(std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>());
            }
        }
        return messaggi;
    }

    TTempDir cartella_;
    std::unique_ptr<TDovecotDiProva> dovecot_;
    std::unique_ptr<TPostfixDiProva> postfix_;
    std::unique_ptr<TSoloAutorita> autorita_;
};

TEST_F(RapportoPostfix, IlRimbalzoDelServerAggiornaRegistroEdElenco) {
    const auto radice = cartella_.path() / "dati";
    std::filesystem::create_directories(radice);
    const std::string ignoto = std::string("sconosciuto@") + TPostfixDiProva::Dominio;
    std::int64_t invio = 0;
    {
        TRegistroInvii registro(TRegistroInvii::Percorso(radice));
        invio = registro.NuovaSpedizione({"127.0.0.1 invii", "invii@ditta.it", "Offerta", {}},
                                         {ignoto});
        TIdSMTP smtp;
        TIdMessage messaggio;
        TDatiInvio dati;
        dati.Host = "127.0.0.1";
        dati.Porta = postfix_->Porta();
        dati.Mittente = "invii@ditta.it";
        dati.Oggetto = "Offerta";
        dati.Righe[0] = "Buongiorno.";
        smtp.SetHeloName("client.ditta.it");
        PreparaInvio(smtp, messaggio, dati, TLimitiTempo{});
        TOpzioniInvio opzioni;
        opzioni.Registro = &registro;
        opzioni.Spedizione = invio;
        opzioni.IdPerVoce = true;
        opzioni.Attendi = [](int) {};
        const TEsitoInvio esito = EseguiInvio(smtp, messaggio, {ignoto}, {}, opzioni);
        ASSERT_EQ(esito.Inviati, 1u) << "vedi " << postfix_->Registro();
    }
    const std::string inviato =
        TRegistroInvii(TRegistroInvii::Percorso(radice)).Voci(invio).at(0).MessageId;

    // Generous room: the machine may be busy.
    std::vector<std::string> arrivati;
    for (int i = 0; i < 1200 && arrivati.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        arrivati = Consegnati();
    }
    ASSERT_EQ(arrivati.size(), 1u) << "nessun rapporto: vedi " << postfix_->Registro();

    const TPostaClassificata letto = ClassificaPosta(arrivati[0]);
    EXPECT_EQ(letto.Tipo, TTipoPosta::RimbalzoDefinitivo);
    ASSERT_EQ(letto.Indirizzi.size(), 1u);
    EXPECT_EQ(letto.Indirizzi[0].Indirizzo, ignoto);
    EXPECT_EQ(letto.Indirizzi[0].Stato, "5.1.1");
    EXPECT_NE(letto.Indirizzi[0].Diagnosi.find("unknown user"), std::string::npos)
        << letto.Indirizzi[0].Diagnosi;
    ASSERT_EQ(letto.Richiamati.size(), 1u);
    EXPECT_EQ("<" + letto.Richiamati[0] + ">", inviato);

    TAccountPosta posta;
    posta.Host = "127.0.0.1";
    posta.Porta = dovecot_->PortaImaps();
    TAccessoImap accesso = AccessoPer(posta, {}, TDovecotDiProva::Password);
    accesso.Utente = TDovecotDiProva::Utente;
    accesso.AttesaSecondi = 30;
    const TEsitoControllo esito = ControllaPostaMittente(radice, posta, accesso);
    EXPECT_EQ(esito.Elaborati.size(), 1u);
    EXPECT_EQ(TRegistroInvii(TRegistroInvii::Percorso(radice)).Voci(invio).at(0).Stato,
              TStatoVoce::Rimbalzato);
    const auto elenco = TNonInviare(PercorsoNonInviare(radice.string() + "/")).Elenco();
    ASSERT_EQ(elenco.size(), 1u);
    EXPECT_EQ(elenco[0].Indirizzo, ignoto);
    EXPECT_EQ(elenco[0].Motivo.rfind("rimbalzo 5.1.1", 0), 0u) << elenco[0].Motivo;
    EXPECT_EQ(dovecot_->FileDi(".Brivano.Elaborati").size(), 1u);
}

}  // namespace
}  // namespace brivano
