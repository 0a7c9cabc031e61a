// The user's way of PercorsoUtente.cpp, run as two processes on one fresh
// profile against a loopback sink that takes only the account's login: the
// first start sends two messages and stops while the pace holds the third,
// the restart resumes from the history. Every contact of the city gets
// exactly one message, with its own fields, and the pace holds across the
// restart. Needs a display and a Secret Service (see CMakeLists.txt).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SinkAiosmtpd.h"
#include "TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The profile's folders replace the user's own for the program's processes.
std::vector<std::string> AmbienteProfilo(const fs::path& profilo) {
    const std::map<std::string, std::string> proprie = {
        {"HOME", (profilo / "casa").string()},
        {"XDG_CONFIG_HOME", (profilo / "config").string()},
        {"XDG_DATA_HOME", (profilo / "dati").string()},
        {"XDG_CACHE_HOME", (profilo / "cache").string()},
        {"QT_QPA_PLATFORM", "xcb"}};
    std::vector<std::string> ambiente;
    for (char** v = environ; *v != nullptr; ++v) {
        const std::string voce = *v;
        if (!proprie.contains(voce.substr(0, voce.find('=')))) ambiente.push_back(voce);
    }
    for (const auto& [nome, valore] : proprie) {
        fs::create_directories(valore == "xcb" ? profilo : fs::path(valore));
        ambiente.push_back(nome + "=" + valore);
    }
    return ambiente;
}

// Runs the way's phase; its exit code, or -1 when it had to be killed.
int Fase(std::vector<std::string> argomenti, std::vector<std::string> ambiente) {
    argomenti.insert(argomenti.begin(), BRIVANO_PERCORSO);
    std::vector<char*> argv, envp;
    for (auto& a : argomenti) argv.push_back(a.data());
    for (auto& e : ambiente) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execve(BRIVANO_PERCORSO, argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0) return -1;
    // The phase bounds its own steps; this only catches a process that hangs.
    const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(6);
    int stato = 0;
    while (::waitpid(pid, &stato, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limite) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
}

std::string Leggi(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
        const std::string rcpt = Leggi(profilo.path() / "sink" / (std::to_string(n) + ".rcpt"));
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
