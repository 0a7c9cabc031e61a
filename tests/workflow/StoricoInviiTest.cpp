// What the history window shows of the journal: runs with their counts,
// entries with uncertain ones marked, and the CSV exports.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "TempDir.h"
#include "workflow/RipresaInvio.h"
#include "workflow/StoricoInvii.h"

using brivano::TRegistroInvii;
using brivano::TStatoVoce;
using brivano::TStoricoInvii;

namespace {

// Two runs: the first finished, the second left with one entry of each state.
struct TDueSpedizioni {
    TTempDir dir;
    std::filesystem::path file = TRegistroInvii::Percorso(dir.path());
    std::int64_t prima = 0, seconda = 0;

    TDueSpedizioni() {
        TRegistroInvii registro(file);
        prima = registro.NuovaSpedizione({"127.0.0.1:25 a@x.it", "a@x.it", "Listino", {}},
                                         {"uno@x.it"});
        registro.Segna(prima, 0, TStatoVoce::InCorso);
        registro.Segna(prima, 0, TStatoVoce::Inviato, 250, "OK");
        seconda =
            registro.NuovaSpedizione({"smtp.x.it:465 a@x.it", "a@x.it", "Auguri, \"tutti\"", {}},
                                     {"a@x.it", "b@x.it", "c@x.it", "d@x.it", "e@x.it", "f@x.it"});
        registro.Segna(seconda, 1, TStatoVoce::InCorso);
        registro.Segna(seconda, 1, TStatoVoce::Inviato, 250, "2.0.0 Ok: queued");
        registro.Segna(seconda, 2, TStatoVoce::InCorso);  // left there by a crash
        registro.Segna(seconda, 3, TStatoVoce::InCorso);
        registro.Segna(seconda, 3, TStatoVoce::Rinviato, 451, "riprovare");
        registro.Segna(seconda, 4, TStatoVoce::InCorso);
        registro.Segna(seconda, 4, TStatoVoce::Fallito, 550, "utente sconosciuto, davvero");
        registro.Segna(seconda, 5, TStatoVoce::Escluso);
    }
};

TEST(StoricoInvii, AJournalNotYetThereListsNothingAndIsNotCreated) {
    TTempDir dir;
    const auto file = TRegistroInvii::Percorso(dir.path());
    TStoricoInvii storico(file);
    EXPECT_TRUE(storico.Spedizioni().empty());
    EXPECT_TRUE(storico.Voci(1).empty());
    EXPECT_THROW(storico.EsportaCsv(std::nullopt, dir.path() / "x.csv"), brivano::ERegistroInvii);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(StoricoInvii, ListsRunsNewestFirstWithCountsPerState) {
    TDueSpedizioni prova;
    TStoricoInvii storico(prova.file);
    const auto righe = storico.Spedizioni();
    ASSERT_EQ(righe.size(), 2u);
    EXPECT_EQ(righe[0].Spedizione, prova.seconda);
    EXPECT_EQ(righe[1].Spedizione, prova.prima);
    ASSERT_EQ(righe[0].Celle.size(), TStoricoInvii::ColonneSpedizioni().size());
    // Account, sender, subject, entries, then sent, to send, uncertain,
    // deferred, failed, excluded, bounced.
    const std::vector<std::string> attese = {"smtp.x.it:465 a@x.it",
                                             "a@x.it",
                                             "Auguri, \"tutti\"",
                                             "6",
                                             "1",
                                             "1",
                                             "1",
                                             "1",
                                             "1",
                                             "1",
                                             "0"};
    EXPECT_EQ(std::vector<std::string>(righe[0].Celle.begin() + 1, righe[0].Celle.end()), attese);
    EXPECT_EQ(righe[1].Celle[5], "1");
    EXPECT_EQ(righe[1].Celle[0].size(), 19u) << righe[1].Celle[0];  // "YYYY-MM-DD HH:MM:SS"
}

TEST(StoricoInvii, UncertainEntriesCountAndRunsSayWhetherTheyCanGoOn) {
    TTempDir dir;
    TRegistroInvii registro(TRegistroInvii::Percorso(dir.path()));
    const auto id = registro.NuovaSpedizione({"h:25 a@x.it", "a@x.it", "Listino", {}},
                                             {"a@x.it", "b@x.it", "c@x.it"});
    registro.Segna(id, 0, TStatoVoce::InCorso);
    registro.Segna(id, 0, TStatoVoce::Incerto);
    registro.Segna(id, 1, TStatoVoce::InCorso);
    registro.Segna(id, 1, TStatoVoce::Fallito, 550, "no");
    TStoricoInvii storico(TRegistroInvii::Percorso(dir.path()));
    auto riga = storico.Spedizioni().at(0);
    EXPECT_EQ(riga.Celle[7], "1") << "an entry left uncertain counts as uncertain";
    EXPECT_TRUE(riga.DaRiprendere);
    EXPECT_TRUE(riga.ConFalliti);
    registro.Chiudi(id);
    riga = storico.Spedizioni().at(0);
    EXPECT_FALSE(riga.DaRiprendere);
    EXPECT_TRUE(riga.ConFalliti);
}

TEST(StoricoInvii, JournalTimesAreShownInLocalTime) {
    const char* prima = std::getenv("TZ");
    const std::string primaTesto = prima ? prima : "";
    // Central European time without the zone files: UTC+1, +2 in summer.
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    struct TCaso {
        const char* Utc;
        const char* Locale;
        const char* Breve;
    };
    for (const TCaso& c : {TCaso{"2026-12-09 14:02:05", "2026-12-09 15:02:05", "9/12 alle 15:02"},
                           TCaso{"2026-07-31 23:30:00", "2026-08-01 01:30:00", "1/8 alle 01:30"},
                           TCaso{"non una data", "non una data", "non una data"}}) {
        EXPECT_EQ(brivano::OraLocale(c.Utc), c.Locale);
        EXPECT_EQ(brivano::GiornoEOraLocali(c.Utc), c.Breve);
    }
    if (prima)
        ::setenv("TZ", primaTesto.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(StoricoInvii, EntriesShowStateReplyAndUncertainOnesAsSuch) {
    TDueSpedizioni prova;
    TStoricoInvii storico(prova.file);
    const auto voci = storico.Voci(prova.seconda);
    ASSERT_EQ(voci.size(), 6u);
    const std::vector<std::vector<std::string>> attese = {
        {"1", "a@x.it", "da inviare", "", ""},
        {"2", "b@x.it", "inviato", "250", "2.0.0 Ok: queued"},
        {"3", "c@x.it", "in corso (incerto)", "", ""},
        {"4", "d@x.it", "rinviato", "451", "riprovare"},
        {"5", "e@x.it", "fallito", "550", "utente sconosciuto, davvero"},
        {"6", "f@x.it", "escluso", "", ""},
    };
    for (std::size_t i = 0; i < attese.size(); ++i) {
        ASSERT_EQ(voci[i].Celle.size(), TStoricoInvii::ColonneVoci().size());
        EXPECT_EQ(std::vector<std::string>(voci[i].Celle.begin(), voci[i].Celle.begin() + 5),
                  attese[i])
            << i;
    }
    EXPECT_EQ(voci[1].Celle[6], "1");  // attempts
    // The run the mailing window is sending: its entry is truly under way.
    EXPECT_EQ(storico.Voci(prova.seconda, prova.seconda)[2].Celle[2], "in corso");
}

TEST(StoricoInvii, ExportsOneRunOrEveryRun) {
    TDueSpedizioni prova;
    TStoricoInvii storico(prova.file);
    const auto una = prova.dir.path() / TStoricoInvii::NomeFileCsv(prova.prima);
    storico.EsportaCsv(prova.prima, una);
    EXPECT_EQ(una.filename(), "invio-1.csv");
    const std::string testoUna = ContenutoFile(una);
    EXPECT_EQ(testoUna.substr(0, testoUna.find("\r\n")),
              "\xEF\xBB\xBFPosizione;Voce;Stato;Codice;Risposta;Message-ID;Tentativi;Aggiornata");
    EXPECT_NE(testoUna.find("\r\n1;uno@x.it;inviato;250;OK;;1;"), std::string::npos);
    EXPECT_EQ(testoUna.find("b@x.it"), std::string::npos);

    const auto tutte = prova.dir.path() / TStoricoInvii::NomeFileCsv(std::nullopt);
    storico.EsportaCsv(std::nullopt, tutte);
    const std::string testo = ContenutoFile(tutte);
    EXPECT_EQ(testo.substr(0, testo.find("\r\n")),
              "\xEF\xBB\xBFInvio;Creata;Oggetto;Posizione;Voce;Stato;Codice;Risposta;Message-ID;"
              "Tentativi;Aggiornata");
    // Oldest run first; quoted texts stay one field.
    const auto primaRiga = testo.find("\r\n1;");
    const auto secondaRun = testo.find("\r\n2;");
    ASSERT_NE(primaRiga, std::string::npos);
    ASSERT_NE(secondaRun, std::string::npos);
    EXPECT_LT(primaRiga, secondaRun);
    EXPECT_NE(testo.find(";\"Auguri, \"\"tutti\"\"\";5;e@x.it;fallito;550;utente sconosciuto, "
                         "davvero;"),
              std::string::npos);
    std::size_t righe = 0;
    for (std::size_t p = 0; (p = testo.find("\r\n", p)) != std::string::npos; p += 2) ++righe;
    EXPECT_EQ(righe, 8u);  // header, 1 + 6 entries
}

}  // namespace
