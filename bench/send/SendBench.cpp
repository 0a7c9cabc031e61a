// Delivers N copies of the mailing window's message to a local sink and
// prints the rate; by default one connection per message as the window's run
// does.
//
//   send_bench --host 127.0.0.1 --port 2525 --count 200 [--user U --password P]
//              [--security none|starttls|tls] [--journal PATH]
//              [--per-connection K] [--connections C]
//
// starttls requires STARTTLS, tls is implicit TLS; the server's certificate
// is checked against the authorities of SSL_CERT_FILE / SSL_CERT_DIR (or the
// system's).
// With --journal the run is recorded in that journal file; an unfinished run
// found there is resumed (its uncertain entries left out) instead. The last
// line counts the entries: sent=N failed=F deferred=D uncertain=U excluded=E.
// --per-connection K sends K messages per SMTP session (RSET between them),
// --connections C works the list over C connections side by side (1-4).
//
//   send_bench --peers [--delay MS] [--count N] [--reuse-count M] [--limit MS]
//
// prints the side-by-side tables instead (see PeerTables.h): round trips
// against a sink that delays every client wait by MS (default 25), the
// same runs against smtp-sink, and misbehaving servers.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PeerTables.h"
#include "SendRun.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: send_bench --host HOST --port PORT --count N [--user U --password P]"
                 " [--security none|starttls|tls] [--journal PATH] [--per-connection K]"
                 " [--connections C]\n"
                 "       send_bench --peers [--delay MS] [--count N] [--reuse-count M]"
                 " [--limit MS]\n");
    return 2;
}

int Peers(int argc, char** argv) {
    int delay = 25;
    long count = 20;
    long reuseCount = 60;
    int limit = 2000;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const long value = std::atol(argv[i + 1]);
        if (option == "--delay" && value >= 0 && value <= 1000)
            delay = static_cast<int>(value);
        else if (option == "--count" && value > 0 && value <= 100000)
            count = value;
        else if (option == "--reuse-count" && value > 0 && value <= 100000)
            reuseCount = value;
        else if (option == "--limit" && value >= 100 && value <= 60000)
            limit = static_cast<int>(value);
        else
            return Usage();
    }
    if (argc % 2 != 0) return Usage();
    int status = brivano::bench::RoundTripTable(delay, count, reuseCount);
    status |= brivano::bench::SmtpSinkTable(reuseCount * 10);
    status |= brivano::bench::MisbehavingTable(limit);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--peers") == 0) return Peers(argc, argv);
    brivano::bench::TSendSetup setup;
    std::string journal;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--host")
            setup.Host = value;
        else if (option == "--port")
            setup.Port = std::atoi(value);
        else if (option == "--count")
            setup.Count = std::atol(value);
        else if (option == "--user")
            setup.User = value;
        else if (option == "--password")
            setup.Password = value;
        else if (option == "--security" && std::strcmp(value, "none") == 0)
            setup.Security = utNoTLSSupport;
        else if (option == "--security" && std::strcmp(value, "starttls") == 0)
            setup.Security = utUseRequireTLS;
        else if (option == "--security" && std::strcmp(value, "tls") == 0)
            setup.Security = utUseImplicitTLS;
        else if (option == "--journal")
            journal = value;
        else if (option == "--per-connection")
            setup.PerConnection = std::atoi(value);
        else if (option == "--connections")
            setup.Connections = std::atoi(value);
        else
            return Usage();
    }
    if (argc % 2 == 0 || setup.Port <= 0 || setup.Port > 65535 || setup.Count <= 0 ||
        setup.Count > 1000000 || setup.PerConnection < 1 || setup.PerConnection > 1000000 ||
        setup.Connections < 1 || setup.Connections > brivano::ConnessioniMassime)
        return Usage();

    brivano::bench::TSendFigures figures;
    try {
        figures = brivano::bench::SendMessages(setup, journal);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "journal: %s\n", e.what());
        return 1;
    }
    const brivano::TEsitoInvio& esito = figures.Outcome;
    std::printf("send_bench: %zu messages in %.3f s: %.1f messages/s, %zu failed\n",
                figures.Entries, figures.Seconds,
                static_cast<double>(esito.Inviati) / figures.Seconds, esito.Falliti.size());
    if (!esito.Falliti.empty())
        std::fprintf(stderr, "first failure: %s\n", esito.Falliti.front().Errore.c_str());
    std::printf("sent=%zu failed=%zu deferred=%zu uncertain=%zu excluded=%zu\n", esito.Inviati,
                esito.Falliti.size(), esito.Rinviati.size(), esito.Incerti.size(),
                figures.Excluded);
    return esito.Falliti.empty() && esito.Rinviati.empty() && esito.Incerti.empty() ? 0 : 1;
}
