// The account's sending limits and retry settings in the configuration
// store, and the providers' presets.

#include "workflow/LimitiInvio.h"

#include <gtest/gtest.h>

#include "TempDir.h"
#include "config/F_Conf.h"
#include "workflow/AccountInvio.h"
#include "workflow/Fornitori.h"

using namespace brivano;

namespace {

TAccountInvio Account() {
    TAccountInvio a;
    a.Host = "smtp.esempio.it";
    a.Mittente = "io@esempio.it";
    return a;
}

class LimitiTest : public ::testing::Test {
  protected:
    TScopedXdgHome home;
};

TEST_F(LimitiTest, AnAccountSavedWithoutThemHasNoLimitsAndTheUsualRetries) {
    ScriviReg(KeyBrivano, "SmtpHost", "smtp.esempio.it");
    const auto account = LeggiAccount();
    ASSERT_TRUE(account);
    EXPECT_EQ(account->Limiti, TLimitiInvio{});
    EXPECT_EQ(account->Limiti.PerMinuto + account->Limiti.PerOra + account->Limiti.PerGiorno +
                  account->Limiti.PausaSecondi,
              0);
    EXPECT_EQ(account->Rinvii.Tentativi, 2);
    EXPECT_EQ(account->Rinvii.AttesaSecondi, 60);
}

TEST_F(LimitiTest, RoundTripThroughTheConfigurationStore) {
    TAccountInvio a = Account();
    a.Limiti = {20, 100, 400, 3};
    a.Rinvii = {0, 600};
    ScriviAccount(a);
    EXPECT_EQ(LeggiAccount(), a);
    EXPECT_EQ(LeggiReg(KeyBrivano, "LimiteMinuto"), "20");
    EXPECT_EQ(LeggiReg(KeyBrivano, "LimiteOra"), "100");
    EXPECT_EQ(LeggiReg(KeyBrivano, "LimiteGiorno"), "400");
    EXPECT_EQ(LeggiReg(KeyBrivano, "PausaInvio"), "3");
    EXPECT_EQ(LeggiReg(KeyBrivano, "RinviiTentativi"), "0");
    EXPECT_EQ(LeggiReg(KeyBrivano, "RinviiAttesa"), "600");
}

TEST_F(LimitiTest, ValuesOutOfBoundsAreRefusedAndNothingIsWritten) {
    const std::pair<const char*, void (*)(TAccountInvio&)> casi[] = {
        {"Il limite al minuto", [](TAccountInvio& a) { a.Limiti.PerMinuto = -1; }},
        {"Il limite all'ora", [](TAccountInvio& a) { a.Limiti.PerOra = LimiteMassimo + 1; }},
        {"Il limite al giorno", [](TAccountInvio& a) { a.Limiti.PerGiorno = -5; }},
        {"La pausa", [](TAccountInvio& a) { a.Limiti.PausaSecondi = PausaMassima + 1; }},
        {"Il numero di nuovi tentativi", [](TAccountInvio& a) { a.Rinvii.Tentativi = 11; }},
        {"L'attesa", [](TAccountInvio& a) { a.Rinvii.AttesaSecondi = -1; }},
    };
    for (const auto& [inizio, guasta] : casi) {
        TAccountInvio a = Account();
        guasta(a);
        try {
            ScriviAccount(a);
            ADD_FAILURE() << inizio;
        } catch (const EAccountNonValido& e) {
            EXPECT_EQ(std::string(e.what()).rfind(inizio, 0), 0u) << e.what();
        }
        EXPECT_FALSE(LeggiAccount()) << inizio;
    }
}

TEST_F(LimitiTest, DamagedStoredValuesAreNamedInTheError) {
    ScriviAccount(Account());
    const char* nomi[] = {"LimiteMinuto", "LimiteOra",       "LimiteGiorno",
                          "PausaInvio",   "RinviiTentativi", "RinviiAttesa"};
    for (const char* nome : nomi)
        for (const char* valore : {"abc", "-1", "5x", " 5", "99999999999", "1000001"}) {
            ScriviReg(KeyBrivano, nome, valore);
            try {
                LeggiAccount();
                ADD_FAILURE() << nome << "=" << valore;
            } catch (const EAccountNonValido& e) {
                EXPECT_EQ(
                    std::string(e.what()),
                    std::string("Valore non valido per '") + nome +
                        "' nella configurazione: " + valore +
                        (std::string(nome) == "PausaInvio" ? " (ammesso un numero da 0 a 3600)"
                         : std::string(nome) == "RinviiTentativi" ? " (ammesso un numero da 0 a 10)"
                         : std::string(nome) == "RinviiAttesa"
                             ? " (ammesso un numero da 0 a 86400)"
                             : " (ammesso un numero da 0 a 1000000)"));
            }
            ScriviReg(KeyBrivano, nome, "");
        }
    EXPECT_EQ(LeggiAccount(), Account());
}

TEST(FornitoriLimiti, PresetsFillLimitsThatAreConsistent) {
    for (const TFornitore& f : Fornitori()) {
        TAccountInvio a;
        a.Limiti = {1, 2, 3, 4};
        ApplicaFornitore(f, a);
        if (std::string(f.Nome) == "Altro") {
            EXPECT_EQ(a.Limiti, (TLimitiInvio{1, 2, 3, 4}));  // what the user typed stays
            continue;
        }
        EXPECT_EQ(a.Limiti, f.Limiti) << f.Nome;
        // Every provider caps the day; a smaller window never allows more
        // than a larger one.
        EXPECT_GT(f.Limiti.PerGiorno, 0) << f.Nome;
        EXPECT_GT(f.Limiti.PerMinuto, 0) << f.Nome;
        EXPECT_LE(f.Limiti.PerMinuto, f.Limiti.PerOra) << f.Nome;
        EXPECT_LE(f.Limiti.PerOra, f.Limiti.PerGiorno) << f.Nome;
        EXPECT_NO_THROW(ControllaLimiti(f.Limiti, TRinvii{})) << f.Nome;
    }
}

}  // namespace
