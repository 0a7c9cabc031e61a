#include "workflow/TimerProgrammati.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace brivano {

int EseguiComandoSistema(const std::vector<std::string>& parole, std::string& uscita) {
    int tubo[2];
    if (::pipe2(tubo, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t azioni;
    posix_spawn_file_actions_init(&azioni);
    posix_spawn_file_actions_adddup2(&azioni, tubo[1], 1);
    posix_spawn_file_actions_adddup2(&azioni, tubo[1], 2);
    std::vector<char*> argv;
    for (const auto& p : parole) argv.push_back(const_cast<char*>(p.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int errore = posix_spawnp(&pid, argv[0], &azioni, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&azioni);
    ::close(tubo[1]);
    if (errore != 0) {
        ::close(tubo[0]);
        return -1;
    }
    ::fcntl(tubo[0], F_SETFL, O_NONBLOCK);
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int stato = 0;
    bool finito = false;
    while (!finito && std::chrono::steady_clock::now() < limite) {
        char pezzo[512];
        for (ssize_t n = 0; (n = ::read(tubo[0], pezzo, sizeof pezzo)) > 0;)
            uscita.append(pezzo, static_cast<std::size_t>(n));
        finito = ::waitpid(pid, &stato, WNOHANG) == pid;
        if (!finito) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(tubo[0]);
    if (!finito) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
}

std::filesystem::path CartellaSystemdUtente() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::filesystem::path(xdg) / "systemd" / "user";
    const char* casa = std::getenv("HOME");
    return std::filesystem::path(casa ? casa : "") / ".config" / "systemd" / "user";
}

bool TimerAcceso(const std::filesystem::path& configurazione) {
    std::error_code ec;
    return std::filesystem::exists(configurazione / "timers.target.wants" / NomeTimerProgrammati,
                                   ec);
}

std::string AccendiTimer(bool acceso, const TComandoSistema& comando) {
    std::string uscita;
    const int stato = comando(
        {"systemctl", "--user", acceso ? "enable" : "disable", "--now", NomeTimerProgrammati},
        uscita);
    if (stato == 0) return {};
    while (!uscita.empty() && (uscita.back() == '\n' || uscita.back() == ' ')) uscita.pop_back();
    std::string testo = acceso ? "Impossibile accendere il timer degli invii programmati"
                               : "Impossibile spegnere il timer degli invii programmati";
    testo += stato < 0 ? " (systemctl non risponde)." : ": " + uscita;
    return testo;
}

}  // namespace brivano
