#include "SendRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "dialogs/MessageBoxes.h"
#include "mailing/IdMessage.h"
#include "smtp/IdSMTP.h"
#include "workflow/AccountInvio.h"
#include "workflow/ControlloInvio.h"
#include "workflow/OpzioniMessaggio.h"
#include "workflow/RegistroInvii.h"

#ifndef BRIVANO_SMTPLIB_PEER
#error "BRIVANO_SMTPLIB_PEER names smtplib_peer.py"
#endif

namespace brivano::bench {

namespace {

// The controller's boxes here: an unfinished run is resumed, its uncertain
// entries left out, addresses already served left out, the run confirmed;
// every text goes to standard error.
class TBoxesDelBanco : public TMessageBoxes {
  public:
    void ShowInfo(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TConfirmAnswer Confirm(const std::string&, const std::string& text) override {
        const bool si = text.ends_with("Riprenderlo?") ||
                        text.find("Inviare il messaggio a ") != std::string::npos;
        return si ? TConfirmAnswer::Yes : TConfirmAnswer::No;
    }
};

// Measures the time between entries done and waits for the run's end.
class TVistaDelBanco : public TVistaInvioMuta {
  public:
    explicit TVistaDelBanco(TSendFigures& figures) : figures_(figures) {}
    void MostraAvanzamento(int, const std::string&) override {
        const auto now = std::chrono::steady_clock::now();
        figures_.LongestSettle =
            std::max(figures_.LongestSettle, std::chrono::duration<double>(now - last_).count());
        last_ = now;
    }
    void InvioTerminato() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        cv_.notify_all();
    }
    void MostraInizio(int, const std::string&) override {
        last_ = std::chrono::steady_clock::now();
    }
    void MostraVoci(const std::vector<TVoceElenco>& voci) override { resumed_ = voci; }

    // Bounded, so a run that hangs fails the bench instead of holding it forever.
    void WaitForEnd() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!cv_.wait_for(lock, std::chrono::minutes(30), [this] { return ended_; }))
            throw std::runtime_error("the run did not end within 30 minutes");
    }
    const std::vector<TVoceElenco>& Resumed() const { return resumed_; }

  private:
    TSendFigures& figures_;
    std::chrono::steady_clock::time_point last_;
    std::vector<TVoceElenco> resumed_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool ended_ = false;
};

TSicurezza SecurityOf(TIdUseTLS useTLS) {
    switch (useTLS) {
        case utUseImplicitTLS:
            return TSicurezza::SSLTLS;
        case utUseRequireTLS:
        case utUseExplicitTLS:
            return TSicurezza::STARTTLS;
        case utNoTLSSupport:
            break;
    }
    return TSicurezza::Nessuna;
}

}  // namespace

TSendFigures SendMessages(const TSendSetup& setup, const std::string& journal) {
    TIdSMTP smtp;
    TIdMessage message;
    message.SetAttachmentEncoding("UUE");
    TDatiInvio testi;
    testi.Host = setup.Host;
    testi.Mittente = setup.User;
    testi.Password = setup.Password;
    testi.Oggetto = "Novità dal nostro archivio";
    testi.Righe = {"Gentile cliente,",
                   "le presentiamo le novità di questo mese.",
                   "",
                   "Il catalogo è disponibile sul nostro sito.",
                   "",
                   "Cordiali saluti",
                   "",
                   "L'ufficio commerciale"};

    TFontiInvio fonti;
    fonti.Registro = [journal]() -> std::unique_ptr<TRegistroInvii> {
        if (journal.empty()) return nullptr;
        return std::make_unique<TRegistroInvii>(journal);
    };
    fonti.NonInviare = [] { return std::filesystem::path(); };
    fonti.ListUnsubscribe = [] { return true; };
    fonti.PiePagina = [&setup] {
        if (setup.BodyBytes == 0) return PiePaginaPredefinito();
        // A long body: lines of 998 octets, the most a line may hold.
        std::vector<std::string> lines;
        for (std::size_t bytes = 0; bytes < setup.BodyBytes; bytes += 999)
            lines.emplace_back(998, 'x');
        return lines;
    };
    fonti.Account = [&setup] {
        TAccountInvio account;
        account.Host = setup.Host;
        account.Porta = setup.Port;
        account.Sicurezza = SecurityOf(setup.Security);
        account.Mittente = setup.User;
        account.MessaggiPerConnessione = setup.PerConnection;
        account.Connessioni = setup.Connections;
        return std::optional<TAccountInvio>(account);
    };
    TSendFigures figures;
    TBoxesDelBanco boxes;
    TVistaDelBanco view(figures);
    TControlloInvio controller(smtp, message, boxes, view, std::move(fonti));
    const int l = setup.LimitMs;
    controller.SetLimitiTempo({l, l, {l, l, l, l, l}, l});

    std::vector<std::string> voci;
    std::vector<TCampiContatto> campi;
    controller.OffriRipresa();
    if (controller.Spedizione() != 0) {
        for (const auto& v : view.Resumed()) {
            voci.push_back(v.Voce);
            campi.push_back(v.Campi);
        }
    } else {
        for (long i = 0; i < setup.Count; ++i)
            voci.push_back("dest" + std::to_string(i) + "@example.it");
    }
    const auto start = std::chrono::steady_clock::now();
    controller.Avvia(testi, voci, campi);
    if (!controller.InCorso()) throw std::runtime_error("the run did not start");
    view.WaitForEnd();
    controller.Concludi();
    figures.Outcome = controller.UltimoEsito();
    figures.Entries = voci.size();
    figures.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!journal.empty()) {
        const TRegistroInvii registro(journal);
        for (const auto& v : registro.Voci(controller.Spedizione()))
            if (v.Stato == TStatoVoce::Escluso) ++figures.Excluded;
    }
    return figures;
}

std::optional<double> SmtplibSeconds(int port, long count, const std::string& mode,
                                     const std::string& user, const std::string& password) {
    int fds[2];
    if (::pipe(fds) != 0) return std::nullopt;
    const std::string portText = std::to_string(port);
    const std::string countText = std::to_string(count);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        if (user.empty())
            ::execl("/usr/bin/python3", "python3", BRIVANO_SMTPLIB_PEER, portText.c_str(),
                    countText.c_str(), mode.c_str(), static_cast<char*>(nullptr));
        else if (::setenv("SMTPLIB_PEER_PASSWORD", password.c_str(), 1) == 0)
            ::execl("/usr/bin/python3", "python3", BRIVANO_SMTPLIB_PEER, portText.c_str(),
                    countText.c_str(), mode.c_str(), user.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || out.empty()) return std::nullopt;
    return std::strtod(out.c_str(), nullptr);
}

}  // namespace brivano::bench
