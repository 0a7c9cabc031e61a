#pragma once
// The systemd user timer that runs "brivano-invio esegui-programmati" every
// few minutes while the program is closed. The package installs it off; the
// user turns it on or off from the program, which asks systemctl.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace brivano {

inline constexpr const char* NomeTimerProgrammati = "brivano-invio.timer";

// Runs a command (words, the first looked up in PATH) and gives its exit
// status and what it wrote; -1 when it could not start or took too long.
using TComandoSistema =
    std::function<int(const std::vector<std::string>& parole, std::string& uscita)>;

// The real one: waits at most 30 seconds, then ends the command by its id.
int EseguiComandoSistema(const std::vector<std::string>& parole, std::string& uscita);

// Whether the user turned the timer on (its link among the user's timers).
bool TimerAcceso(const std::filesystem::path& configurazione);

// The user's systemd configuration folder ($XDG_CONFIG_HOME/systemd/user).
std::filesystem::path CartellaSystemdUtente();

// Turns the timer on ("enable --now") or off ("disable --now"); an Italian
// sentence saying what went wrong, empty when done.
std::string AccendiTimer(bool acceso, const TComandoSistema& comando = EseguiComandoSistema);

}  // namespace brivano
