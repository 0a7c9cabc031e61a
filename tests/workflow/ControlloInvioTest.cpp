// The send-run controller with a recording view and real threads, against a
// loopback server: a whole run, the same message twice, a stop in the middle
// of a pacing wait and the resume, a resend to the failed, an entry taken by
// another hand, and a view that goes while the run ends.

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "PortachiaviInMemoria.h"
#include "RecordingMessageBoxes.h"
#include "ServerSmtpFinto.h"
#include "SinkAiosmtpd.h"
#include "SmtpSessionServer.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/AccountInvio.h"
#include "workflow/ControlloInvio.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/NonInviare.h"
#include "workflow/RegistroInvii.h"

namespace {

using brivano::TStatoVoce;

// Records what the controller shows; the run's notices may come from its
// threads, so everything is kept under a lock.
class TVistaInvioFinta : public brivano::TVistaInvio {
  public:
    void MostraOperazione(const std::string& testo) override { Nota("operazione " + testo); }
    void MostraAvanzamento(int posizione, const std::string& testo) override {
        Nota("avanzamento " + std::to_string(posizione) + " " + testo);
    }
    void InvioTerminato() override {
        std::lock_guard<std::mutex> lock(mutex_);
        terminato_ = true;
        cambiato_.notify_all();
    }
    void MostraInizio(int massimo, const std::string&) override {
        Nota("inizio " + std::to_string(massimo));
    }
    void MostraFine() override { Nota("fine"); }
    void MostraInterruzione() override { Nota("interruzione"); }
    void MostraReinvia(bool visibile) override { Nota(visibile ? "reinvia" : "niente reinvia"); }
    void SegnaStati(const std::vector<TStatoVoce>& s) override {
        std::lock_guard<std::mutex> lock(mutex_);
        stati.push_back(s);
    }
    void MostraAccount(const std::string& host, const std::string&, const std::string&) override {
        Nota("account " + host);
    }
    void MostraTesti(const brivano::TDatiInvio& dati) override { Nota("testi " + dati.Oggetto); }
    void MostraVoci(const std::vector<brivano::TVoceElenco>& v) override {
        std::lock_guard<std::mutex> lock(mutex_);
        voci.clear();
        campi.clear();
        for (const auto& e : v) {
            voci.push_back(e.Voce);
            campi.push_back(e.Campi);
        }
    }
    void Concluso() override { Nota("concluso"); }
    void Chiudi() override { Nota("chiudi"); }

    // Waits (bounded) for the run's last notice, as a window's event loop does.
    bool AttendiTermine() {
        std::unique_lock<std::mutex> lock(mutex_);
        const bool ok =
            cambiato_.wait_for(lock, std::chrono::seconds(20), [this] { return terminato_; });
        terminato_ = false;
        return ok;
    }
    std::vector<std::string> Note() {
        std::lock_guard<std::mutex> lock(mutex_);
        return note_;
    }
    bool Ha(const std::string& nota) {
        const auto n = Note();
        return std::find(n.begin(), n.end(), nota) != n.end();
    }
    bool Inizia(const std::string& prefisso) {
        for (const auto& n : Note())
            if (n.rfind(prefisso, 0) == 0) return true;
        return false;
    }

    // Every marking, in order: the run's rows, then those kept.
    std::vector<std::vector<TStatoVoce>> stati;
    std::vector<std::string> voci;
    std::vector<brivano::TCampiContatto> campi;

  private:
    void Nota(const std::string& n) {
        std::lock_guard<std::mutex> lock(mutex_);
        note_.push_back(n);
    }
    std::mutex mutex_;
    std::condition_variable cambiato_;
    bool terminato_ = false;
    std::vector<std::string> note_;
};

class ControlloInvio : public ::testing::Test {
  protected:
    void SetUp() override { ScriviReg(KeyBrivano, "PathDatiGen", root.str() + "/"); }

    static brivano::TDatiInvio Testi() {
        brivano::TDatiInvio t;
        t.Host = "127.0.0.1";
        t.Mittente = "mario@example.it";
        t.Oggetto = "Offerta per {{Ragione_Sociale}}";
        t.Righe[0] = "Gentile cliente,";
        return t;
    }
    std::unique_ptr<brivano::TControlloInvio> Controllo(TVistaInvioFinta& vista, int porta) {
        auto c = std::make_unique<brivano::TControlloInvio>(smtp, message, boxes, vista);
        c->SetPorta(porta);
        const int l = 2000;
        c->SetLimitiTempo({l, l, {l, l, l, l, l}, l});
        c->SetAttesaTentativi([](int) {});
        return c;
    }
    static std::vector<brivano::TCampiContatto> Ditte(const std::vector<std::string>& voci) {
        std::vector<brivano::TCampiContatto> campi;
        for (const auto& v : voci)
            campi.push_back({{"Ragione_Sociale", "Ditta " + v.substr(0, 4)}});
        return campi;
    }
    std::unique_ptr<brivano::TRegistroInvii> Registro() {
        return std::make_unique<brivano::TRegistroInvii>(
            brivano::TRegistroInvii::Percorso(root.path()));
    }

    TScopedXdgHome home;
    TTempDir root;
    TRecordingMessageBoxes boxes;
    TIdSMTP smtp;
    TIdMessage message;
};

TEST_F(ControlloInvio, ARunSendsLeavesOutTheListedAndTellsTheFailed) {
    invioprova::TServerContatore server;
    brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato()).Aggiungi("bruno@example.it");
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, server.Port());
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "Anna <anna@x.it> altro@x.it", "carla@example.it"};
    boxes.answers = {TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), voci, Ditte(voci));
    ASSERT_TRUE(controllo->InCorso());
    EXPECT_EQ(boxes.asked, (std::vector<std::string>{
                               "1 destinatario escluso: è nell'elenco non inviare.\rInviare il "
                               "messaggio a 3 destinatari?"}));
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    EXPECT_FALSE(controllo->InCorso());

    EXPECT_EQ(server.Consegne(),
              (std::map<std::string, int>{{"anna@example.it", 1}, {"carla@example.it", 1}}));
    EXPECT_EQ(server.Oggetti()["anna@example.it"], "Offerta per Ditta anna");
    const auto note = vista.Note();
    ASSERT_GE(note.size(), 4u);
    EXPECT_EQ(note.front(), "inizio 2");
    EXPECT_EQ(note[1], "operazione Sto Spedendo anna@example.it");
    EXPECT_TRUE(vista.Ha("avanzamento 3 3 di 3"));
    EXPECT_EQ(std::vector<std::string>(note.end() - 3, note.end()),
              (std::vector<std::string>{"fine", "reinvia", "concluso"}));
    using S = TStatoVoce;
    ASSERT_EQ(vista.stati.size(), 2u);
    EXPECT_EQ(vista.stati[0], (std::vector<S>{S::Inviato, S::Escluso, S::Fallito, S::Inviato}));
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].rfind("Inviati: 2, esclusi: 1, falliti: 1.\rInvio non riuscito "
                                        "per 1 indirizzo:\rAnna <anna@x.it> altro@x.it",
                                        0),
              0u);
    // Not cleared: only the failed stay, marked.
    EXPECT_EQ(boxes.asked.back(),
              "Svuotare l'elenco dei destinatari? (No: restano solo i 1 falliti)");
    EXPECT_EQ(vista.voci, std::vector<std::string>{"Anna <anna@x.it> altro@x.it"});
    EXPECT_EQ(vista.stati[1], std::vector<S>{S::Fallito});
    EXPECT_EQ(controllo->UltimoEsito().Inviati, 2u);
    const auto registrate = Registro()->Voci(controllo->Spedizione());
    ASSERT_EQ(registrate.size(), 4u);
    EXPECT_EQ(registrate[0].Stato, TStatoVoce::Inviato);
    EXPECT_EQ(registrate[1].Stato, TStatoVoce::Escluso);
    EXPECT_EQ(registrate[2].Stato, TStatoVoce::Fallito);
    EXPECT_FALSE(Registro()->SpedizioneIncompiuta()) << "every entry is final: nothing to resume";
}

TEST_F(ControlloInvio, TheSameMessageToTheSameListGoesOnceUnlessTheUserSaysAgain) {
    invioprova::TServerContatore server;
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, server.Port());
    // One address three times, in three forms: it gets one message.
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "Anna <ANNA@example.it>", "anna@Example.IT."};
    const auto invia = [&](std::deque<TConfirmAnswer> risposte) {
        boxes.asked.clear();
        boxes.answers = std::move(risposte);
        controllo->Avvia(Testi(), voci, Ditte(voci));
        if (!controllo->InCorso()) return;
        // A second click while it runs starts nothing and asks nothing.
        const std::size_t domande = boxes.asked.size();
        controllo->Avvia(Testi(), voci, Ditte(voci));
        EXPECT_EQ(boxes.asked.size(), domande);
        EXPECT_TRUE(vista.AttendiTermine());
        controllo->Concludi();
    };
    invia({TConfirmAnswer::Yes});
    ASSERT_FALSE(boxes.asked.empty());
    EXPECT_EQ(boxes.asked[0],
              "2 indirizzi ripetuti nell'elenco ricevono il messaggio una volta sola.\rInviare il "
              "messaggio a 2 destinatari?");
    const std::map<std::string, int> una = {{"anna@example.it", 1}, {"bruno@example.it", 1}};
    EXPECT_EQ(server.Consegne(), una);
    const auto prima = Registro()->Voci(controllo->Spedizione());
    EXPECT_EQ(prima[3].Motivo, brivano::TMotivoEsclusione::Doppione);

    // Again: both are named with the local time of the first run and left
    // out on No; nothing is recorded, nothing sent.
    invia({TConfirmAnswer::No});
    ASSERT_FALSE(boxes.asked.empty());
    EXPECT_EQ(boxes.asked[0].rfind("2 destinatari hanno già ricevuto questo messaggio il ", 0), 0u)
        << boxes.asked[0];
    EXPECT_NE(boxes.asked[0].find(" alle "), std::string::npos);
    EXPECT_EQ(boxes.Messages().back().rfind("2 indirizzi ripetuti", 0), 0u);
    EXPECT_NE(boxes.Messages().back().find("Nessun destinatario da servire"), std::string::npos);
    EXPECT_EQ(server.Consegne(), una);
    EXPECT_EQ(Registro()->Spedizioni().size(), 1u);

    // The user says to send again: each gets a second copy, once.
    invia({TConfirmAnswer::Yes, TConfirmAnswer::Yes});
    EXPECT_EQ(server.Consegne(),
              (std::map<std::string, int>{{"anna@example.it", 2}, {"bruno@example.it", 2}}));
    EXPECT_FALSE(Registro()->SpedizioneIncompiuta());
}

TEST_F(ControlloInvio, ARunDeclinedForResumeCanBeClosedAndIsNeverOfferedAgain) {
    std::int64_t id = 0;
    {
        auto registro = Registro();
        id = registro->NuovaSpedizione(
            {"127.0.0.1:25 mario@example.it", "mario@example.it", "Offerta", {}},
            {"anna@example.it", "bruno@example.it"});
        registro->Segna(id, 0, TStatoVoce::InCorso);
        registro->Segna(id, 0, TStatoVoce::Inviato, 250, "ok");
    }
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, 25);
    boxes.answers = {TConfirmAnswer::No, TConfirmAnswer::Yes};
    controllo->OffriRipresa();
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[1].rfind("Chiudere la spedizione del ", 0), 0u) << boxes.asked[1];
    EXPECT_TRUE(Registro()->Spedizione(id).Finita());
    EXPECT_EQ(Registro()->Voci(id)[1].Motivo, brivano::TMotivoEsclusione::Scelta);
    controllo->OffriRipresa();
    EXPECT_EQ(boxes.asked.size(), 2u) << "closed: not asked again";
}

// The header's value in a stored message ("" when absent).
std::string Intestazione(const std::string& messaggio, const std::string& nome) {
    const auto inizio = messaggio.find("\r\n" + nome + ": ");
    if (inizio == std::string::npos) return "";
    const auto da = inizio + nome.size() + 4;
    return messaggio.substr(da, messaggio.find("\r\n", da) - da);
}

TEST_F(ControlloInvio, TheJournalKeepsTheMessageIdOnTheWireAndAResumeReusesIt) {
    TTempDir cartella;
    TSinkAiosmtpd sink(cartella.path());
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "carla@example.it"};
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, sink.Port());
    boxes.answers = {TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), voci, Ditte(voci));
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    auto ricevuti = TSinkAiosmtpd::Messages(cartella.path());
    ASSERT_EQ(ricevuti.size(), 3u);
    std::map<std::string, std::string> sulFilo;
    for (const auto& m : ricevuti) sulFilo[Intestazione(m, "To")] = Intestazione(m, "Message-ID");
    for (const auto& v : Registro()->Voci(controllo->Spedizione())) {
        EXPECT_EQ(v.MessageId, sulFilo[v.Voce]) << v.Voce;
        EXPECT_EQ(v.MessageId.front(), '<');
    }

    // An entry left uncertain by a stop, sent again on the user's word,
    // goes with the id it had: the receiver can tell it is the same message.
    const auto id = Registro()->NuovaSpedizione(
        {"127.0.0.1:" + std::to_string(sink.Port()) + " mario@example.it",
         "mario@example.it",
         "Offerta",
         {}},
        {"dora@example.it"});
    Registro()->Segna(id, 0, TStatoVoce::InCorso, 0, "", "<prima.1@example.it>");
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    controllo->OffriRipresa();
    ASSERT_EQ(vista.voci, std::vector<std::string>{"dora@example.it"});
    auto testi = Testi();
    testi.Oggetto = "Offerta";
    controllo->Avvia(testi, vista.voci, vista.campi);
    ASSERT_TRUE(controllo->InCorso()) << boxes.Messages().size();
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    ricevuti = TSinkAiosmtpd::Messages(cartella.path());
    ASSERT_EQ(ricevuti.size(), 4u);
    EXPECT_EQ(Intestazione(ricevuti.back(), "Message-ID"), "<prima.1@example.it>");
    EXPECT_EQ(Registro()->Voci(id)[0].MessageId, "<prima.1@example.it>");
}

TEST_F(ControlloInvio, ChecksAndRefusalsComeBeforeAnyConnection) {
    // Nobody listens there: a run that started would fail, not be refused.
    int porta = 0;
    const int chiuso = smtptest::BindLoopback(porta, false);
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, porta);
    const auto testi = Testi();
    struct TCaso {
        std::function<void(brivano::TDatiInvio&)> Cambia;
        std::vector<std::string> Voci;
        std::string Box;
    };
    const std::vector<TCaso> casi = {
        {[](auto& t) { t.Host = "127.0.0.1\r\nRSET"; },
         {"anna@example.it"},
         "L'host di spedizione contiene un a capo o un carattere nullo: invio annullato."},
        {[](auto& t) { t.Righe[1] = "{{Nome}}"; },
         {"anna@example.it"},
         "Campo di unione sconosciuto"},
        {[](auto&) {}, {}, ""},
    };
    for (const auto& caso : casi) {
        boxes.boxes.clear();
        auto t = testi;
        caso.Cambia(t);
        controllo->Avvia(t, caso.Voci, Ditte(caso.Voci));
        EXPECT_FALSE(controllo->InCorso());
        EXPECT_EQ(vista.Note().back(), "concluso");
        if (caso.Box.empty())
            EXPECT_TRUE(boxes.boxes.empty());
        else {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text.rfind(caso.Box, 0), 0u) << boxes.boxes[0].text;
        }
    }
    EXPECT_FALSE(vista.Inizia("inizio"));
    EXPECT_EQ(Registro()->Spedizioni().size(), 0u) << "no journal run for a refused one";
    ::close(chiuso);
}

TEST_F(ControlloInvio, AStopInAPacingWaitLeavesTheRestAndTheResumeSendsItOnce) {
    invioprova::TServerContatore server;
    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni{portachiavi};
    brivano::TAccountInvio account;
    account.Host = "127.0.0.1";
    account.Porta = server.Port();
    account.Mittente = "mario@example.it";
    account.Limiti.PerMinuto = 1;
    impostazioni.Salva(account, "");
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "carla@example.it"};
    {
        TVistaInvioFinta vista;
        auto controllo = Controllo(vista, server.Port());
        controllo->SetImpostazioni(&impostazioni);
        boxes.answers = {TConfirmAnswer::Yes};
        controllo->Avvia(Testi(), voci, Ditte(voci));
        for (int i = 0; i < 400 && !vista.Inizia("operazione In attesa fino "); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(vista.Inizia("operazione In attesa fino "));
        controllo->Interrompi();
        EXPECT_TRUE(vista.Ha("interruzione"));
        ASSERT_TRUE(vista.AttendiTermine());
        controllo->Concludi();
        EXPECT_TRUE(controllo->UltimoEsito().Interrotto);
        EXPECT_EQ(boxes.Messages().back().rfind("Inviati: 1, esclusi: 0, falliti: 0.\rInvio "
                                                "interrotto: 2 indirizzi restano da inviare. Per "
                                                "continuare premere di nuovo",
                                                0),
                  0u);
        EXPECT_NE(boxes.Messages().back().find("\"Riprendi\" in \"Storico Invii\""),
                  std::string::npos);
        // The list holds what is left, ready to go on.
        EXPECT_EQ(vista.voci, (std::vector<std::string>{"bruno@example.it", "carla@example.it"}));
    }
    EXPECT_EQ(server.Consegne().size(), 1u);

    // Another controller, as after starting again: the run is offered; the
    // limit is lifted meanwhile.
    account.Limiti.PerMinuto = 0;
    impostazioni.Salva(account, "");
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, server.Port());
    controllo->SetImpostazioni(&impostazioni);
    controllo->OffriRipresa();
    EXPECT_TRUE(vista.Ha("testi Offerta per {{Ragione_Sociale}}"));
    ASSERT_EQ(vista.voci, (std::vector<std::string>{"bruno@example.it", "carla@example.it"}));
    const std::int64_t ripresa = controllo->Spedizione();
    controllo->Avvia(Testi(), vista.voci, vista.campi);
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    EXPECT_EQ(controllo->Spedizione(), ripresa) << "the same journal run, not a new one";
    for (const auto& v : voci) EXPECT_EQ(server.Consegne()[v], 1) << v;
    // The merge fields came back from the journal.
    EXPECT_EQ(server.Oggetti()["carla@example.it"], "Offerta per Ditta carl");
    EXPECT_FALSE(Registro()->SpedizioneIncompiuta());
}

TEST_F(ControlloInvio, AResendGoesToTheFailedOnly) {
    int chiusa = 0;
    const int socketChiuso = smtptest::BindLoopback(chiusa, false);
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, chiusa);
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it"};
    boxes.answers = {TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), voci, Ditte(voci));
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    ::close(socketChiuso);
    ASSERT_FALSE(vista.stati.empty());
    EXPECT_EQ(vista.stati[0], (std::vector<TStatoVoce>{TStatoVoce::Fallito, TStatoVoce::Fallito}));
    ASSERT_TRUE(vista.Ha("reinvia"));

    invioprova::TServerContatore server;
    controllo->SetPorta(server.Port());
    ASSERT_TRUE(controllo->PreparaReinvio());
    EXPECT_EQ(vista.voci, voci);
    EXPECT_TRUE(vista.Ha("niente reinvia"));
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), vista.voci, vista.campi);
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    EXPECT_EQ(boxes.Messages().back(), "Inviati: 2, esclusi: 0, falliti: 0.");
    EXPECT_TRUE(vista.voci.empty()) << "cleared on the user's Yes";
    EXPECT_EQ(server.Consegne().size(), 2u);
    EXPECT_EQ(Registro()->Spedizioni().size(), 1u) << "the resend is the same run";
}

TEST_F(ControlloInvio, AnEntryTakenByAnotherHandMeanwhileIsNotSent) {
    invioprova::TServerContatore server(20);
    TVistaInvioFinta vista;
    auto controllo = Controllo(vista, server.Port());
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "carla@example.it"};
    boxes.answers = {TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), voci, Ditte(voci));
    for (int i = 0; i < 400 && server.Consegne().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // Another hand takes the last entry meanwhile: the run may not send it.
    Registro()->Segna(controllo->SpedizioneInCorso(), 2, TStatoVoce::Fallito, 550, "altrove");
    ASSERT_TRUE(vista.AttendiTermine());
    controllo->Concludi();
    const auto& esito = controllo->UltimoEsito();
    EXPECT_FALSE(esito.Interrotto);
    ASSERT_EQ(esito.Saltati.size(), 1u);
    EXPECT_EQ(esito.Saltati[0].Indice, 2u);
    EXPECT_EQ(server.Consegne().count("carla@example.it"), 0u);
    EXPECT_EQ(Registro()->Voci(controllo->Spedizione())[2].Risposta, "altrove");
    EXPECT_TRUE(vista.Ha("concluso"));
}

TEST_F(ControlloInvio, AViewThatGoesWhileTheRunEndsHearsNothingMore) {
    invioprova::TServerContatore server(5);
    auto vista = std::make_unique<TVistaInvioFinta>();
    auto controllo = Controllo(*vista, server.Port());
    std::vector<std::string> voci;
    for (int i = 0; i < 4; ++i) voci.push_back("dest" + std::to_string(i) + "@example.it");
    boxes.answers = {TConfirmAnswer::Yes};
    controllo->Avvia(Testi(), voci, Ditte(voci));
    boxes.boxes.clear();
    controllo->Interrompi();
    boxes.answers = {TConfirmAnswer::Yes};
    EXPECT_FALSE(controllo->PuoChiudere()) << "the stop was asked: no second question";
    EXPECT_TRUE(boxes.boxes.empty());
    // The view's owner goes first: the controller waits for its thread.
    controllo.reset();
    const auto note = vista->Note();
    vista.reset();
    EXPECT_EQ(std::count(note.begin(), note.end(), "concluso"), 0);
    EXPECT_LT(server.Consegne().size(), 4u);
}

}  // namespace
