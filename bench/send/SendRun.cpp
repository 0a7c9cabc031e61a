#include "SendRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "workflow/RegistroInvii.h"

#ifndef BRIVANO_SMTPLIB_PEER
#error "BRIVANO_SMTPLIB_PEER names smtplib_peer.py"
#endif

namespace brivano::bench {

TSendFigures SendMessages(const TSendSetup& setup, const std::string& journal) {
    TIdSMTP smtp;
    TIdMessage message;
    message.SetAttachmentEncoding("UUE");
    TDatiInvio dati;
    dati.Host = setup.Host;
    dati.Porta = setup.Port;
    dati.Mittente = setup.User;
    dati.Password = setup.Password;
    dati.UseTLS = setup.Security;
    dati.PerConnessione = setup.PerConnection;
    dati.Connessioni = setup.Connections;
    dati.Oggetto = "Novità dal nostro archivio";
    dati.Righe = {"Gentile cliente,",
                  "le presentiamo le novità di questo mese.",
                  "",
                  "Il catalogo è disponibile sul nostro sito.",
                  "",
                  "Cordiali saluti",
                  "",
                  "L'ufficio commerciale"};
    const int l = setup.LimitMs;
    const TLimitiTempo limiti{l, l, {l, l, l, l, l}, l};
    PreparaInvio(smtp, message, dati, limiti);
    if (setup.BodyBytes > 0) {
        std::string body;
        while (body.size() < setup.BodyBytes) body += std::string(998, 'x') + "\r";
        message.SetBodyText(body);
    }

    std::vector<std::string> voci;
    for (long i = 0; i < setup.Count; ++i)
        voci.push_back("dest" + std::to_string(i) + "@example.it");

    TOpzioniInvio opzioni;
    ImpostaConnessioni(opzioni, dati, limiti);
    std::optional<TRegistroInvii> registro;
    if (!journal.empty()) {
        registro.emplace(journal);
        opzioni.Registro = &*registro;
        if (auto aperta = registro->SpedizioneIncompiuta()) {
            opzioni.Spedizione = *aperta;
            const auto all = registro->Voci(*aperta);
            opzioni.Posizioni = registro->Riprendi(*aperta, false);
            voci.clear();
            for (std::size_t p : opzioni.Posizioni) voci.push_back(all[p].Voce);
        } else {
            opzioni.Spedizione = registro->NuovaSpedizione(
                {setup.Host + ":" + std::to_string(setup.Port) + " " + setup.User, setup.User,
                 dati.Oggetto, dati.Righe},
                voci);
        }
    }
    TSendFigures figures;
    const auto start = std::chrono::steady_clock::now();
    TAvvisiInvio avvisi;
    auto last = start;
    avvisi.Fatto = [&](std::size_t) {
        const auto now = std::chrono::steady_clock::now();
        figures.LongestSettle =
            std::max(figures.LongestSettle, std::chrono::duration<double>(now - last).count());
        last = now;
    };
    figures.Outcome = EseguiInvio(smtp, message, voci, avvisi, opzioni);
    figures.Entries = voci.size();
    if (registro)
        for (const auto& v : registro->Voci(opzioni.Spedizione))
            if (v.Stato == TStatoVoce::Escluso) ++figures.Excluded;
    figures.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
        else
            ::execl("/usr/bin/python3", "python3", BRIVANO_SMTPLIB_PEER, portText.c_str(),
                    countText.c_str(), mode.c_str(), user.c_str(), password.c_str(),
                    static_cast<char*>(nullptr));
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
