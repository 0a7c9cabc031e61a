// Promotional runs: who is left out and why, and a whole run through the
// send-run controller that reaches only the addresses with a basis and keeps
// the basis of every entry.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "RecordingMessageBoxes.h"
#include "ServerSmtpFinto.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/ControlloInvio.h"
#include "workflow/InvioPromozionale.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

using namespace brivano;

namespace {

// Only the end of a run matters here.
class TVistaMinima : public TVistaInvioMuta {
  public:
    void InvioTerminato() override {
        std::lock_guard<std::mutex> lock(mutex_);
        terminato_ = true;
        cambiato_.notify_all();
    }
    void Concluso() override { ++conclusi; }

    bool AttendiTermine() {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool ok =
            cambiato_.wait_for(lock, std::chrono::seconds(30), [this] { return terminato_; });
        terminato_ = false;
        return ok;
    }
    int conclusi = 0;

  private:
    std::mutex mutex_;
    std::condition_variable cambiato_;
    bool terminato_ = false;
};

void Metti(TRegistroContatti& registro, const char* indirizzo, TBaseGiuridica base,
           const char* opposizione = "", const char* referente = "") {
    TVoceRegistro v{indirizzo};
    v.Base = base;
    v.DataRaccolta = "2024-01-15";
    v.DataOpposizione = opposizione;
    v.Referente = referente;
    registro.Scrivi(v);
}

const std::vector<std::string> Voci = {"anna@example.it",  "bruno@example.it", "carla@example.it",
                                       "dario@example.it", "erica@example.it", "fabio@example.it"};

void Campione(TRegistroContatti& registro) {
    Metti(registro, "anna@example.it", TBaseGiuridica::Consenso, "", "Anna Rossi");
    Metti(registro, "bruno@example.it", TBaseGiuridica::Cliente);
    Metti(registro, "carla@example.it", TBaseGiuridica::Contratto);
    Metti(registro, "dario@example.it", TBaseGiuridica::Nessuna);
    Metti(registro, "erica@example.it", TBaseGiuridica::Consenso, "2025-02-01");
    // fabio: not in the register at all
}

}  // namespace

TEST(InvioPromozionaleTest, APromotionalRunLeavesOutExactlyThoseWithoutAnAllowingBasis) {
    TTempDir dir;
    TRegistroContatti registro(PercorsoRegistroContatti(dir.path()));
    Campione(registro);
    const TBasiInvio promo = BasiInvio(&registro, TTipoInvio::Promozionale, Voci);
    std::vector<bool> fuori;
    for (const TBaseVoce& v : promo.Voci) fuori.push_back(v.Esclusa);
    EXPECT_EQ(fuori, (std::vector<bool>{false, false, true, true, true, true}));
    EXPECT_EQ(promo.Riepilogo(),
              "2 senza base giuridica, 1 con sola base contrattuale, 1 con opposizione");
    EXPECT_EQ(promo.Voci[1].Base, TBaseGiuridica::Cliente);

    const TBasiInvio servizio = BasiInvio(&registro, TTipoInvio::Servizio, Voci);
    EXPECT_EQ(servizio.Esclusi(), 0u);
    EXPECT_EQ(servizio.Riepilogo(), "");
    EXPECT_EQ(servizio.Voci[2].Base, TBaseGiuridica::Contratto);
}

class InvioPromozionaleControllo : public ::testing::Test {
  protected:
    void SetUp() override { ScriviReg(KeyBrivano, "PathDatiGen", root.str() + "/"); }

    std::unique_ptr<TControlloInvio> Controllo(int porta) {
        auto c = std::make_unique<TControlloInvio>(smtp, message, boxes, vista);
        c->SetPorta(porta);
        const int l = 2000;
        c->SetLimitiTempo({l, l, {l, l, l, l, l}, l});
        c->SetAttesaTentativi([](int) {});
        return c;
    }
    static TDatiInvio Testi() {
        TDatiInvio t;
        t.Host = "127.0.0.1";
        t.Mittente = "mario@example.it";
        t.Oggetto = "Offerta per {{Referente|cliente}}";
        t.Righe[0] = "Gentile cliente,";
        return t;
    }

    TScopedXdgHome home;
    TTempDir root;
    TRecordingMessageBoxes boxes;
    TVistaMinima vista;
    TIdSMTP smtp;
    TIdMessage message;
};

TEST_F(InvioPromozionaleControllo, SendsOnlyOnAnAllowingBasisAndKeepsEachEntrysBasis) {
    {
        TRegistroContatti registro(PercorsoRegistroContatti(root.path()));
        Campione(registro);
    }
    invioprova::TServerContatore server;
    auto controllo = Controllo(server.Port());
    // Promotional; then go on without those left out; then the count.
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), Voci, {});
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();

    EXPECT_EQ(server.Consegne(),
              (std::map<std::string, int>{{"anna@example.it", 1}, {"bruno@example.it", 1}}));
    EXPECT_EQ(server.Oggetti()["anna@example.it"], "Offerta per Anna Rossi");
    EXPECT_EQ(server.Oggetti()["bruno@example.it"], "Offerta per cliente");
    bool detto = false, avvisato = false;
    for (const auto& box : boxes.boxes) {
        detto = detto || box.text.find(
                             "Restano fuori 4 destinatari: 2 senza base giuridica, 1 con "
                             "sola base contrattuale, 1 con opposizione.") == 0;
        avvisato = avvisato || box.text.find("DLGS 196/2003") != std::string::npos;
    }
    EXPECT_TRUE(detto);
    EXPECT_TRUE(avvisato);

    const TRegistroContatti registro(PercorsoRegistroContatti(root.path()));
    const std::vector<TBaseVoce> basi = registro.BasiSpedizione(controllo->Spedizione());
    ASSERT_EQ(basi.size(), Voci.size());
    EXPECT_EQ(basi[0].Tipo, TTipoInvio::Promozionale);
    EXPECT_EQ(basi[0].Base, TBaseGiuridica::Consenso);
    EXPECT_EQ(basi[0].DataRaccolta, "2024-01-15");
    EXPECT_EQ(basi[1].Base, TBaseGiuridica::Cliente);
    EXPECT_FALSE(basi[1].Esclusa);
    EXPECT_TRUE(basi[2].Esclusa);
    EXPECT_EQ(basi[5].Base, TBaseGiuridica::Nessuna);
    const auto registrate =
        TRegistroInvii(TRegistroInvii::Percorso(root.path())).Voci(controllo->Spedizione());
    ASSERT_EQ(registrate.size(), Voci.size());
    EXPECT_EQ(registrate[3].Stato, TStatoVoce::Escluso);
    EXPECT_EQ(registrate[3].Motivo, brivano::TMotivoEsclusione::SenzaBase);

    // The same draft again: its kind is remembered, the footer warned about once.
    boxes.answers = {TConfirmAnswer::No};
    controllo->Avvia(Testi(), Voci, {});
    EXPECT_FALSE(controllo->InCorso());
    int domande = 0, avvisi = 0;
    for (const auto& box : boxes.boxes) {
        domande += box.caption == "Tipo di invio" ? 1 : 0;
        avvisi += box.text.find("DLGS 196/2003") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(domande, 1);
    EXPECT_EQ(avvisi, 1);
    EXPECT_EQ(boxes.boxes.back().text.rfind("Restano fuori 4", 0), 0u);
}

TEST_F(InvioPromozionaleControllo, AResumedRunKeepsEachBasisAtItsJournalPosition) {
    {
        TRegistroContatti registro(PercorsoRegistroContatti(root.path()));
        Campione(registro);
    }
    std::int64_t id = 0;
    {
        // A run cut short after its first message.
        TRegistroInvii giornale(TRegistroInvii::Percorso(root.path()));
        id = giornale.NuovaSpedizione(
            {"127.0.0.1 mario@example.it", "mario@example.it", Testi().Oggetto, Testi().Righe},
            Voci);
        giornale.Segna(id, 0, TStatoVoce::InCorso);
        giornale.Segna(id, 0, TStatoVoce::Inviato, 250, "OK");
    }
    invioprova::TServerContatore server;
    auto controllo = Controllo(server.Port());
    ASSERT_TRUE(controllo->PreparaRipresa(id, false));
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), {Voci.begin() + 1, Voci.end()}, {});
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    ASSERT_EQ(controllo->Spedizione(), id);
    EXPECT_EQ(server.Consegne(), (std::map<std::string, int>{{"bruno@example.it", 1}}));

    // Each basis sits at the entry of its address in the journal.
    const TRegistroContatti registro(PercorsoRegistroContatti(root.path()));
    const std::vector<TBaseVoce> basi = registro.BasiSpedizione(id);
    ASSERT_EQ(basi.size(), Voci.size() - 1);
    for (const TBaseVoce& b : basi) {
        ASSERT_GE(b.Posizione, 1u);
        ASSERT_LT(b.Posizione, Voci.size());
        EXPECT_EQ(b.Indirizzo, Voci[b.Posizione]);
    }
    EXPECT_EQ(basi[0].Base, TBaseGiuridica::Cliente);
    EXPECT_FALSE(basi[0].Esclusa);
}
