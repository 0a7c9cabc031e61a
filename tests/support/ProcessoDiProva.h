#pragma once
// A peer program a test starts on loopback and ends by its process id. It is
// started with posix_spawn, so a test with threads running never forks a copy
// of them, and its pipes are closed on exec, so no other peer holds them open.
// Every wait is bounded, with room for a machine loaded well beyond its cores.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

class TProcessoDiProva {
  public:
    struct TAvvio {
        std::vector<std::string> Argomenti;  // the program's path first
        // Where the peer's errors go, appended; empty: the test's own. Its
        // output goes there too unless it is a pipe.
        std::filesystem::path Registro;
        // Input and output are pipes to the test: the peer reports its port
        // on its output ("PORT <n>") and ends when its input closes. Without
        // them the peer is asked to end by SIGTERM.
        bool Condotte = false;
        bool GruppoProprio = false;  // a session of its own, not the test's
        // "NAME=value" entries that replace or add to the test's environment;
        // made before the spawn, as nothing may be set in a forked copy of a
        // process with threads.
        std::vector<std::string> Ambiente = {};
    };

    explicit TProcessoDiProva(const TAvvio& avvio);
    ~TProcessoDiProva();
    TProcessoDiProva(const TProcessoDiProva&) = delete;
    TProcessoDiProva& operator=(const TProcessoDiProva&) = delete;

    bool Avviato() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // The port the peer reports on its output; 0 when it ended or said
    // nothing in time.
    int PortaAnnunciata();
    // True once `porta` on 127.0.0.1 takes a connection; false when the peer
    // ended first or the time ran out.
    bool AttendiPorta(int porta);
    // Asks the peer to end and waits; one that does not end is killed.
    void Ferma();
    // Ends the peer at once by SIGKILL, as a crash would, and reaps it.
    void Uccidi();
    // Waits for the program to end on its own: its exit code, or -1 when it
    // ended by a signal or was killed after `limite`.
    int Esito(std::chrono::seconds limite);

    // A port free on 127.0.0.1 when asked; 0 when none was found.
    static int PortaLibera();

  private:
    // True when the peer has ended (and is reaped).
    bool Finito();

    pid_t pid_ = -1;
    int ingresso_ = -1;
    int uscita_ = -1;
};
