#include "workflow/AccessoOAuth.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>

#include "config/F_Conf.h"

#ifndef BRIVANO_MICROSOFT_CLIENT_ID
#define BRIVANO_MICROSOFT_CLIENT_ID ""
#endif
#ifndef BRIVANO_GOOGLE_CLIENT_ID
#define BRIVANO_GOOGLE_CLIENT_ID ""
#endif
#ifndef BRIVANO_GOOGLE_CLIENT_SECRET
#define BRIVANO_GOOGLE_CLIENT_SECRET ""
#endif

namespace brivano {

namespace {

std::string Casuale(std::size_t byte) {
    std::string dati(byte, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(dati.data()), static_cast<int>(byte)) != 1)
        throw EAccessoNonRiuscito("Generatore di numeri casuali non disponibile.");
    return Base64Url(dati);
}

// The configured value under "Accesso<fornitore><nome>", else `base`.
std::string Valore(const std::string& fornitore, const char* nome, const std::string& base) {
    std::string valore = LeggiReg(KeyBrivano, "Accesso" + fornitore + nome);
    return valore.empty() ? base : valore;
}

// Whether the address names the loopback host (plain HTTP allowed: tests).
bool Loopback(const std::string& indirizzo) {
    for (const char* inizio :
         {"http://127.", "http://localhost:", "http://localhost/", "http://[::1]"})
        if (indirizzo.rfind(inizio, 0) == 0) return true;
    return false;
}

std::string Spiegazione(const std::string& errore, const std::string& descrizione) {
    if (errore == "invalid_grant")
        return "l'accesso è scaduto o è stato revocato: Accedi di nuovo dalle Impostazioni Invio";
    if (descrizione.find("AADSTS65001") != std::string::npos ||
        descrizione.find("AADSTS90094") != std::string::npos ||
        descrizione.find("AADSTS65004") != std::string::npos || errore == "consent_required" ||
        errore == "admin_policy_enforced")
        return "l'applicazione deve essere approvata da un amministratore dell'organizzazione "
               "(permessi SMTP.Send, IMAP.AccessAsUser.All e offline_access): chiedere "
               "all'amministratore";
    if (errore == "invalid_client" || errore == "unauthorized_client")
        return "l'ID applicazione non è riconosciuto dal fornitore: controllare ID applicazione "
               "e tenant";
    if (errore == "access_denied") return "l'accesso è stato rifiutato nel browser";
    return "accesso non riuscito presso il fornitore";
}

size_t Accumula(char* dati, size_t, size_t n, void* destinazione) {
    auto* corpo = static_cast<std::string*>(destinazione);
    // An answer beyond 1 MB is not a token answer: the transfer stops.
    if (corpo->size() + n > std::size_t{1024} * 1024) return 0;
    corpo->append(dati, n);
    return n;
}

TToken Richiesta(const TFornitoreToken& fornitore, std::string modulo) {
    if (fornitore.Token.rfind("https://", 0) != 0 && !Loopback(fornitore.Token))
        throw EAccessoNonRiuscito("L'indirizzo dei token deve iniziare con https://.");
    modulo += "&client_id=" + CodificaUrl(fornitore.IdClient);
    if (!fornitore.Segreto.empty()) modulo += "&client_secret=" + CodificaUrl(fornitore.Segreto);
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) throw EAccessoNonRiuscito("Richiesta del token non avviata.");
    std::string corpo;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, fornitore.Token.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, modulo.c_str());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(modulo.size()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Accumula);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &corpo);
    const CURLcode esito = curl_easy_perform(c);
    // The form held the code or the refresh token: nothing of it stays.
    std::fill(modulo.begin(), modulo.end(), '\0');
    if (esito != CURLE_OK)
        throw EAccessoNonRiuscito(std::string("Richiesta del token non riuscita: ") +
                                  curl_easy_strerror(esito) +
                                  " (controllare la connessione di rete)");
    long stato = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &stato);
    return LeggiRispostaToken(stato, corpo);
}

}  // namespace

TFornitoreToken FornitoreToken(const TAccountInvio& account) {
    TFornitoreToken f;
    std::string nome;
    if (account.Metodo == TMetodoAccesso::Microsoft) {
        nome = "Microsoft";
        const std::string tenant = account.Tenant.empty() ? "common" : account.Tenant;
        const std::string base = "https://login.microsoftonline.com/" + tenant + "/oauth2/v2.0/";
        f.Autorizza = base + "authorize";
        f.Token = base + "token";
        // Sending, and reading the sender's mailbox for bounces and requests.
        f.Ambiti =
            "https://outlook.office.com/SMTP.Send "
            "https://outlook.office.com/IMAP.AccessAsUser.All offline_access";
        f.IdClient = BRIVANO_MICROSOFT_CLIENT_ID;
    } else if (account.Metodo == TMetodoAccesso::Google) {
        nome = "Google";
        f.Autorizza = "https://accounts.google.com/o/oauth2/v2/auth";
        f.Token = "https://oauth2.googleapis.com/token";
        f.Ambiti = "https://mail.google.com/";
        f.IdClient = BRIVANO_GOOGLE_CLIENT_ID;
        f.Segreto = BRIVANO_GOOGLE_CLIENT_SECRET;
        f.Aggiunte = "&access_type=offline&prompt=consent";
    } else {
        throw EAccessoNonRiuscito("L'account entra con la password, non con un accesso.");
    }
    if (!account.IdApplicazione.empty() && account.IdApplicazione != f.IdClient) {
        // A client the user registered: the build's secret is not its own.
        f.IdClient = account.IdApplicazione;
        f.Segreto.clear();
    }
    f.Autorizza = Valore(nome, "Autorizza", f.Autorizza);
    f.Token = Valore(nome, "Token", f.Token);
    f.Ambiti = Valore(nome, "Ambiti", f.Ambiti);
    f.IdClient = Valore(nome, "IdClient", f.IdClient);
    f.Segreto = Valore(nome, "Segreto", f.Segreto);
    if (f.IdClient.empty())
        throw EAccessoNonRiuscito(
            "Manca l'ID applicazione: scriverlo nelle Impostazioni Invio (vedere la guida, "
            "\"Registrare l'applicazione\").");
    return f;
}

std::string Base64Url(std::string_view bytes) {
    static const char* alfabeto =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string testo;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16U) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8U) |
                           static_cast<unsigned char>(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) testo += alfabeto[(v >> k) & 63U];
    }
    const std::size_t resto = bytes.size() - i;
    if (resto > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16U;
        if (resto == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8U;
        testo += alfabeto[(v >> 18U) & 63U];
        testo += alfabeto[(v >> 12U) & 63U];
        if (resto == 2) testo += alfabeto[(v >> 6U) & 63U];
    }
    return testo;
}

std::string SfidaS256(const std::string& verifica) {
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int lunghezza = 0;
    if (EVP_Digest(verifica.data(), verifica.size(), hash, &lunghezza, EVP_sha256(), nullptr) != 1)
        throw EAccessoNonRiuscito("SHA-256 non disponibile.");
    return Base64Url(std::string_view(reinterpret_cast<const char*>(hash), lunghezza));
}

TPkce NuovoPkce() {
    TPkce pkce;
    pkce.Verifica = Casuale(32);
    pkce.Sfida = SfidaS256(pkce.Verifica);
    return pkce;
}

std::string NuovoStato() {
    return Casuale(16);
}

std::string CodificaUrl(std::string_view testo) {
    static const char* cifre = "0123456789ABCDEF";
    std::string codificato;
    for (char c : testo) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '-' || u == '.' || u == '_' || u == '~') {
            codificato += c;
        } else {
            codificato += '%';
            codificato += cifre[u >> 4U];
            codificato += cifre[u & 15U];
        }
    }
    return codificato;
}

std::string IndirizzoAutorizzazione(const TFornitoreToken& fornitore, const std::string& redirect,
                                    const TPkce& pkce, const std::string& stato,
                                    const std::string& utente) {
    std::string indirizzo = fornitore.Autorizza;
    indirizzo += indirizzo.find('?') == std::string::npos ? '?' : '&';
    indirizzo += "response_type=code&client_id=" + CodificaUrl(fornitore.IdClient) +
                 "&redirect_uri=" + CodificaUrl(redirect) +
                 "&scope=" + CodificaUrl(fornitore.Ambiti) + "&state=" + CodificaUrl(stato) +
                 "&code_challenge=" + CodificaUrl(pkce.Sfida) + "&code_challenge_method=S256";
    if (!utente.empty()) indirizzo += "&login_hint=" + CodificaUrl(utente);
    return indirizzo + fornitore.Aggiunte;
}

TToken LeggiRispostaToken(long statoHttp, const std::string& corpo) {
    const nlohmann::json risposta = nlohmann::json::parse(corpo, nullptr, false);
    const auto testo = [&](const char* chiave) {
        if (!risposta.is_object() || !risposta.contains(chiave) || !risposta[chiave].is_string())
            return std::string();
        return risposta[chiave].get<std::string>();
    };
    if (statoHttp == 200) {
        TToken token;
        token.Accesso = testo("access_token");
        token.Rinnovo = testo("refresh_token");
        if (risposta.is_object() && risposta.contains("expires_in")) {
            const auto& scade = risposta["expires_in"];
            if (scade.is_number_integer()) token.ScadeTraSecondi = scade.get<int>();
            // Some providers send the number as text.
            if (scade.is_string())
                token.ScadeTraSecondi = std::atoi(scade.get<std::string>().c_str());
        }
        if (token.Accesso.empty())
            throw EAccessoNonRiuscito("Il fornitore non ha dato il token di accesso.");
        return token;
    }
    const std::string errore = testo("error");
    const std::string messaggio = TestoErroreFornitore(
        errore.empty() ? "HTTP " + std::to_string(statoHttp) : errore, testo("error_description"));
    if (errore == "invalid_grant") throw EAccessoDaRifare(messaggio);
    throw EAccessoNonRiuscito(messaggio);
}

std::string TestoErroreFornitore(const std::string& errore, std::string descrizione) {
    // The first line, bounded: some descriptions carry trace ids over lines.
    descrizione.resize(
        std::min({descrizione.find_first_of("\r\n"), descrizione.size(), std::size_t{300}}));
    std::string tecnico = errore;
    if (!descrizione.empty()) tecnico += ": " + descrizione;
    return tecnico + " (" + Spiegazione(errore, descrizione) + ")";
}

TToken ScambiaCodice(const TFornitoreToken& fornitore, const std::string& codice,
                     const std::string& verifica, const std::string& redirect) {
    return Richiesta(fornitore, "grant_type=authorization_code&code=" + CodificaUrl(codice) +
                                    "&code_verifier=" + CodificaUrl(verifica) +
                                    "&redirect_uri=" + CodificaUrl(redirect));
}

TToken RinnovaToken(const TFornitoreToken& fornitore, const std::string& rinnovo) {
    return Richiesta(fornitore, "grant_type=refresh_token&refresh_token=" + CodificaUrl(rinnovo) +
                                    "&scope=" + CodificaUrl(fornitore.Ambiti));
}

}  // namespace brivano
