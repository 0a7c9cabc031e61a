// Delivers N copies of the mailing window's message to a local sink, one
// connection per message as the window's run does, and prints the rate.
//
//   send_bench --host 127.0.0.1 --port 2525 --count 200 [--user U --password P]
//              [--security none|starttls|tls] [--journal PATH]
//
// starttls requires STARTTLS, tls is implicit TLS; the server's certificate
// is checked against the authorities of SSL_CERT_FILE / SSL_CERT_DIR (or the
// system's).
// With --journal the run is recorded in that journal file; an unfinished run
// found there is resumed (its uncertain entries left out) instead. The last
// line counts the entries: sent=N failed=F deferred=D uncertain=U excluded=E.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <optional>

#include "workflow/RegistroInvii.h"
#include "workflow/SpedizioneMail.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: send_bench --host HOST --port PORT --count N [--user U --password P]"
                 " [--security none|starttls|tls] [--journal PATH]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1";
    int port = 0;
    long count = 0;
    std::string user = "bench@example.it";
    std::string password;
    TIdUseTLS security = utNoTLSSupport;
    std::string journal;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--host")
            host = value;
        else if (option == "--port")
            port = std::atoi(value);
        else if (option == "--count")
            count = std::atol(value);
        else if (option == "--user")
            user = value;
        else if (option == "--password")
            password = value;
        else if (option == "--security" && std::strcmp(value, "none") == 0)
            security = utNoTLSSupport;
        else if (option == "--security" && std::strcmp(value, "starttls") == 0)
            security = utUseRequireTLS;
        else if (option == "--security" && std::strcmp(value, "tls") == 0)
            security = utUseImplicitTLS;
        else if (option == "--journal")
            journal = value;
        else
            return Usage();
    }
    if (argc % 2 == 0 || port <= 0 || port > 65535 || count <= 0 || count > 1000000) return Usage();

    TIdSMTP smtp;
    TIdMessage message;
    message.SetAttachmentEncoding("UUE");
    brivano::TDatiInvio dati;
    dati.Host = host;
    dati.Porta = port;
    dati.Mittente = user;
    dati.Password = password;
    dati.UseTLS = security;
    dati.Oggetto = "Novità dal nostro archivio";
    dati.Righe = {"Gentile cliente,",
                  "le presentiamo le novità di questo mese.",
                  "",
                  "Il catalogo è disponibile sul nostro sito.",
                  "",
                  "Cordiali saluti",
                  "",
                  "L'ufficio commerciale"};
    brivano::TLimitiTempo limiti{10000, 10000, {10000, 10000, 10000, 10000, 10000}, 10000};
    brivano::PreparaInvio(smtp, message, dati, limiti);

    std::vector<std::string> voci;
    for (long i = 0; i < count; ++i) voci.push_back("dest" + std::to_string(i) + "@example.it");

    brivano::TOpzioniInvio opzioni;
    std::optional<brivano::TRegistroInvii> registro;
    std::size_t excluded = 0;
    if (!journal.empty()) {
        try {
            registro.emplace(journal);
            opzioni.Registro = &*registro;
            if (auto aperta = registro->SpedizioneIncompiuta()) {
                opzioni.Spedizione = *aperta;
                const auto all = registro->Voci(*aperta);
                opzioni.Posizioni = registro->Riprendi(*aperta, false);
                voci.clear();
                for (std::size_t p : opzioni.Posizioni) voci.push_back(all[p].Voce);
            } else {
                opzioni.Spedizione =
                    registro->NuovaSpedizione({host + ":" + std::to_string(port) + " " + user, user,
                                               dati.Oggetto, dati.Righe},
                                              voci);
            }
            for (const auto& v : registro->Voci(opzioni.Spedizione))
                if (v.Stato == brivano::TStatoVoce::Escluso) ++excluded;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "journal: %s\n", e.what());
            return 1;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    const brivano::TEsitoInvio esito = brivano::EseguiInvio(smtp, message, voci, {}, opzioni);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const long failed = static_cast<long>(esito.Falliti.size());
    std::printf("send_bench: %zu messages in %.3f s: %.1f messages/s, %ld failed\n", voci.size(),
                seconds, static_cast<double>(esito.Inviati) / seconds, failed);
    if (!esito.Falliti.empty())
        std::fprintf(stderr, "first failure: %s\n", esito.Falliti.front().Errore.c_str());
    std::printf("sent=%zu failed=%zu deferred=%zu uncertain=%zu excluded=%zu\n", esito.Inviati,
                esito.Falliti.size(), esito.Rinviati.size(), esito.Incerti.size(), excluded);
    return failed == 0 && esito.Rinviati.empty() && esito.Incerti.empty() ? 0 : 1;
}
