// 1,000 messages, each carrying the same 200 kB file, 100 per SMTP session,
// to smtp-sink (Debian package postfix): the send run beside Python's
// smtplib sending the same multipart messages built by its email package.
// Each side runs in a child process of its own; the table gives its time and
// peak memory (the child's maximum resident set) and the ratio.
//
//   allegati_bench [--count N] [--kb K] [--per-connection P]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ProcessoDiProva.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/Allegati.h"
#include "workflow/SpedizioneMail.h"

#ifndef BRIVANO_ALLEGATI_PEER
#error "BRIVANO_ALLEGATI_PEER names allegati_peer.py"
#endif

namespace {

namespace fs = std::filesystem;

struct TMisura {
    double Secondi = 0;
    long PiccoKb = 0;
    bool Riuscito = false;
};

// Runs `lavoro` in a child; its exit 0 is success.
template <class F>
TMisura NelFiglio(F&& lavoro) {
    TMisura m;
    const auto inizio = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(lavoro());
    int stato = 1;
    rusage uso{};
    if (pid > 0) ::wait4(pid, &stato, 0, &uso);
    m.Secondi = std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();
    m.PiccoKb = uso.ru_maxrss;
    m.Riuscito = pid > 0 && WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
    return m;
}

int InviaNostro(int porta, long quanti, int perConnessione, const fs::path& file) {
    TIdSMTP smtp;
    TIdMessage message;
    brivano::TDatiInvio dati;
    dati.Host = "127.0.0.1";
    dati.Porta = porta;
    dati.Mittente = "banco@example.it";
    dati.Oggetto = "Fattura del mese";
    dati.Righe[0] = "Gentile cliente,";
    dati.Righe[1] = "in allegato la fattura del mese.";
    brivano::PreparaInvio(smtp, message, dati,
                          {10000, 10000, {10000, 10000, 10000, 10000, 10000}, 10000});
    smtp.SetHeloName("banco.example.it");
    brivano::TSceltaAllegati scelta;
    scelta.Comuni = {file.string()};
    const auto controllati = brivano::ControllaAllegati(scelta, {}, 1, 0, 100 * brivano::MegaByte);
    brivano::TCaricaAllegati carica(1);
    std::vector<std::string> voci;
    for (long i = 0; i < quanti; ++i) voci.push_back("dest" + std::to_string(i) + "@example.it");
    brivano::TAvvisiInvio avvisi;
    avvisi.Componi = [&](std::size_t, TIdMessage& m) {
        m.Attachments() = carica.Carica(controllati[0].File);
    };
    brivano::TOpzioniInvio opzioni;
    opzioni.PerConnessione = perConnessione;
    const auto esito = brivano::EseguiInvio(smtp, message, voci, avvisi, opzioni);
    // The first failure says why, instead of a bare FAILED in the table.
    for (const auto* elenco : {&esito.Falliti, &esito.Rinviati, &esito.Incerti})
        if (!elenco->empty()) {
            std::fprintf(stderr, "%s: %s\n", elenco->front().Voce.c_str(),
                         elenco->front().Errore.c_str());
            break;
        }
    if (!esito.MotivoInterruzione.empty())
        std::fprintf(stderr, "%s\n", esito.MotivoInterruzione.c_str());
    return esito.Inviati == voci.size() ? 0 : 1;
}

int InviaPython(int porta, long quanti, int perConnessione, const fs::path& file) {
    const std::string p = std::to_string(porta), q = std::to_string(quanti),
                      k = std::to_string(perConnessione);
    ::execl("/usr/bin/python3", "python3", BRIVANO_ALLEGATI_PEER, p.c_str(), q.c_str(), k.c_str(),
            file.c_str(), static_cast<char*>(nullptr));
    return 127;
}

}  // namespace

int main(int argc, char** argv) {
    long quanti = 1000, kb = 200;
    int perConnessione = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string o = argv[i];
        const long v = std::atol(argv[i + 1]);
        if (o == "--count" && v > 0 && v <= 100000)
            quanti = v;
        else if (o == "--kb" && v > 0 && v <= 20000)
            kb = v;
        else if (o == "--per-connection" && v > 0 && v <= 1000)
            perConnessione = static_cast<int>(v);
        else {
            std::fprintf(stderr,
                         "usage: allegati_bench [--count N] [--kb K] [--per-connection P]\n");
            return 2;
        }
    }
    const char* const sinkTool = "/usr/sbin/smtp-sink";
    if (::access(sinkTool, X_OK) != 0) {
        std::printf("skipped: %s is not installed (Debian package postfix)\n", sinkTool);
        return 0;
    }
    const fs::path cartella =
        fs::temp_directory_path() / ("allegati_bench." + std::to_string(::getpid()));
    fs::create_directories(cartella);
    const fs::path file = cartella / "Fattura è 2026.pdf";
    {
        std::mt19937 caso(7);
        std::string bytes = "%PDF-1.4\n";
        while (bytes.size() < static_cast<std::size_t>(kb) * 1024)
            bytes += static_cast<char>(caso());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    const int porta = TProcessoDiProva::PortaLibera();
    // -a: no login offered, as smtplib sends without one.
    TProcessoDiProva sink(
        {{sinkTool, "-a", "-u", "nobody", "127.0.0.1:" + std::to_string(porta), "256"},
         "/dev/null"});
    const bool pronto = sink.AttendiPorta(porta);
    int stato = 1;
    if (pronto) {
        const TMisura nostro =
            NelFiglio([&] { return InviaNostro(porta, quanti, perConnessione, file); });
        const TMisura python =
            NelFiglio([&] { return InviaPython(porta, quanti, perConnessione, file); });
        std::printf("%ld messages with a %ld kB file, %d per session, to smtp-sink:\n", quanti, kb,
                    perConnessione);
        std::printf("  %-26s %9s %12s %14s\n", "sender", "seconds", "messages/s", "peak memory");
        for (const auto& [nome, m] : {std::pair{"send run (brivano)", nostro},
                                      std::pair{"smtplib + email package", python}})
            std::printf("  %-26s %9.2f %12.1f %11ld kB%s\n", nome, m.Secondi,
                        static_cast<double>(quanti) / m.Secondi, m.PiccoKb,
                        m.Riuscito ? "" : "  FAILED");
        std::printf("  time ratio brivano/smtplib: %.2f, memory ratio: %.2f\n",
                    nostro.Secondi / python.Secondi,
                    static_cast<double>(nostro.PiccoKb) / static_cast<double>(python.PiccoKb));
        stato = nostro.Riuscito && python.Riuscito ? 0 : 1;
    } else {
        std::printf("smtp-sink did not start\n");
    }
    sink.Ferma();
    std::error_code ec;
    fs::remove_all(cartella, ec);
    return stato;
}
