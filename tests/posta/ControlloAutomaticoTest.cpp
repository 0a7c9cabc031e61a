// The checks the program runs by itself: their settings, and one check at a
// time on a thread of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "TempDir.h"
#include "config/F_Conf.h"
#include "posta/AccountPosta.h"
#include "posta/ControlloSeparato.h"
#include "workflow/Fornitori.h"

namespace brivano {
namespace {

TEST(ControlloAutomatico, ImpostazioniLetteORifiutateConIlLoroNome) {
    struct TCaso {
        const char* AllAvvio = "";
        const char* OgniMinuti = "";
        TControlloAutomatico Atteso;
        const char* Errore = "";  // empty: read
    };
    const TCaso casi[] = {
        {"", "", {false, 0}, ""},           {"sì", "15", {true, 15}, ""},
        {"si", "0", {true, 0}, ""},         {"no", "1440", {false, 1440}, ""},
        {"forse", "", {}, "PostaAllAvvio"}, {"", "1441", {}, "PostaOgniMinuti"},
        {"", "-5", {}, "PostaOgniMinuti"},  {"", "10 minuti", {}, "PostaOgniMinuti"},
    };
    for (const TCaso& caso : casi) {
        SCOPED_TRACE(std::string(caso.AllAvvio) + " / " + caso.OgniMinuti);
        TScopedXdgHome casa;
        ScriviReg(KeyBrivano, ValoriPosta::AllAvvio, caso.AllAvvio);
        ScriviReg(KeyBrivano, ValoriPosta::OgniMinuti, caso.OgniMinuti);
        if (*caso.Errore == '\0') {
            EXPECT_EQ(LeggiControlloAutomatico(), caso.Atteso);
            continue;
        }
        try {
            LeggiControlloAutomatico();
            ADD_FAILURE() << "valore accettato";
        } catch (const EPosta& e) {
            EXPECT_NE(std::string(e.what()).find(caso.Errore), std::string::npos) << e.what();
        }
    }
}

// A second start while one check waits is refused; the end is told once,
// with the work's text or its failure, and the next check may start after.
// Each incoming server proposed belongs to a sending preset of the list, is a
// bare host name, and its port goes with its security.
TEST(AccountPosta, OgniPresetDiArrivoSegueUnFornitoreDiInvio) {
    ASSERT_FALSE(PresetPosta().empty());
    for (const TPresetPosta& p : PresetPosta()) {
        SCOPED_TRACE(p.Fornitore);
        const TFornitore* invio = TrovaFornitore(p.Fornitore);
        ASSERT_NE(invio, nullptr);
        EXPECT_NE(*invio->Host, '\0') << "not \"Altro\"";
        EXPECT_EQ(PresetPostaPer(p.Fornitore), &p);
        const std::string host = p.Host;
        EXPECT_FALSE(host.empty());
        EXPECT_EQ(host.find_first_of(":/ "), std::string::npos);
        EXPECT_EQ(p.Porta, p.Sicurezza == TSicurezzaImap::SSLTLS ? 993 : 143);
    }
    // Without one, picking the provider would keep the previous provider's server.
    for (const TFornitore& f : Fornitori())
        EXPECT_EQ(PresetPostaPer(f.Nome) == nullptr, *f.Host == '\0') << f.Nome;
}

TEST(ControlloAutomatico, UnControlloAllaVoltaEFineDetta) {
    std::mutex m;
    std::condition_variable cv;
    bool lascia = false;
    int finiti = 0;
    bool ultimoRiuscito = false;
    std::string ultimoTesto;
    auto fine = [&](bool riuscito, const std::string& testo) {
        const std::lock_guard<std::mutex> blocco(m);
        ++finiti;
        ultimoRiuscito = riuscito;
        ultimoTesto = testo;
        cv.notify_all();
    };
    auto attendiFine = [&](int quanti) {
        std::unique_lock<std::mutex> blocco(m);
        return cv.wait_for(blocco, std::chrono::seconds(60), [&] { return finiti >= quanti; });
    };
    TControlloSeparato separato;
    ASSERT_TRUE(separato.Avvia(
        [&] {
            std::unique_lock<std::mutex> blocco(m);
            cv.wait_for(blocco, std::chrono::seconds(60), [&] { return lascia; });
            return std::string("fatto");
        },
        fine));
    EXPECT_TRUE(separato.InCorso());
    EXPECT_FALSE(separato.Avvia([] { return std::string("secondo"); }, fine));
    {
        const std::lock_guard<std::mutex> blocco(m);
        lascia = true;
        cv.notify_all();
    }
    ASSERT_TRUE(attendiFine(1));
    EXPECT_TRUE(ultimoRiuscito);
    EXPECT_EQ(ultimoTesto, "fatto");

    EXPECT_FALSE(separato.InCorso());
    ASSERT_TRUE(separato.Avvia(
        []() -> std::string { throw std::runtime_error("Server IMAP irraggiungibile"); }, fine));
    ASSERT_TRUE(attendiFine(2));
    EXPECT_FALSE(ultimoRiuscito);
    EXPECT_EQ(ultimoTesto, "Server IMAP irraggiungibile");
}

}  // namespace
}  // namespace brivano
