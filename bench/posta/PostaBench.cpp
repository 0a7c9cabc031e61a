// One check of 1,000 new messages (bounces, requests, automatic replies and
// others) against a private Dovecot on 127.0.0.1, beside Python's imaplib
// fetching the same messages the same way. Prints both times and the ratio.
//
//   posta_bench [--count N]
//
// The check classifies and marks what it processed with the keyword, so the
// peer finds the same messages after it or before it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CampioniPosta.h"
#include "DovecotDiProva.h"
#include "TempDir.h"
#include "posta/ControlloPosta.h"

#ifndef BRIVANO_IMAPLIB_PEER
#error "BRIVANO_IMAPLIB_PEER names imaplib_peer.py"
#endif

int main(int argc, char** argv) {
    long conta = 1000;
    if (argc == 3 && std::string(argv[1]) == "--count") conta = std::atol(argv[2]);
    if (conta < 1 || conta > 100000) {
        std::fprintf(stderr, "usage: posta_bench [--count N]  (1-100000)\n");
        return 2;
    }
    TTempDir cartella;
    TDovecotDiProva server(cartella.path() / "server");
    if (!server.Pronto()) {
        std::fprintf(stderr, "posta_bench: %s\n", server.Motivo().c_str());
        return 1;
    }
    for (long i = 0; i < conta; ++i) {
        switch (i % 4) {
            case 0:
                server.Deposita(campioni::RapportoDefinitivo());
                break;
            case 1:
                server.Deposita(campioni::TestoConCodice());
                break;
            case 2:
                server.Deposita(campioni::Richiesta("Re: Cancellami", "", ""));
                break;
            default:
                server.Deposita(campioni::Richiesta("Re: offerta n. " + std::to_string(i),
                                                    std::string(2000, 'x'), ""));
        }
    }
    ::setenv("SSL_CERT_FILE", server.Autorita().c_str(), 1);

    // The peer first: it changes nothing on the server.
    const std::string peer = std::string("python3 ") + BRIVANO_IMAPLIB_PEER + " " +
                             std::to_string(server.PortaImaps()) + " " + TDovecotDiProva::Utente +
                             " '" + TDovecotDiProva::Password + "' '" + server.Autorita().string() +
                             "'";
    // Run twice: the first builds the server's index of the new maildir
    // files, which neither side should be charged for.
    double secondiPeer = 0;
    long presiPeer = 0;
    for (int volta = 0; volta < 2; ++volta) {
        FILE* uscita = ::popen(peer.c_str(), "r");
        if (uscita == nullptr || std::fscanf(uscita, "%lf %ld", &secondiPeer, &presiPeer) != 2) {
            std::fprintf(stderr, "posta_bench: imaplib_peer.py did not answer\n");
            if (uscita != nullptr) ::pclose(uscita);
            return 1;
        }
        ::pclose(uscita);
    }

    brivano::TArchivioPosta archivio(cartella.path() / brivano::FileArchivioPosta);
    brivano::TAccessoImap accesso;
    accesso.Host = "127.0.0.1";
    accesso.Porta = server.PortaImaps();
    accesso.Utente = TDovecotDiProva::Utente;
    accesso.Password = TDovecotDiProva::Password;
    brivano::TOpzioniControllo opzioni;
    opzioni.Dopo = brivano::TDopoElaborazione::Segna;
    const auto inizio = std::chrono::steady_clock::now();
    const auto esito = brivano::ControllaPosta(accesso, archivio, opzioni, {});
    const double secondi =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - inizio).count();

    std::printf("messages %ld\n", conta);
    std::printf("brivano check      %8.3f s  fetched %zu, processed %zu, others %zu\n", secondi,
                esito.Scaricati, esito.Elaborati.size(), esito.Altri);
    std::printf("python imaplib     %8.3f s  fetched %ld (fetch only)\n", secondiPeer, presiPeer);
    std::printf("ratio check/imaplib %.2f\n", secondiPeer > 0 ? secondi / secondiPeer : 0.0);
    return esito.Scaricati == static_cast<std::size_t>(conta) ? 0 : 1;
}
