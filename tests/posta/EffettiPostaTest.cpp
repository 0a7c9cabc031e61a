// What bounces and requests do to the journal and the do-not-mail list, and
// how an action is undone.
#include "posta/EffettiPosta.h"

#include <gtest/gtest.h>

#include "CampioniPosta.h"
#include "TempDir.h"
#include "posta/RimbalziCancellazioni.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace brivano {
namespace {

class EffettiPosta : public ::testing::Test {
  protected:
    // One run to four addresses, all sent; the first with our sample Message-ID.
    std::int64_t Invio(const std::vector<std::string>& voci, int numero) {
        const std::int64_t id =
            registro_.NuovaSpedizione({"host:587 invii", "invii@ditta.it", "Offerta", {}}, voci);
        for (std::size_t i = 0; i < voci.size(); ++i) {
            const std::string messageId =
                "<brivano." + std::to_string(numero) + "." + std::to_string(i + 1) + "@ditta.it>";
            registro_.Segna(id, i, TStatoVoce::InCorso, 0, "", messageId);
            registro_.Segna(id, i, TStatoVoce::Inviato, 250, "ok");
        }
        return id;
    }
    void Applica(const std::string& messaggio, int soglia = TemporaneiAbituali) {
        TEffettiPosta effetti(registro_, elenco_, archivio_, soglia);
        effetti.Applica({1, ClassificaPosta(messaggio, [&](std::string_view id) {
                             return effetti.Nostro(id);
                         })});
    }
    TVoceNonInviare VoceElenco(const std::string& indirizzo) const {
        for (const TVoceNonInviare& v : elenco_.Elenco())
            if (v.Indirizzo == indirizzo) return v;
        return {};
    }

    TTempDir cartella_;
    TRegistroInvii registro_{cartella_.path() / "RegistroInvii.sqlite"};
    TNonInviare elenco_{cartella_.path() / "NonInviare.db"};
    TArchivioPosta archivio_{cartella_.path() / FileArchivioPosta};
};

TEST_F(EffettiPosta, RimbalzoDefinitivoSegnaLaVoceEMetteInElencoConMotivoEProva) {
    const auto id = Invio({"Mario.Rossi@esempio.it", "bianchi@esempio.it"}, 1);
    Applica(campioni::RapportoDefinitivo());
    const auto voci = registro_.Voci(id);
    EXPECT_EQ(voci[0].Stato, TStatoVoce::Rimbalzato);
    EXPECT_EQ(voci[0].Codice, 550);
    EXPECT_NE(voci[0].Risposta.find("5.1.1"), std::string::npos);
    EXPECT_EQ(voci[1].Stato, TStatoVoce::Inviato);
    const TVoceNonInviare voce = VoceElenco("mario.rossi@esempio.it");
    EXPECT_EQ(voce.Motivo.rfind("rimbalzo 5.1.1 550 5.1.1", 0), 0u) << voce.Motivo;
    EXPECT_EQ(voce.Prova, "rapporto.1@mx.esempio.it");
    EXPECT_FALSE(voce.Aggiunto.empty());

    // The same report seen again does nothing more; undoing puts all back.
    Applica(campioni::RapportoDefinitivo());
    ASSERT_EQ(archivio_.Registrazioni().size(), 1u);
    TEffettiPosta(registro_, elenco_, archivio_).Annulla(archivio_.Registrazioni()[0].Id);
    EXPECT_EQ(registro_.Voci(id)[0].Stato, TStatoVoce::Inviato);
    EXPECT_FALSE(elenco_.Contiene("mario.rossi@esempio.it"));
    EXPECT_TRUE(archivio_.Registrazioni()[0].Annullata);
    EXPECT_THROW(
        TEffettiPosta(registro_, elenco_, archivio_).Annulla(archivio_.Registrazioni()[0].Id),
        EPosta);
}

// One soft bounce per run counts; the third run in a row puts the address on
// the list.
TEST_F(EffettiPosta, TreRimbalziTemporaneiInInviDiversiMettonoInElenco) {
    for (int run = 1; run <= 3; ++run) {
        Invio({"lenta@esempio.it"}, run);
        std::string rapporto = campioni::RapportoRitardato();
        const std::string vecchio = "rapporto.1@mx.esempio.it";
        rapporto.replace(rapporto.find(vecchio), vecchio.size(),
                         "rit." + std::to_string(run) + "@mx");
        const std::string nostro = "brivano.1.1@";
        rapporto.replace(rapporto.find(nostro), nostro.size(),
                         "brivano." + std::to_string(run) + ".1@");
        Applica(rapporto);
        Applica(rapporto);  // the same report again: no second count
        EXPECT_EQ(elenco_.Contiene("lenta@esempio.it"), run == 3) << run;
    }
    EXPECT_NE(VoceElenco("lenta@esempio.it").Motivo.find("rimbalzo temporaneo 4.4.1"),
              std::string::npos);
}

TEST_F(EffettiPosta, RichiestaMetteInElencoIlMittenteEGliIndirizziDelGiornale) {
    Invio({"altro@ditta.it"}, 1);
    Applica(campioni::Richiesta("Re: cancellami",
                                "Cancellami\naltro@ditta.it\nsconosciuto@ditta.it", ""));
    EXPECT_EQ(VoceElenco("cliente@ditta.it").Motivo, MotivoRichiesta);
    EXPECT_EQ(VoceElenco("cliente@ditta.it").Prova, "risposta.1@ditta.it");
    EXPECT_EQ(VoceElenco("altro@ditta.it").Motivo, MotivoRichiesta);
    EXPECT_FALSE(elenco_.Contiene("sconosciuto@ditta.it"));
    // An automatic reply is recorded and changes nothing.
    Applica(campioni::Richiesta("Risposta automatica: offerta", "in ferie", ""));
    EXPECT_EQ(elenco_.Elenco().size(), 2u);
}

// What the window lists and undoes, and its error without incoming settings.
TEST_F(EffettiPosta, LaFinestraElencaEAnnulla) {
    TScopedXdgHome casa;
    Invio({"Mario.Rossi@esempio.it"}, 1);
    Applica(campioni::RapportoDefinitivo());
    Applica(campioni::Richiesta("Out of office", "", ""));
    TRimbalziCancellazioni finestra([this] { return std::optional(cartella_.path()); },
                                    [] { return TAccountCaricato{}; });
    auto righe = finestra.Righe();
    ASSERT_EQ(righe.size(), 2u);
    EXPECT_EQ(righe[0].Celle[1], "risposta-automatica");
    EXPECT_FALSE(righe[0].Annullabile);
    EXPECT_EQ(righe[1].Celle[2], "mario.rossi@esempio.it");
    EXPECT_EQ(righe[1].Celle[3], "1");
    ASSERT_TRUE(righe[1].Annullabile);
    finestra.Annulla(righe[1].Id);
    EXPECT_FALSE(finestra.Righe()[1].Annullabile);
    EXPECT_FALSE(elenco_.Contiene("mario.rossi@esempio.it"));
    try {
        finestra.Controlla();
        FAIL() << "controllo senza server IMAP";
    } catch (const EPosta& e) {
        EXPECT_NE(std::string(e.what()).find("IMAP"), std::string::npos) << e.what();
    }
}

// An account that signs in needs no password: the check asks for its token
// when it connects, and without a way to get one it says so.
TEST_F(EffettiPosta, UnAccountConAccessoUsaIlSuoToken) {
    TScopedXdgHome casa;
    TAccountPosta posta;
    posta.Host = "127.0.0.1";
    ScriviAccountPosta(posta);
    auto caricato = [] {
        TAccountCaricato account;
        account.Account.Mittente = "invii@ditta.it";
        account.Account.Metodo = TMetodoAccesso::Microsoft;
        return account;
    };
    auto radice = [this] { return std::optional(cartella_.path()); };
    try {
        TRimbalziCancellazioni(radice, caricato).Prepara();
        ADD_FAILURE() << "controllo senza token";
    } catch (const EPosta& e) {
        EXPECT_NE(std::string(e.what()).find("token"), std::string::npos) << e.what();
    }
    const TControlloPronto pronto =
        TRimbalziCancellazioni(radice, caricato, [](const TAccountInvio& account) {
            return "token di " + account.Mittente;
        }).Prepara();
    EXPECT_TRUE(pronto.Accesso.Password.empty());
    EXPECT_EQ(pronto.Accesso.Utente, "invii@ditta.it");
    ASSERT_TRUE(pronto.Token);
    EXPECT_EQ(pronto.Token(), "token di invii@ditta.it");
}

}  // namespace
}  // namespace brivano
