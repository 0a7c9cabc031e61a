// The user's way of PercorsoUtente.cpp, run as two processes on one fresh
// profile against a loopback sink that takes only the account's login: the
// first start sends two messages and stops while the pace holds the third,
// the restart resumes from the history. Every contact of the city gets
// exactly one message, with its own fields, and the pace holds across the
// restart. Needs a display and a Secret Service (see CMakeLists.txt).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ProcessoDiProva.h"
#include "SinkAiosmtpd.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

// The profile's folders replace the user's own for the program's processes.
std::vector<std::string> AmbienteProfilo(const fs::path& profilo) {
    std::vector<std::string> ambiente = {"QT_QPA_PLATFORM=xcb"};
    for (const auto& [nome, cartella] : {std::pair<const char*, const char*>{"HOME", "casa"},
                                         {"XDG_CONFIG_HOME", "config"},
                                         {"XDG_DATA_HOME", "dati"},
                                         {"XDG_CACHE_HOME", "cache"}}) {
        fs::create_directories(profilo / cartella);
        ambiente.push_back(std::string(nome) + "=" + (profilo / cartella).string());
    }
    return ambiente;
}

// Runs the way's phase; its exit code, or -1 when it had to be killed. The
// phase bounds its own steps; the limit only catches a process that hangs.
int Fase(std::vector<std::string> argomenti, const std::vector<std::string>& ambiente) {
    argomenti.insert(argomenti.begin(), BRIVANO_PERCORSO);
    TProcessoDiProva fase({argomenti, {}, false, false, ambiente});
    return fase.Esito(std::chrono::minutes(6));
}

TEST(PercorsoUtente, InterrottoERipresoDopoIlRiavvioServeOgniDestinatarioUnaVolta) {
    TTempDir profilo;
    fs::create_directories(profilo.path() / "sink");
    TSinkAiosmtpd sink(profilo.path() / "sink",
                       {"plain", "--user", "ufficio@esempio.it", "--password", "Segreta-2027"});
    ASSERT_TRUE(sink.Ready());
    // Four contacts in the city picked, two elsewhere.
    const std::map<std::string, std::string> attesi = {
        {"arte@cartoleria-uno.example.it", "Cartoleria Uno"},
        {"info@ferramenta-due.example.it", "Ferramenta Due"},
        {"posta@studio-tre.example.it", "Studio Tre"},
        {"ordini@forno-quattro.example.it", "Forno Quattro"}};
    const fs::path contatti = profilo.path() / "contatti.csv";
    {
        std::ofstream csv(contatti);
        csv << "Azienda;Email;Città\n";
        for (const auto& [email, azienda] : attesi) csv << azienda << ";" << email << ";Gubbio\n";
        csv << "Bottega Cinque;info@bottega-cinque.example.it;Perugia\n"
               "Officina Sei;officina@sei.example.it;Assisi\n";
    }
    const auto ambiente = AmbienteProfilo(profilo.path());

    ASSERT_EQ(Fase({"primo", std::to_string(sink.Port()), contatti.string()}, ambiente), 0);
    ASSERT_EQ(sink.Messages().size(), 2u) << "the pace lets two messages go in the first minute";
    ASSERT_EQ(Fase({"riprendi"}, ambiente), 0);

    const auto messaggi = sink.Messages();
    ASSERT_EQ(messaggi.size(), 4u);
    std::map<std::string, int> ricevuti;
    std::set<std::string> identificativi;
    for (std::size_t n = 1; n <= messaggi.size(); ++n) {
        const std::string rcpt =
            ContenutoFile(profilo.path() / "sink" / (std::to_string(n) + ".rcpt"));
        const std::string destinatario = rcpt.substr(0, rcpt.find('\n'));
        ++ricevuti[destinatario];
        ASSERT_TRUE(attesi.contains(destinatario)) << destinatario;
        const std::string& messaggio = messaggi[n - 1];
        EXPECT_NE(messaggio.find("Subject: Listino per Gubbio"), std::string::npos) << messaggio;
        EXPECT_NE(messaggio.find("Gentile " + attesi.at(destinatario) + ","), std::string::npos)
            << messaggio;
        EXPECT_NE(messaggio.find("\r\nTo: " + destinatario + "\r\n"), std::string::npos)
            << messaggio;
        // The resumed messages are new ones, not copies of the first run's.
        const auto id = messaggio.find("Message-ID: ");
        ASSERT_NE(id, std::string::npos) << messaggio;
        EXPECT_TRUE(
            identificativi.insert(messaggio.substr(id, messaggio.find('\r', id) - id)).second)
            << messaggio;
    }
    for (const auto& [email, azienda] : attesi) EXPECT_EQ(ricevuti[email], 1) << email;

    // Two a minute, counted across the restart: the third message not before
    // a minute after the first (file times, to the second).
    const auto primo = fs::last_write_time(profilo.path() / "sink" / "1.eml");
    const auto terzo = fs::last_write_time(profilo.path() / "sink" / "3.eml");
    EXPECT_GE(terzo - primo, std::chrono::seconds(59));
}

}  // namespace
