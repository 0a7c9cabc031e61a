#include "ProcessoDiProva.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace {

using Orologio = std::chrono::steady_clock;

// Starting a Python peer or a mail server under load takes long at times.
constexpr auto AttesaAvvio = std::chrono::seconds(60);
constexpr auto AttesaFine = std::chrono::seconds(20);

sockaddr_in Loopback(int porta) {
    sockaddr_in indirizzo{};
    indirizzo.sin_family = AF_INET;
    indirizzo.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    indirizzo.sin_port = htons(static_cast<uint16_t>(porta));
    return indirizzo;
}

// The test's environment with `cambi` ("NAME=value") put over it.
std::vector<std::string> Ambiente(const std::vector<std::string>& cambi) {
    std::vector<std::string> voci;
    for (char** voce = environ; *voce; ++voce) {
        const std::string testo = *voce;
        const std::string nome = testo.substr(0, testo.find('=') + 1);
        bool cambiata = false;
        for (const std::string& cambio : cambi) cambiata |= cambio.rfind(nome, 0) == 0;
        if (!cambiata) voci.push_back(testo);
    }
    voci.insert(voci.end(), cambi.begin(), cambi.end());
    return voci;
}

std::vector<char*> Puntatori(const std::vector<std::string>& parole) {
    std::vector<char*> puntatori;
    for (const std::string& parola : parole) puntatori.push_back(const_cast<char*>(parola.c_str()));
    puntatori.push_back(nullptr);
    return puntatori;
}

void Chiudi(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

TProcessoDiProva::TProcessoDiProva(const TAvvio& avvio) {
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (avvio.Condotte && (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)) {
        for (int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0) ::close(fd);
        return;
    }
    posix_spawn_file_actions_t azioni;
    posix_spawn_file_actions_init(&azioni);
    if (avvio.Condotte) {
        posix_spawn_file_actions_adddup2(&azioni, in[0], 0);
        posix_spawn_file_actions_adddup2(&azioni, out[1], 1);
    }
    if (!avvio.Registro.empty()) {
        posix_spawn_file_actions_addopen(&azioni, 2, avvio.Registro.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (!avvio.Condotte) posix_spawn_file_actions_adddup2(&azioni, 2, 1);
    }
    posix_spawnattr_t attributi;
    posix_spawnattr_init(&attributi);
    if (avvio.GruppoProprio) posix_spawnattr_setflags(&attributi, POSIX_SPAWN_SETSID);
    std::vector<char*> argv = Puntatori(avvio.Argomenti);
    const std::vector<std::string> ambiente = Ambiente(avvio.Ambiente);
    std::vector<char*> envp = Puntatori(ambiente);
    pid_t pid = -1;
    if (!avvio.Argomenti.empty() &&
        ::posix_spawn(&pid, argv[0], &azioni, &attributi, argv.data(), envp.data()) == 0)
        pid_ = pid;
    posix_spawnattr_destroy(&attributi);
    posix_spawn_file_actions_destroy(&azioni);
    if (avvio.Condotte) {
        ::close(in[0]);
        ::close(out[1]);
        ingresso_ = in[1];
        uscita_ = out[0];
    }
}

TProcessoDiProva::~TProcessoDiProva() {
    Ferma();
}

int TProcessoDiProva::PortaAnnunciata() {
    std::string testo;
    const auto limite = Orologio::now() + AttesaAvvio;
    while (uscita_ >= 0 && testo.find('\n') == std::string::npos) {
        const auto resto =
            std::chrono::duration_cast<std::chrono::milliseconds>(limite - Orologio::now()).count();
        if (resto <= 0) break;
        pollfd voce{uscita_, POLLIN, 0};
        if (::poll(&voce, 1, static_cast<int>(resto)) <= 0) continue;
        char pezzo[64];
        const ssize_t letti = ::read(uscita_, pezzo, sizeof pezzo);
        if (letti <= 0) break;
        testo.append(pezzo, static_cast<std::size_t>(letti));
    }
    Chiudi(uscita_);
    if (testo.find('\n') == std::string::npos || testo.rfind("PORT ", 0) != 0) return 0;
    return std::atoi(testo.c_str() + 5);
}

bool TProcessoDiProva::AttendiPorta(int porta) {
    const auto limite = Orologio::now() + AttesaAvvio;
    while (Orologio::now() < limite && !Finito()) {
        const int presa = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in indirizzo = Loopback(porta);
        const bool ok =
            ::connect(presa, reinterpret_cast<const sockaddr*>(&indirizzo), sizeof indirizzo) == 0;
        ::close(presa);
        if (ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void TProcessoDiProva::Ferma() {
    Chiudi(uscita_);
    if (ingresso_ >= 0)
        Chiudi(ingresso_);
    else if (pid_ > 0)
        ::kill(pid_, SIGTERM);
    const auto limite = Orologio::now() + AttesaFine;
    while (!Finito()) {
        if (Orologio::now() > limite) {
            Uccidi();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void TProcessoDiProva::Uccidi() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int TProcessoDiProva::Esito(std::chrono::seconds limite) {
    const auto fine = Orologio::now() + limite;
    while (pid_ > 0) {
        int stato = 0;
        const pid_t finito = ::waitpid(pid_, &stato, WNOHANG);
        if (finito != 0) {
            pid_ = -1;
            return finito > 0 && WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
        }
        if (Orologio::now() > fine) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Uccidi();
    return -1;
}

bool TProcessoDiProva::Finito() {
    if (pid_ <= 0) return true;
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) return false;
    // Ended and reaped (or not ours): its id may be reused, so it is forgotten.
    pid_ = -1;
    return true;
}

int TProcessoDiProva::PortaLibera() {
    const int presa = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in indirizzo = Loopback(0);
    socklen_t lunghezza = sizeof indirizzo;
    int porta = 0;
    if (::bind(presa, reinterpret_cast<sockaddr*>(&indirizzo), sizeof indirizzo) == 0 &&
        ::getsockname(presa, reinterpret_cast<sockaddr*>(&indirizzo), &lunghezza) == 0)
        porta = ntohs(indirizzo.sin_port);
    ::close(presa);
    return porta;
}
