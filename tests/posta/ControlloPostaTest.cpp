// Checks of the sender's mailbox against a real Dovecot on 127.0.0.1.
#include "posta/ControlloPosta.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include <sstream>

#include "CampioniPosta.h"
#include "DovecotDiProva.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "posta/AccountPosta.h"
#include "posta/PostaMittente.h"
#include "tools/RubricaCli.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace brivano {
namespace {

class ControlloPosta : public ::testing::Test {
  protected:
    void Avvia(const TDovecotDiProva::TOpzioni& opzioni = {}) {
        server_ = std::make_unique<TDovecotDiProva>(cartella_.path() / "server", opzioni);
        if (!server_->Pronto()) GTEST_SKIP() << server_->Motivo();
        autorita_ = std::make_unique<TSoloAutorita>(server_->Autorita());
        archivio_ = std::make_unique<TArchivioPosta>(cartella_.path() / FileArchivioPosta);
    }
    TAccessoImap Accesso(TSicurezzaImap sicurezza = TSicurezzaImap::SSLTLS) const {
        TAccessoImap accesso;
        accesso.Host = "127.0.0.1";
        accesso.Sicurezza = sicurezza;
        accesso.Porta =
            sicurezza == TSicurezzaImap::SSLTLS ? server_->PortaImaps() : server_->PortaImap();
        accesso.Utente = TDovecotDiProva::Utente;
        accesso.Password = TDovecotDiProva::Password;
        accesso.AttesaSecondi = 60;
        return accesso;
    }
    TEsitoControllo Controlla(const TOpzioniControllo& opzioni = {},
                              TSicurezzaImap sicurezza = TSicurezzaImap::SSLTLS) {
        return ControllaPosta(
            Accesso(sicurezza), *archivio_, opzioni,
            [this](const TMessaggioElaborato& m) { ++perTipo_[NomeTipoPosta(m.Esito.Tipo)]; });
    }
    // Deposits one of each kind: two bounces, a request, an automatic reply
    // and a message to leave alone.
    void DepositaMisti() {
        server_->Deposita(campioni::RapportoDefinitivo());
        server_->Deposita(campioni::TestoConCodice());
        server_->Deposita(campioni::Richiesta("Re: Cancellami", "", ""));
        server_->Deposita(campioni::Richiesta("Fuori sede: offerta", "Torno lunedì", ""));
        server_->Deposita(campioni::Richiesta("Re: offerta", "Mi interessa", ""));
    }
    static std::size_t Letti(const std::vector<std::string>& file) {
        return std::count_if(file.begin(), file.end(), [](const std::string& nome) {
            const auto info = nome.find(":2,");
            return info != std::string::npos && nome.find('S', info) != std::string::npos;
        });
    }

    TTempDir cartella_;
    std::unique_ptr<TDovecotDiProva> server_;
    std::unique_ptr<TArchivioPosta> archivio_;
    std::map<std::string, int> perTipo_;
    std::unique_ptr<TSoloAutorita> autorita_;
};

TEST_F(ControlloPosta, SpostaSoloRimbalziRichiesteERisposteAutomaticheEPoiNonTrovaNulla) {
    Avvia();
    if (IsSkipped()) return;
    DepositaMisti();
    const TEsitoControllo primo = Controlla();
    EXPECT_EQ(primo.Nuovi, 5u);
    EXPECT_EQ(primo.Scaricati, 5u);
    EXPECT_EQ(primo.Altri, 1u);
    EXPECT_EQ(primo.Sistemazione, "spostati");
    EXPECT_EQ(perTipo_,
              (std::map<std::string, int>{
                  {"rimbalzo-definitivo", 2}, {"cancellami", 1}, {"risposta-automatica", 1}}));
    EXPECT_EQ(server_->FileDi().size(), 1u);
    EXPECT_EQ(server_->FileDi(".Brivano.Elaborati").size(), 4u);
    EXPECT_EQ(Letti(server_->FileDi()) + Letti(server_->FileDi(".Brivano.Elaborati")), 0u);

    const TEsitoControllo secondo = Controlla();
    EXPECT_EQ(secondo.Nuovi, 0u);
    EXPECT_EQ(secondo.Scaricati, 0u);
    EXPECT_EQ(perTipo_.size(), 3u);

    server_->Deposita(campioni::RapportoRitardato());
    const TEsitoControllo terzo = Controlla();
    EXPECT_EQ(terzo.Nuovi, 1u);
    EXPECT_EQ(perTipo_["rimbalzo-temporaneo"], 1);
    EXPECT_EQ(server_->FileDi(".Brivano.Elaborati").size(), 5u);
}

// Without MOVE: copy, then \Deleted and UID EXPUNGE of those UIDs alone; a
// message the user had marked deleted stays. Over STARTTLS on the plain port.
TEST_F(ControlloPosta, SenzaMoveCopiaECancellaSoloQuelliElaborati) {
    Avvia({.SenzaMove = true});
    if (IsSkipped()) return;
    DepositaMisti();
    const std::string daCestinare = campioni::Richiesta("Vecchia", "x", "");
    server_->Deposita(daCestinare);
    // Marked \Deleted by the user's own program (maildir flag T).
    const auto nuovi = server_->Maildir() / "new";
    for (const auto& voce : std::filesystem::directory_iterator(nuovi)) {
        std::ifstream file(voce.path(), std::ios::binary);
        const std::string byte((std::istreambuf_iterator<char>(file)), {});
        if (byte == daCestinare)
            std::filesystem::rename(voce.path(), server_->Maildir() / "cur" /
                                                     (voce.path().filename().string() + ":2,T"));
    }
    const TEsitoControllo esito = Controlla({}, TSicurezzaImap::STARTTLS);
    EXPECT_EQ(esito.Sistemazione, "copiati e tolti dalla casella");
    EXPECT_EQ(esito.Elaborati.size(), 4u);
    EXPECT_EQ(server_->FileDi().size(), 2u);
    EXPECT_EQ(server_->FileDi(".Brivano.Elaborati").size(), 4u);
}

// With the keyword the messages stay; after UIDVALIDITY changes every message
// is looked at again, but those marked are not acted on twice.
TEST_F(ControlloPosta, ParolaChiaveEUidValidityCambiata) {
    Avvia();
    if (IsSkipped()) return;
    DepositaMisti();
    TOpzioniControllo segna;
    segna.Dopo = TDopoElaborazione::Segna;
    EXPECT_EQ(Controlla(segna).Elaborati.size(), 4u);
    EXPECT_EQ(server_->FileDi().size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(server_->Maildir() / ".Brivano.Elaborati"));

    ASSERT_TRUE(server_->CambiaUidValidity(777));
    const TEsitoControllo dopo = Controlla(segna);
    EXPECT_TRUE(dopo.ValiditaCambiata);
    EXPECT_EQ(dopo.Nuovi, 1u);  // the message left alone
    EXPECT_TRUE(dopo.Elaborati.empty());
    EXPECT_EQ(Controlla(segna).Nuovi, 0u);
}

TEST_F(ControlloPosta, DiecimilaMessaggiPoiSoloINuovi) {
    Avvia();
    if (IsSkipped()) return;
    for (int i = 0; i < 10000; ++i)
        server_->Deposita("From: a" + std::to_string(i) + "@esempio.it\r\nSubject: n. " +
                          std::to_string(i) + "\r\n\r\nciao\r\n");
    const TEsitoControllo primo = Controlla();
    EXPECT_EQ(primo.Nuovi, 10000u);
    EXPECT_EQ(primo.Altri, 10000u);
    server_->Deposita(campioni::RapportoDefinitivo());
    server_->Deposita(campioni::Richiesta("cancellami", "", ""));
    const TEsitoControllo secondo = Controlla();
    EXPECT_EQ(secondo.Nuovi, 2u);
    EXPECT_EQ(secondo.Scaricati, 2u);
    EXPECT_EQ(secondo.Elaborati.size(), 2u);
}

TEST_F(ControlloPosta, UnMessaggioOltreIlLimiteNonVieneScaricato) {
    Avvia();
    if (IsSkipped()) return;
    server_->Deposita(campioni::RapportoDefinitivo() + std::string(DimensioneMassimaPosta, 'x'));
    server_->Deposita(campioni::TestoConCodice());
    const TEsitoControllo esito = Controlla();
    EXPECT_EQ(esito.Nuovi, 2u);
    EXPECT_EQ(esito.TroppoGrandi, 1u);
    EXPECT_EQ(esito.Scaricati, 1u);
    EXPECT_EQ(server_->FileDi().size(), 1u);
    EXPECT_EQ(Controlla().Nuovi, 0u);
}

// The connection test signs in and only looks; a wrong password fails both
// it and the check in Italian.
TEST_F(ControlloPosta, ProvaConnessioneEPasswordSbagliata) {
    Avvia();
    if (IsSkipped()) return;
    server_->Deposita(campioni::RapportoDefinitivo());
    const std::string prova = ProvaPostaInArrivo(Accesso(TSicurezzaImap::STARTTLS));
    EXPECT_NE(prova.find("accesso riuscito"), std::string::npos) << prova;
    EXPECT_NE(prova.find("messaggi in INBOX: 1."), std::string::npos) << prova;
    EXPECT_EQ(server_->FileDi().size(), 1u);
    EXPECT_EQ(Letti(server_->FileDi()), 0u);

    TAccessoImap accesso = Accesso();
    accesso.Password = "sbagliata";
    for (const bool soloProva : {true, false}) {
        try {
            if (soloProva)
                ProvaPostaInArrivo(accesso);
            else
                ControllaPosta(accesso, *archivio_, {}, {});
            ADD_FAILURE() << "accesso accettato";
        } catch (const EPosta& e) {
            EXPECT_NE(std::string(e.what()).find("rifiutati"), std::string::npos) << e.what();
        }
    }
}

// A run whose recipients bounce, ask to be removed and are away; one
// `posta controlla` updates journal and list and moves exactly those.
TEST_F(ControlloPosta, DopoUnInvioIlControlloAggiornaRegistroEdElenco) {
    TScopedXdgHome casa;
    Avvia();
    if (IsSkipped()) return;
    const auto radice = cartella_.path() / "dati";
    std::filesystem::create_directories(radice);
    ScriviReg(KeyBrivano, "PathDatiGen", radice.string() + "/");
    TAccountPosta posta;
    posta.Host = "127.0.0.1";
    posta.Porta = server_->PortaImaps();
    posta.Utente = TDovecotDiProva::Utente;
    ScriviAccountPosta(posta);
    std::int64_t invio = 0;
    {
        TRegistroInvii registro(TRegistroInvii::Percorso(radice));
        const std::vector<std::string> voci = {"Mario.Rossi@esempio.it", "bianchi@esempio.it",
                                               "cliente@ditta.it", "felice@esempio.it"};
        invio = registro.NuovaSpedizione({"127.0.0.1:465 invii", "invii@ditta.it", "Offerta", {}},
                                         voci);
        for (std::size_t i = 0; i < voci.size(); ++i) {
            registro.Segna(invio, i, TStatoVoce::InCorso, 0, "",
                           "<brivano.1." + std::to_string(i + 1) + "@ditta.it>");
            registro.Segna(invio, i, TStatoVoce::Inviato, 250, "ok");
        }
    }
    DepositaMisti();
    auto esegui = [&](const std::vector<std::string>& argomenti, std::string& uscita) {
        std::istringstream in(std::string(TDovecotDiProva::Password) + "\n");
        std::ostringstream out, err;
        const int stato = EseguiRubrica(argomenti, cartella_.str(), in, out, err);
        uscita = out.str();
        return stato;
    };
    std::string uscita;
    ASSERT_EQ(esegui({"posta", "controlla", "--password-stdin"}, uscita), 0) << uscita;
    EXPECT_NE(uscita.find("Rimbalzi definitivi: 2"), std::string::npos) << uscita;
    EXPECT_NE(uscita.find("in Brivano/Elaborati"), std::string::npos) << uscita;

    const auto voci = TRegistroInvii(TRegistroInvii::Percorso(radice)).Voci(invio);
    EXPECT_EQ(voci[0].Stato, TStatoVoce::Rimbalzato);
    EXPECT_EQ(voci[1].Stato, TStatoVoce::Rimbalzato);
    EXPECT_EQ(voci[2].Stato, TStatoVoce::Inviato);
    std::map<std::string, std::string> motivi;
    for (const auto& v : TNonInviare(PercorsoNonInviare(radice.string() + "/")).Elenco())
        motivi[v.Indirizzo] = v.Motivo.substr(0, 14);
    EXPECT_EQ(motivi,
              (std::map<std::string, std::string>{{"mario.rossi@esempio.it", "rimbalzo 5.1.1"},
                                                  {"bianchi@esempio.it", "rimbalzo 5.1.1"},
                                                  {"cliente@ditta.it", "richiesta del "}}));
    EXPECT_EQ(server_->FileDi().size(), 1u);
    EXPECT_EQ(server_->FileDi(".Brivano.Elaborati").size(), 4u);

    ASSERT_EQ(esegui({"posta", "controlla", "--password-stdin"}, uscita), 0);
    EXPECT_EQ(uscita, "Nessun messaggio nuovo dall'ultimo controllo.\n");
    ASSERT_EQ(esegui({"posta", "elenco"}, uscita), 0);
    EXPECT_EQ(std::count(uscita.begin(), uscita.end(), '\n'), 4) << uscita;
}

}  // namespace
}  // namespace brivano
