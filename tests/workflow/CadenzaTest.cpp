// The sending pace: rolling windows, pause, sends from earlier runs, a stop
// during a wait, the estimated end and the texts shown; all on a clock the
// test moves.

#include "workflow/Cadenza.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "InvioDiProva.h"
#include "ServerSessioni.h"
#include "ServerSmtpFinto.h"
#include "TempDir.h"
#include "workflow/CadenzaInvio.h"
#include "workflow/RegistroInvii.h"

using namespace brivano;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

namespace {

// 2026-12-09 10:00:00 UTC.
const TIstante Base = TIstante(seconds(1796810400));

// Times as seconds after Base, for readable expectations.
long long Dopo(TIstante t) {
    return std::chrono::duration_cast<seconds>(t - Base).count();
}

// A throttle on a clock that only the test moves; every wait jumps the clock
// to its end and is recorded.
struct TBanco {
    TIstante ora = Base;
    std::vector<TIstante> attese;
    bool fermaAllaProssimaAttesa = false;
    TCadenza cadenza;

    explicit TBanco(const TLimitiInvio& limiti, std::vector<TIstante> precedenti = {})
        : cadenza(
              limiti, std::move(precedenti), [this] { return ora; },
              [this](TIstante fino) {
                  attese.push_back(fino);
                  if (fermaAllaProssimaAttesa) return false;
                  ora = fino;
                  return true;
              }) {}

    // Sends `n` messages of `durata` seconds each; returns their starts.
    std::vector<long long> Invia(int n, int durata) {
        std::vector<long long> inizi;
        for (int i = 0; i < n; ++i) {
            if (!cadenza.AttendiTurno()) break;
            inizi.push_back(Dopo(ora));
            ora += seconds(durata);
            cadenza.Registra(true);
        }
        return inizi;
    }
};

class TestiCadenza : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz) vecchia_ = tz;
        avevaTz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (avevaTz_)
            setenv("TZ", vecchia_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::string vecchia_;
    bool avevaTz_ = false;
};

TEST(Cadenza, WaitsSoNoRollingWindowIsExceeded) {
    struct Caso {
        const char* nome;
        TLimitiInvio limiti;
        int messaggi;
        int durata;
        std::vector<long long> inizi;
    };
    const Caso casi[] = {
        {"nessun limite", {}, 4, 1, {0, 1, 2, 3}},
        // The send that ended at 1 s leaves the minute exactly at 61 s.
        {"al minuto", {3, 0, 0, 0}, 7, 1, {0, 1, 2, 61, 62, 63, 122}},
        {"all'ora", {0, 2, 0, 0}, 3, 1, {0, 1, 3601}},
        {"al giorno", {0, 0, 2, 0}, 3, 5, {0, 5, 86405}},
        {"pausa", {0, 0, 0, 10}, 3, 2, {0, 12, 24}},
        {"pausa e minuto", {2, 0, 0, 30}, 4, 1, {0, 31, 62, 93}},
        {"ora prima del minuto", {5, 2, 0, 0}, 3, 1, {0, 1, 3601}},
    };
    for (const Caso& c : casi) {
        TBanco banco(c.limiti);
        EXPECT_EQ(banco.Invia(c.messaggi, c.durata), c.inizi) << c.nome;
    }
}

TEST(Cadenza, NoWindowEverHoldsMoreThanItsLimit) {
    const TLimitiInvio limiti{7, 40, 90, 3};
    TBanco banco(limiti);
    std::vector<TIstante> fini;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(banco.cadenza.AttendiTurno());
        banco.ora += seconds(1 + i % 5);
        fini.push_back(banco.ora);
        banco.cadenza.Registra(true);
    }
    const std::pair<seconds, int> finestre[] = {{seconds(60), limiti.PerMinuto},
                                                {seconds(3600), limiti.PerOra},
                                                {hours(24), limiti.PerGiorno}};
    for (const auto& [durata, limite] : finestre)
        for (std::size_t i = 0; i < fini.size(); ++i) {
            int nellaFinestra = 0;
            for (std::size_t j = 0; j <= i; ++j)
                if (fini[j] > fini[i] - durata) ++nellaFinestra;
            ASSERT_LE(nellaFinestra, limite)
                << "finestra di " << durata.count() << " s, invio " << i;
        }
    // The day limit was reached: the last messages waited into the next day.
    EXPECT_GT(fini.back() - fini.front(), hours(24));
}

TEST(Cadenza, MessagesNotTakenStartThePauseButDoNotCount) {
    TBanco banco({2, 0, 0, 5});
    ASSERT_TRUE(banco.cadenza.AttendiTurno());
    banco.cadenza.Registra(false);  // refused or deferred
    EXPECT_EQ(Dopo(banco.cadenza.ProssimoTurno().Quando), 5);
    EXPECT_EQ(banco.cadenza.ProssimoTurno().Motivo, TMotivoAttesa::Pausa);
    EXPECT_EQ(banco.Invia(3, 0), (std::vector<long long>{5, 10, 65}));
}

TEST(Cadenza, MessagesUnderWayOnParallelConnectionsCountUntilTheyEnd) {
    TBanco banco({2, 0, 0, 0});
    ASSERT_TRUE(banco.cadenza.AttendiTurno());  // connection 1
    EXPECT_EQ(banco.cadenza.ProssimoTurno().Motivo, TMotivoAttesa::Nessuno);
    ASSERT_TRUE(banco.cadenza.AttendiTurno());  // connection 2
    // Both under way fill the minute whatever their start: look again soon.
    EXPECT_EQ(Dopo(banco.cadenza.ProssimoTurno().Quando), 1);
    EXPECT_EQ(banco.cadenza.ProssimoTurno().Motivo, TMotivoAttesa::Minuto);
    banco.ora += seconds(90);
    EXPECT_EQ(Dopo(banco.cadenza.ProssimoTurno().Quando), 91) << "still under way";
    banco.cadenza.Registra(true);
    banco.ora += seconds(5);
    banco.cadenza.Registra(false);
    // One counted at 90 s, one under way... none: the refused one ended.
    EXPECT_EQ(banco.cadenza.ProssimoTurno().Motivo, TMotivoAttesa::Nessuno);
    ASSERT_TRUE(banco.cadenza.AttendiTurno());
    EXPECT_EQ(Dopo(banco.cadenza.ProssimoTurno().Quando), 150);
}

TEST(Cadenza, SendsOfEarlierRunsCount) {
    // Three sends in the last hour, one a day and a half ago.
    const std::vector<TIstante> precedenti = {Base - minutes(10), Base - minutes(50),
                                              Base - minutes(40), Base - hours(36)};
    TBanco banco({0, 3, 4, 0}, precedenti);
    const TTurno turno = banco.cadenza.ProssimoTurno();
    EXPECT_EQ(Dopo(turno.Quando), 10 * 60);
    EXPECT_EQ(turno.Motivo, TMotivoAttesa::Ora);
    // One more fits the day; the fifth waits for the oldest of the day to go.
    EXPECT_EQ(banco.Invia(2, 1), (std::vector<long long>{10 * 60, 23 * 3600 + 10 * 60}));
}

TEST(Cadenza, JournalSendsOfTheSameAccountHoldAcrossRuns) {
    TTempDir dir;
    TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    const std::array<std::string, 8> righe{};
    const auto prima = registro.NuovaSpedizione({"smtp.x.it:465 io@x.it", "io@x.it", "A", righe},
                                                {"a@y.it", "b@y.it", "c@y.it", "d@y.it"});
    for (std::size_t p = 0; p < 3; ++p) {
        registro.Segna(prima, p, TStatoVoce::InCorso);
        registro.Segna(prima, p, p == 2 ? TStatoVoce::Fallito : TStatoVoce::Inviato);
    }
    const auto altro =
        registro.NuovaSpedizione({"smtp.z.it:25 io@z.it", "io@z.it", "B", righe}, {"e@y.it"});
    registro.Segna(altro, 0, TStatoVoce::InCorso);  // left uncertain: counts too

    TAccountInvio account;
    account.Host = "smtp.x.it";
    account.Limiti = {0, 2, 0, 0};
    account.Rinvii = {4, 90};
    TOpzioniInvio opzioni;
    const auto adesso = std::chrono::system_clock::now();
    ImpostaCadenza(opzioni, account, &registro, "smtp.x.it:465 io@x.it", nullptr);
    ASSERT_TRUE(opzioni.Cadenza);
    EXPECT_EQ(opzioni.Tentativi, 4);
    EXPECT_EQ(opzioni.AttesaTentativoMs, 90000);
    // Two sends (the failed one does not count): the hour is full.
    EXPECT_EQ(opzioni.Cadenza->ProssimoTurno().Motivo, TMotivoAttesa::Ora);
    EXPECT_GT(opzioni.Cadenza->ProssimoTurno().Quando, adesso + minutes(59));

    account.Limiti = {0, 0, 1, 0};
    ImpostaCadenza(opzioni, account, &registro, "smtp.z.it:25 io@z.it", nullptr);
    EXPECT_EQ(opzioni.Cadenza->ProssimoTurno().Motivo, TMotivoAttesa::Giorno);

    ImpostaCadenza(opzioni, std::nullopt, &registro, "smtp.x.it:465 io@x.it", nullptr);
    EXPECT_EQ(opzioni.Tentativi, 2);
    EXPECT_EQ(opzioni.AttesaTentativoMs, 60000);
    EXPECT_EQ(opzioni.Cadenza->ProssimoTurno().Motivo, TMotivoAttesa::Nessuno);
    EXPECT_EQ(registro.InviiDal("smtp.x.it:465 io@x.it", 0).size(), 2u);
}

// The window's path: the run's pace set from the account (none here) on the
// real clock. A turn due now must not close the session between messages.
TEST(Cadenza, APaceWithoutLimitsKeepsTheSessionForItsShare) {
    invioprova::TServerSessioni server({});
    invioprova::TRun run(server.Port());
    run.dati.PerConnessione = 10;
    ImpostaConnessioni(run.opzioni, run.dati, run.limiti);
    ImpostaCadenza(run.opzioni, std::nullopt, nullptr, "", nullptr);
    const std::vector<std::string> voci = {"a@y.it", "b@y.it", "c@y.it", "d@y.it"};
    EXPECT_EQ(run.Esegui(voci).Inviati, 4u);
    EXPECT_EQ(server.Connessioni(), 1);
}

TEST(Cadenza, StopDuringAWaitEndsTheTurn) {
    TBanco banco({1, 0, 0, 0});
    ASSERT_EQ(banco.Invia(1, 1).size(), 1u);
    banco.fermaAllaProssimaAttesa = true;
    EXPECT_FALSE(banco.cadenza.AttendiTurno());
    ASSERT_EQ(banco.attese.size(), 1u);
    EXPECT_EQ(Dopo(banco.attese[0]), 61);
    EXPECT_EQ(Dopo(banco.ora), 1);  // the clock never moved: no wait took place

    // The real wait sees a stop flag already set and gives up before sleeping.
    const std::atomic<bool> ferma{true};
    EXPECT_FALSE(AttesaInterrompibile(&ferma)(std::chrono::system_clock::now() + hours(1)));
    EXPECT_TRUE(AttesaInterrompibile(nullptr)(std::chrono::system_clock::now() - seconds(1)));
}

TEST(Cadenza, StopDuringAWaitLeavesTheRestOfTheRunToSend) {
    invioprova::TServerContatore server;
    TTempDir dir;
    TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    const std::vector<std::string> voci = {"a@y.it", "b@y.it", "c@y.it"};
    invioprova::TRun run(server.Port());
    run.opzioni.Registro = &registro;
    run.opzioni.Spedizione = registro.NuovaSpedizione({"x", "io@x.it", "A", {}}, voci);
    TIstante ora = Base;
    std::vector<TIstante> attese;
    run.opzioni.Cadenza = std::make_shared<TCadenza>(
        TLimitiInvio{2, 0, 0, 0}, std::vector<TIstante>{}, [&] { return ora; },
        [&](TIstante fino) {
            attese.push_back(fino);
            return false;  // the user pressed "Interrompi"
        });
    std::vector<std::string> avvisi;
    run.opzioni.Cadenza->AvvisoAttesa = [&](const std::string& t) { avvisi.push_back(t); };
    const TEsitoInvio esito = run.Esegui(voci);
    EXPECT_TRUE(esito.Interrotto);
    EXPECT_EQ(esito.Inviati, 2u);
    EXPECT_EQ(attese.size(), 1u);
    EXPECT_EQ(avvisi.size(), 1u);
    EXPECT_EQ(server.Consegne().count("c@y.it"), 0u);
    EXPECT_EQ(registro.Voci(run.opzioni.Spedizione).at(2).Stato, TStatoVoce::DaInviare);
    EXPECT_EQ(registro.Spedizione(run.opzioni.Spedizione).DaFare, 1u);
}

TEST(Cadenza, EstimatedEndFollowsThePlanAndTheMeasuredTime) {
    TBanco libero({});
    EXPECT_FALSE(libero.cadenza.FineStimata(5));  // nothing measured yet
    libero.Invia(2, 2);
    EXPECT_EQ(Dopo(*libero.cadenza.FineStimata(9)), 4 + 18);

    // Three a minute, one second each: after the first, two fit the minute,
    // the next three wait for the sends at 1, 2 and 3 s to leave it.
    TBanco limitato({3, 0, 0, 0});
    limitato.Invia(1, 1);
    EXPECT_EQ(Dopo(*limitato.cadenza.FineStimata(5)), 64);
    EXPECT_EQ(Dopo(*limitato.cadenza.FineStimata(0)), 1);

    TBanco pausa({0, 0, 0, 10});
    pausa.Invia(1, 2);
    EXPECT_EQ(Dopo(*pausa.cadenza.FineStimata(3)), 2 + 3 * 12);
}

TEST_F(TestiCadenza, WaitAndProgressTexts) {
    EXPECT_EQ(TestoAttesa(Base + minutes(35), Base), "In attesa fino alle 10:35");
    EXPECT_EQ(TestoAttesa(Base + hours(23), Base), "In attesa fino a domani alle 09:00");
    EXPECT_EQ(TestoAttesa(Base + hours(50), Base), "In attesa fino al 11/12 alle 12:00");
    EXPECT_EQ(TestoMomento(Base + minutes(5), Base), "alle 10:05");
    EXPECT_EQ(TestoMomento(Base + hours(14), Base), "domani alle 00:00");
    EXPECT_EQ(TestoMomento(Base + hours(24 * 40), Base), "il 18/01 alle 10:00");

    TBanco banco({0, 0, 2, 0});
    EXPECT_EQ(banco.cadenza.TestoAvanzamento(0, 5), "0 di 5");
    std::vector<std::string> avvisi;
    banco.cadenza.AvvisoAttesa = [&](const std::string& t) { avvisi.push_back(t); };
    banco.Invia(2, 60);
    EXPECT_EQ(banco.cadenza.TestoAvanzamento(2, 5),
              "2 di 5 · fine prevista il 11/12 alle 10:03 · limite di 2 messaggi al giorno "
              "raggiunto");
    banco.Invia(1, 60);
    EXPECT_EQ(avvisi, std::vector<std::string>{"In attesa fino a domani alle 10:01"});
    EXPECT_EQ(banco.cadenza.TestoAvanzamento(5, 5), "5 di 5");
}

}  // namespace
