// Delivers N copies of the mailing window's message to a local sink and
// prints the rate; by default one connection per message as the window's run
// does.
//
//   send_bench --host 127.0.0.1 --port 2525 --count 200 [--user U --password-from env|stdin]
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
// The password never goes on the command line, where every user of the
// machine can read it: "env" takes it from SEND_BENCH_PASSWORD (wiped from the
// environment once read), "stdin" from the first line of standard input.
//
//   send_bench --peers [--delay MS] [--count N] [--reuse-count M] [--limit MS]
//
// prints the side-by-side tables instead (see PeerTables.h): round trips
// against a sink that delays every client wait by MS (default 25), the
// same runs against smtp-sink, and misbehaving servers.

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PeerTables.h"
#include "SendRun.h"
#include "text/Segreto.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: send_bench --host HOST --port PORT --count N"
                 " [--user U --password-from env|stdin]"
                 " [--security none|starttls|tls] [--journal PATH] [--per-connection K]"
                 " [--connections C]\n"
                 "       send_bench --peers [--delay MS] [--count N] [--reuse-count M]"
                 " [--limit MS]\n");
    return 2;
}

// The first line of standard input, read a byte at a time so that no stdio
// buffer keeps a copy; at most 4096 bytes.
brivano::TSegreto PasswordFromStdin() {
    std::array<char, 4096> line{};
    std::size_t size = 0;
    char c = 0;
    while (size < line.size() && ::read(0, &c, 1) == 1 && c != '\n') line[size++] = c;
    if (size > 0 && line[size - 1] == '\r') --size;
    brivano::TSegreto password(std::string_view(line.data(), size));
    brivano::CancellaMemoria(line.data(), line.size());
    c = 0;
    return password;
}

brivano::TSegreto PasswordFromEnvironment() {
    char* value = std::getenv("SEND_BENCH_PASSWORD");
    if (!value) return {};
    brivano::TSegreto password(value);
    brivano::CancellaMemoria(value, std::strlen(value));
    ::unsetenv("SEND_BENCH_PASSWORD");
    return password;
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
        else if (option == "--password-from" && std::strcmp(value, "env") == 0)
            setup.Password = PasswordFromEnvironment();
        else if (option == "--password-from" && std::strcmp(value, "stdin") == 0)
            setup.Password = PasswordFromStdin();
        else if (option == "--password") {
            std::fprintf(stderr,
                         "send_bench: a password on the command line can be read by every user "
                         "of the machine; use --password-from env (SEND_BENCH_PASSWORD) or "
                         "--password-from stdin\n");
            return 2;
        } else if (option == "--security" && std::strcmp(value, "none") == 0)
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
