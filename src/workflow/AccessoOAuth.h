#pragma once
// Sign-in at a mail provider (authorization code with PKCE): the provider's
// addresses and client, the PKCE pair and the state, the address the browser
// opens, and the token requests, whose answers are read here. Tokens never
// go into an error text.

#include <string>
#include <string_view>

#include "exception/IdException.h"
#include "workflow/AccountInvio.h"

namespace brivano {

// The sign-in did not succeed: Italian text with the provider's error code,
// never a token. A stop for the send run, which must not go on without it.
class EAccessoNonRiuscito : public EIdAborted {
  public:
    explicit EAccessoNonRiuscito(const std::string& testo) : EIdAborted(testo) {}
};

// The grant was refused (invalid_grant: expired, revoked, password changed):
// only a new sign-in helps. The text says "Accedi di nuovo".
class EAccessoDaRifare : public EAccessoNonRiuscito {
  public:
    using EAccessoNonRiuscito::EAccessoNonRiuscito;
};

struct TFornitoreToken {
    std::string Autorizza;  // the authorization endpoint the browser opens
    std::string Token;      // the token endpoint
    std::string Ambiti;     // scopes, separated by spaces
    std::string IdClient;
    std::string Segreto;  // a desktop client's published secret; empty for a public client
    // Added to the authorization address ("&access_type=offline&prompt=consent"
    // for a provider that gives a refresh token only when asked so).
    std::string Aggiunte;
};

// The provider of the account's method: built-in addresses (the tenant put
// into Microsoft's), the application id typed in the account or else the one
// the build brings; each overridable by a configuration value (AccessoMicrosoft…
// / AccessoGoogle… + Autorizza, Token, Ambiti, IdClient, Segreto). Raises
// EAccessoNonRiuscito for the password method or without any client id.
TFornitoreToken FornitoreToken(const TAccountInvio& account);

// base64url without padding (RFC 4648 §5), as PKCE and the state use it.
std::string Base64Url(std::string_view bytes);

// RFC 7636: a verifier of 43 characters from 32 random bytes and its S256
// challenge, base64url(SHA-256(verifier)).
struct TPkce {
    std::string Verifica;
    std::string Sfida;
};
TPkce NuovoPkce();
std::string SfidaS256(const std::string& verifica);
// 16 random bytes, base64url.
std::string NuovoStato();

// Percent-encoding of a form or query value (RFC 3986 unreserved kept).
std::string CodificaUrl(std::string_view testo);

// The authorization address: response_type=code, client_id, redirect_uri,
// scope, state, code_challenge (S256), and login_hint when a user is given.
std::string IndirizzoAutorizzazione(const TFornitoreToken& fornitore, const std::string& redirect,
                                    const TPkce& pkce, const std::string& stato,
                                    const std::string& utente);

struct TToken {
    std::string Accesso;
    std::string Rinnovo;  // empty when the provider kept the old one
    int ScadeTraSecondi = 3600;
};

// "<error>: <description> (<Italian explanation>)" for an error a provider
// named, its description cut to its first line and 300 bytes.
std::string TestoErroreFornitore(const std::string& errore, std::string descrizione);

// Reads a token endpoint's answer: the tokens from a 200 JSON answer, else
// EAccessoDaRifare for invalid_grant and EAccessoNonRiuscito for the rest,
// with the Italian explanation beside the provider's code.
TToken LeggiRispostaToken(long statoHttp, const std::string& corpo);

// The token requests over HTTPS (plain HTTP only to a loopback address),
// 30 seconds at most each, no redirect followed.
TToken ScambiaCodice(const TFornitoreToken& fornitore, const std::string& codice,
                     const std::string& verifica, const std::string& redirect);
TToken RinnovaToken(const TFornitoreToken& fornitore, const std::string& rinnovo);

}  // namespace brivano
