#include "posta/SessioneImap.h"

#include <curl/curl.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <mutex>

namespace brivano {

namespace {

// A message is at most 10 MB when fetched; a literal far larger means the
// reply is not what was asked.
constexpr std::size_t LetteraleMassimo = 64u << 20;

void AvviaCurl() {
    static std::once_flag avviato;
    std::call_once(avviato, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Chi(const TAccessoImap& accesso) {
    return accesso.Host + ":" + std::to_string(accesso.Porta);
}

}  // namespace

struct TSessioneImap::TStato {
    TStato() = default;
    TStato(const TStato&) = delete;
    TStato& operator=(const TStato&) = delete;
    // Also when the constructor of the session fails half-way.
    ~TStato() {
        if (curl != nullptr) curl_easy_cleanup(curl);
    }
    CURL* curl = nullptr;
    curl_socket_t presa = CURL_SOCKET_BAD;
    std::string buffer;
    std::size_t letti = 0;
    unsigned etichetta = 0;
    int attesa = 60;
    std::string chi;
};

TSessioneImap::TSessioneImap(const TAccessoImap& accesso) : stato_(std::make_unique<TStato>()) {
    AvviaCurl();
    stato_->attesa = accesso.AttesaSecondi;
    stato_->chi = Chi(accesso);
    if (accesso.Host.empty()) throw EPosta("Manca il server della posta in arrivo (IMAP).");
    if (accesso.Porta < 1 || accesso.Porta > 65535)
        throw EPosta("La porta IMAP deve essere tra 1 e 65535.");
    CURL* curl = curl_easy_init();
    if (curl == nullptr) throw EPosta("Impossibile preparare la connessione IMAP.");
    stato_->curl = curl;
    const bool implicito = accesso.Sicurezza == TSicurezzaImap::SSLTLS;
    const std::string url = std::string(implicito ? "imaps://" : "imap://") + accesso.Host + ":" +
                            std::to_string(accesso.Porta) + "/";
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "imap,imaps");
    // STARTTLS required: a server that does not offer it gets no password.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(accesso.AttesaSecondi));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // The authorities the rest of the program trusts: the system's, or the
    // file OpenSSL is pointed at.
    if (const char* autorita = std::getenv("SSL_CERT_FILE"); autorita != nullptr && *autorita)
        curl_easy_setopt(curl, CURLOPT_CAINFO, autorita);
    curl_easy_setopt(curl, CURLOPT_USERNAME, accesso.Utente.c_str());
    if (!accesso.Token.empty()) {
        curl_easy_setopt(curl, CURLOPT_XOAUTH2_BEARER, accesso.Token.c_str());
        curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=XOAUTH2");
    } else {
        curl_easy_setopt(curl, CURLOPT_PASSWORD, accesso.Password.c_str());
    }
    const CURLcode esito = curl_easy_perform(curl);
    if (esito != CURLE_OK) {
        std::string motivo;
        switch (esito) {
            case CURLE_LOGIN_DENIED:
                motivo = "utente o password rifiutati";
                break;
            case CURLE_USE_SSL_FAILED:
                motivo = "il server non offre STARTTLS: la password non viene mandata in chiaro";
                break;
            case CURLE_PEER_FAILED_VERIFICATION:
                motivo = "il certificato del server non è valido";
                break;
            case CURLE_OPERATION_TIMEDOUT:
                motivo = "il server non risponde";
                break;
            default:
                motivo = curl_easy_strerror(esito);
        }
        throw EPosta("Connessione IMAP a " + stato_->chi + " non riuscita: " + motivo + ".");
    }
    curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &stato_->presa);
}

TSessioneImap::~TSessioneImap() {
    if (stato_->curl == nullptr) return;
    if (stato_->presa != CURL_SOCKET_BAD) {
        try {
            Invia("Z LOGOUT\r\n");
        } catch (const EPosta&) {
        }
    }
}

void TSessioneImap::Invia(const std::string& testo) {
    std::size_t inviati = 0;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(stato_->attesa);
    while (inviati < testo.size()) {
        std::size_t n = 0;
        const CURLcode esito =
            curl_easy_send(stato_->curl, testo.data() + inviati, testo.size() - inviati, &n);
        if (esito == CURLE_AGAIN) {
            if (std::chrono::steady_clock::now() > limite)
                throw EPosta("Il server IMAP " + stato_->chi + " non riceve più.");
            pollfd voce{stato_->presa, POLLOUT, 0};
            ::poll(&voce, 1, 1000);
            continue;
        }
        if (esito != CURLE_OK) throw EPosta("Connessione IMAP con " + stato_->chi + " interrotta.");
        inviati += n;
    }
}

void TSessioneImap::Riempi() {
    if (stato_->letti > 0 && stato_->letti * 2 > stato_->buffer.size()) {
        stato_->buffer.erase(0, stato_->letti);
        stato_->letti = 0;
    }
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(stato_->attesa);
    char pezzo[65536];
    for (;;) {
        std::size_t n = 0;
        const CURLcode esito = curl_easy_recv(stato_->curl, pezzo, sizeof pezzo, &n);
        if (esito == CURLE_AGAIN) {
            if (std::chrono::steady_clock::now() > limite)
                throw EPosta("Il server IMAP " + stato_->chi + " non risponde.");
            pollfd voce{stato_->presa, POLLIN, 0};
            ::poll(&voce, 1, 1000);
            continue;
        }
        if (esito != CURLE_OK || n == 0)
            throw EPosta("Il server IMAP " + stato_->chi + " ha chiuso la connessione.");
        stato_->buffer.append(pezzo, n);
        return;
    }
}

std::string TSessioneImap::LeggiRiga() {
    for (;;) {
        const std::size_t fine = stato_->buffer.find("\r\n", stato_->letti);
        if (fine != std::string::npos) {
            std::string riga = stato_->buffer.substr(stato_->letti, fine - stato_->letti);
            stato_->letti = fine + 2;
            return riga;
        }
        if (stato_->buffer.size() - stato_->letti > LetteraleMassimo)
            throw EPosta("Il server IMAP " + stato_->chi + " manda una riga senza fine.");
        Riempi();
    }
}

std::string TSessioneImap::LeggiByte(std::size_t quanti) {
    while (stato_->buffer.size() - stato_->letti < quanti) Riempi();
    std::string byte = stato_->buffer.substr(stato_->letti, quanti);
    stato_->letti += quanti;
    return byte;
}

TRispostaImap TSessioneImap::Comando(const std::string& comando) {
    char etichetta[16];
    std::snprintf(etichetta, sizeof etichetta, "B%04u", ++stato_->etichetta);
    Invia(std::string(etichetta) + " " + comando + "\r\n");
    TRispostaImap risposta;
    const std::string attesa = std::string(etichetta) + " ";
    for (;;) {
        std::string riga = LeggiRiga();
        if (riga.rfind(attesa, 0) == 0) {
            const std::string resto = riga.substr(attesa.size());
            const std::size_t spazio = resto.find(' ');
            risposta.Esito = resto.substr(0, spazio);
            risposta.Testo = spazio == std::string::npos ? std::string() : resto.substr(spazio + 1);
            return risposta;
        }
        TRigaImap voce;
        // A line ending in "{N}" goes on after N bytes of literal.
        for (;;) {
            std::size_t aperta = riga.size();
            std::size_t quanti = 0;
            if (!riga.empty() && riga.back() == '}') {
                aperta = riga.rfind('{');
                if (aperta != std::string::npos) {
                    const std::string numero = riga.substr(aperta + 1, riga.size() - aperta - 2);
                    char* fine = nullptr;
                    const unsigned long long n = std::strtoull(numero.c_str(), &fine, 10);
                    if (numero.empty() || fine == nullptr || *fine != '\0')
                        aperta = riga.size();
                    else if (n > LetteraleMassimo)
                        throw EPosta("Il server IMAP " + stato_->chi +
                                     " manda un messaggio più grande del previsto.");
                    else
                        quanti = static_cast<std::size_t>(n);
                } else {
                    aperta = riga.size();
                }
            }
            voce.Testo += riga;
            if (aperta == riga.size()) break;
            voce.Letterali.push_back(LeggiByte(quanti));
            riga = LeggiRiga();
        }
        risposta.Righe.push_back(std::move(voce));
    }
}

TRispostaImap TSessioneImap::ComandoOk(const std::string& comando) {
    TRispostaImap risposta = Comando(comando);
    if (!risposta.Ok()) {
        const std::string verbo =
            comando.substr(0, comando.find(' ', comando.rfind("UID ", 0) == 0 ? 4 : 0));
        throw EPosta("Il server IMAP " + stato_->chi + " ha rifiutato " + verbo + ": " +
                     risposta.Testo);
    }
    return risposta;
}

std::string StringaImap(const std::string& testo) {
    std::string quotata = "\"";
    for (char c : testo) {
        if (c == '"' || c == '\\') quotata += '\\';
        quotata += c;
    }
    return quotata + "\"";
}

std::string InsiemeUid(const std::vector<std::uint32_t>& uid) {
    std::string insieme;
    for (std::size_t i = 0; i < uid.size();) {
        std::size_t j = i;
        while (j + 1 < uid.size() && uid[j + 1] == uid[j] + 1) ++j;
        if (!insieme.empty()) insieme += ',';
        insieme += std::to_string(uid[i]);
        if (j > i) insieme += ":" + std::to_string(uid[j]);
        i = j + 1;
    }
    return insieme;
}

std::uint64_t NumeroDopo(const std::string& riga, const std::string& nome) {
    for (std::size_t at = riga.find(nome); at != std::string::npos; at = riga.find(nome, at + 1)) {
        const bool inizio =
            at == 0 || riga[at - 1] == ' ' || riga[at - 1] == '(' || riga[at - 1] == '[';
        const std::size_t dopo = at + nome.size();
        if (!inizio || dopo >= riga.size() || riga[dopo] != ' ') continue;
        std::uint64_t numero = 0;
        bool cifre = false;
        for (std::size_t i = dopo + 1; i < riga.size() && riga[i] >= '0' && riga[i] <= '9'; ++i) {
            numero = numero * 10 + static_cast<std::uint64_t>(riga[i] - '0');
            cifre = true;
            if (numero > 0xFFFFFFFFull) return 0;
        }
        if (cifre) return numero;
    }
    return 0;
}

}  // namespace brivano
