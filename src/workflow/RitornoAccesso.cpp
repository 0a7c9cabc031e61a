#include "workflow/RitornoAccesso.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>

#include "workflow/AccessoOAuth.h"

namespace brivano {

namespace {

constexpr std::size_t RichiestaMassima = std::size_t{16} * 1024;

int Cifra(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decodifica(const std::string& testo) {
    std::string chiaro;
    for (std::size_t i = 0; i < testo.size(); ++i) {
        if (testo[i] == '+') {
            chiaro += ' ';
        } else if (testo[i] == '%' && i + 2 < testo.size() && Cifra(testo[i + 1]) >= 0 &&
                   Cifra(testo[i + 2]) >= 0) {
            chiaro += static_cast<char>(Cifra(testo[i + 1]) * 16 + Cifra(testo[i + 2]));
            i += 2;
        } else {
            chiaro += testo[i];
        }
    }
    return chiaro;
}

// The query of "GET /path?query HTTP/1.1", as names and values.
std::map<std::string, std::string> Parametri(const std::string& richiesta) {
    std::map<std::string, std::string> valori;
    const std::size_t fineRiga = richiesta.find("\r\n");
    const std::string riga = richiesta.substr(0, fineRiga);
    if (riga.rfind("GET ", 0) != 0) return valori;
    const std::size_t fine = riga.find(' ', 4);
    const std::string percorso = riga.substr(4, fine == std::string::npos ? fine : fine - 4);
    const std::size_t domanda = percorso.find('?');
    if (domanda == std::string::npos) return valori;
    std::size_t inizio = domanda + 1;
    while (inizio <= percorso.size()) {
        std::size_t e = percorso.find('&', inizio);
        if (e == std::string::npos) e = percorso.size();
        const std::string coppia = percorso.substr(inizio, e - inizio);
        const std::size_t uguale = coppia.find('=');
        if (uguale != std::string::npos)
            valori.emplace(Decodifica(coppia.substr(0, uguale)),
                           Decodifica(coppia.substr(uguale + 1)));
        inizio = e + 1;
    }
    return valori;
}

void Rispondi(int s, int stato, const std::string& frase) {
    const std::string corpo =
        "<!DOCTYPE html><html lang=\"it\"><head><meta charset=\"utf-8\"><title>Brivano</title>"
        "</head><body><p>" +
        frase + "</p></body></html>\n";
    const std::string risposta = "HTTP/1.1 " + std::to_string(stato) +
                                 (stato == 200 ? " OK" : " Bad Request") +
                                 "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                 std::to_string(corpo.size()) +
                                 "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + corpo;
    std::size_t scritti = 0;
    while (scritti < risposta.size()) {
        const ssize_t n =
            ::send(s, risposta.data() + scritti, risposta.size() - scritti, MSG_NOSIGNAL);
        if (n <= 0) return;
        scritti += static_cast<std::size_t>(n);
    }
}

// Reads the request head within 10 seconds; empty when the peer sent nothing.
std::string LeggiRichiesta(int s) {
    std::string dati;
    const auto fine = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (dati.find("\r\n\r\n") == std::string::npos && dati.size() < RichiestaMassima) {
        const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
                               fine - std::chrono::steady_clock::now())
                               .count();
        if (resta <= 0) break;
        pollfd p{s, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(resta)) <= 0) continue;
        char blocco[2048];
        const ssize_t n = ::recv(s, blocco, sizeof blocco, 0);
        if (n <= 0) break;
        dati.append(blocco, static_cast<std::size_t>(n));
    }
    return dati;
}

}  // namespace

TRitornoAccesso::TRitornoAccesso() {
    ascolto_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in indirizzo{};
    indirizzo.sin_family = AF_INET;
    indirizzo.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    indirizzo.sin_port = 0;
    socklen_t lunghezza = sizeof indirizzo;
    if (ascolto_ < 0 ||
        ::bind(ascolto_, reinterpret_cast<sockaddr*>(&indirizzo), sizeof indirizzo) != 0 ||
        ::listen(ascolto_, 4) != 0 ||
        ::getsockname(ascolto_, reinterpret_cast<sockaddr*>(&indirizzo), &lunghezza) != 0) {
        Chiudi();
        throw EAccessoNonRiuscito("Nessuna porta locale libera per il ritorno dal browser.");
    }
    porta_ = ntohs(indirizzo.sin_port);
}

TRitornoAccesso::~TRitornoAccesso() {
    Chiudi();
}

void TRitornoAccesso::Chiudi() {
    if (ascolto_ >= 0) ::close(ascolto_);
    ascolto_ = -1;
}

std::string TRitornoAccesso::Redirect() const {
    return "http://localhost:" + std::to_string(porta_) + "/";
}

std::string TRitornoAccesso::Attendi(const std::string& stato, std::chrono::milliseconds limite,
                                     const std::atomic<bool>* annulla) {
    if (ascolto_ < 0) throw EAccessoNonRiuscito("L'attesa del browser è già conclusa.");
    const auto fine = std::chrono::steady_clock::now() + limite;
    std::string richiesta;
    int s = -1;
    while (richiesta.empty()) {
        if (annulla && annulla->load()) {
            Chiudi();
            throw EAccessoNonRiuscito("Accesso annullato.");
        }
        const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(
                               fine - std::chrono::steady_clock::now())
                               .count();
        if (resta <= 0) {
            Chiudi();
            throw EAccessoNonRiuscito(
                "Nessuna risposta dal browser entro 5 minuti: accesso non completato.");
        }
        pollfd p{ascolto_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(resta, 200))) <= 0) continue;
        s = ::accept4(ascolto_, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0) continue;
        richiesta = LeggiRichiesta(s);
        if (richiesta.empty()) {
            // A connection opened ahead by the browser, then left: not the request.
            ::close(s);
            s = -1;
        }
    }
    // Exactly one request: nothing more is taken.
    Chiudi();
    const auto valori = Parametri(richiesta);
    const auto valore = [&](const char* nome) {
        const auto it = valori.find(nome);
        return it == valori.end() ? std::string() : it->second;
    };
    std::string errore;
    if (valore("state") != stato || stato.empty()) {
        Rispondi(s, 400, "Richiesta non valida: accesso non completato.");
        errore =
            "La risposta arrivata al programma non corrisponde a questo accesso (state diverso): "
            "riprovare.";
    } else if (!valore("error").empty()) {
        Rispondi(s, 200, "Accesso non riuscito: puoi tornare a Brivano");
        errore = TestoErroreFornitore(valore("error"), valore("error_description"));
    } else if (valore("code").empty()) {
        Rispondi(s, 400, "Richiesta non valida: accesso non completato.");
        errore = "Il browser non ha riportato il codice di accesso: riprovare.";
    } else {
        Rispondi(s, 200, PaginaAccessoCompletato);
    }
    ::shutdown(s, SHUT_WR);
    ::close(s);
    if (!errore.empty()) throw EAccessoNonRiuscito(errore);
    return valore("code");
}

}  // namespace brivano
