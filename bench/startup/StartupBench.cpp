// Start-up time: from exec to the first painted main window of the program,
// with a configuration and the year's tables already in place (so no
// first-start messages), beside an empty Qt Widgets program that shows one
// window and one that shows a window with one line of text. All three run
// side by side, in turns, for a number of rounds; the medians are compared
// with the goal of at most 1.5 times the empty window.
//
//   startup_bench PROGRAM EMPTY_PEER LABEL_PEER [ROUNDS]
//
// Uses Qt's offscreen platform unless QT_QPA_PLATFORM is set (for instance to
// xcb under xvfb-run).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "archive/F_DB.h"
#include "workflow/SequenzaAvvio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kAttesaMassimaMs = 30000;

struct TAvvio {
    double secondi = -1;    // from fork to the "dipinto" line; negative when it never came
    double cpuDipinto = 0;  // the child's own processor time when it signalled the paint
    double cpu = 0;         // user + system of the whole run, the ending included
};

// One start of `programma`; the child is always waited for.
TAvvio Avvio(const char* programma) {
    TAvvio r;
    int fds[2];
    if (pipe(fds) != 0) return r;
    const auto inizio = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        // Qt's notes about the platform would only clutter the figures.
        const int nulla = open("/dev/null", O_WRONLY);
        if (nulla >= 0) dup2(nulla, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(programma, programma, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string letto;
    pollfd p{fds[0], POLLIN, 0};
    while (letto.find('\n') == std::string::npos && poll(&p, 1, kAttesaMassimaMs) > 0) {
        char buf[64];
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        letto.append(buf, static_cast<size_t>(n));
    }
    long long microsecondi = 0;
    if (std::sscanf(letto.c_str(), "dipinto %lld\n", &microsecondi) == 1) {
        r.secondi =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
        r.cpuDipinto = static_cast<double>(microsecondi) / 1e6;
    } else
        kill(pid, SIGKILL);  // our own child, silent past the time limit
    close(fds[0]);
    int status = 0;
    rusage uso{};
    wait4(pid, &status, 0, &uso);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) r.secondi = -1;
    r.cpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
            static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    return r;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// Writes the configuration and the year's protected tables, as a first start
// does, with the messages answered by nobody.
bool PreparaConfigurazione(const fs::path& cartellaProgramma) {
    brivano::bench::TSilentBoxes boxes;
    TFDB fdb(boxes);
    std::string anno;
    brivano::TSequenzaAvvio(fdb, boxes, cartellaProgramma.string() + "/", true,
                            [&anno](const std::string& a) { anno = a; })
        .Esegui();
    return boxes.errors == 0 && !anno.empty() &&
           fs::exists(cartellaProgramma / anno / "Rubrica.DB");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: %s PROGRAM EMPTY_PEER LABEL_PEER [ROUNDS]\n", argv[0]);
        return 2;
    }
    const int giri = argc == 5 ? std::clamp(std::atoi(argv[4]), 1, 200) : 11;
    char modello[] = "/tmp/brivano-startup-XXXXXX";
    if (!mkdtemp(modello)) return 1;
    const fs::path radice = modello;
    for (const char* d : {"config", "data", "runtime", "programma"})
        fs::create_directories(radice / d);
    fs::permissions(radice / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("XDG_CONFIG_HOME", (radice / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (radice / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (radice / "runtime").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("BRIVANO_ESCI_DOPO_DIPINTO", "1", 1);

    int esito = 1;
    if (!PreparaConfigurazione(radice / "programma")) {
        std::fprintf(stderr, "could not prepare the configuration\n");
    } else {
        // In turns: the empty window, the label window, the program.
        const char* programmi[3] = {argv[2], argv[3], argv[1]};
        std::vector<double> secondi[3], cpuDipinto[3], cpu[3];
        bool ok = true;
        for (int i = 0; i < giri && ok; ++i)
            for (int k = 0; k < 3 && ok; ++k) {
                const TAvvio a = Avvio(programmi[k]);
                ok = a.secondi > 0;
                secondi[k].push_back(a.secondi);
                cpuDipinto[k].push_back(a.cpuDipinto);
                cpu[k].push_back(a.cpu);
            }
        if (!ok) {
            std::fprintf(stderr, "a start did not signal its first paint\n");
        } else {
            double ms[3], pms[3], cms[3];
            for (int k = 0; k < 3; ++k) {
                ms[k] = Mediana(secondi[k]) * 1e3;
                pms[k] = Mediana(cpuDipinto[k]) * 1e3;
                cms[k] = Mediana(cpu[k]) * 1e3;
            }
            std::printf("platform %s, %d rounds, medians; ratios to the empty window\n",
                        std::getenv("QT_QPA_PLATFORM"), giri);
            std::printf(
                "                 exec to first paint    CPU to first paint    "
                "CPU of the whole run\n");
            const char* nomi[3] = {"empty window", "label window", "brivano"};
            for (int k = 0; k < 3; ++k)
                std::printf("  %-12s   %8.1f ms (%.2f)   %8.1f ms (%.2f)   %8.1f ms (%.2f)\n",
                            nomi[k], ms[k], ms[k] / ms[0], pms[k], pms[k] / pms[0], cms[k],
                            cms[k] / cms[0]);
            std::printf("  goal: brivano within 1.50 of the empty window\n");
            esito = 0;
        }
    }
    fs::remove_all(radice);
    return esito;
}
