#pragma once
// The sending account: where and how the program reaches its SMTP server and
// in whose name it sends. Kept in the configuration store beside the other
// values; the password never is (see keyring/Portachiavi.h).

#include <optional>
#include <stdexcept>
#include <string>

#include "smtp/IdExplicitTLSClient.h"
#include "workflow/LimitiInvio.h"

namespace brivano {

enum class TSicurezza { Nessuna, STARTTLS, SSLTLS };

// "Nessuna", "STARTTLS", "SSL/TLS": the texts shown and stored.
const char* TestoSicurezza(TSicurezza sicurezza);
// The security named by a stored or shown text; nothing for any other text.
std::optional<TSicurezza> SicurezzaDaTesto(const std::string& testo);
// STARTTLS is required, not merely tried: a server that stops offering it
// must not get the password in the clear.
TIdUseTLS UseTLSPer(TSicurezza sicurezza);
// The port a security is usually served on: 25, 587, 465.
int PortaAbituale(TSicurezza sicurezza);
// The port after the security changed: the usual port of the new security
// when the old one's usual port was in use, else the port unchanged (one the
// user typed).
int PortaPerSicurezza(int porta, TSicurezza prima, TSicurezza dopo);

// How the account logs in: with the password in the keyring, or with a
// sign-in at the provider whose token the server takes (XOAUTH2).
enum class TMetodoAccesso { Password, Microsoft, Google };

// "Password", "Accesso Microsoft", "Accesso Google": the texts shown and stored.
const char* TestoMetodo(TMetodoAccesso metodo);
// The method named by a stored or shown text; nothing for any other text.
std::optional<TMetodoAccesso> MetodoDaTesto(const std::string& testo);

struct TAccountInvio {
    std::string Host;
    int Porta = 25;
    TSicurezza Sicurezza = TSicurezza::Nessuna;
    // The SMTP user name; empty means the sender address, as without an account.
    std::string Utente;
    std::string Mittente;
    std::string MittenteNome;
    std::string Fornitore;
    // Messages one connection carries (1: one connection per message) and
    // connections used side by side, as the send run takes them.
    int MessaggiPerConnessione = 1;
    int Connessioni = 1;
    // The largest message with its files the server takes, in MB.
    int DimensioneMassimaMB = 20;
    TLimitiInvio Limiti;
    TRinvii Rinvii;
    TMetodoAccesso Metodo = TMetodoAccesso::Password;
    // For a sign-in: the directory ("common", "organizations", "consumers"
    // or an id; empty is "common") and the application id the user or the
    // firm's administrator registered (empty: the one the build brings).
    std::string Tenant;
    std::string IdApplicazione;

    // The name the server is logged in with.
    const std::string& UtenteAccesso() const { return Utente.empty() ? Mittente : Utente; }
    bool operator==(const TAccountInvio&) const = default;
};

// A text of the account that cannot be used; nothing was written.
class EAccountNonValido : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Names of the configuration values, below the program's key.
namespace ValoriAccount {
inline constexpr const char* Host = "SmtpHost";
inline constexpr const char* Porta = "SmtpPorta";
inline constexpr const char* Sicurezza = "SmtpSicurezza";
inline constexpr const char* Utente = "SmtpUtente";
inline constexpr const char* Mittente = "Mittente";
inline constexpr const char* MittenteNome = "MittenteNome";
inline constexpr const char* Fornitore = "Fornitore";
inline constexpr const char* MessaggiPerConnessione = "SmtpMessaggiPerConnessione";
inline constexpr const char* Connessioni = "SmtpConnessioni";
inline constexpr const char* Metodo = "SmtpAccesso";
inline constexpr const char* Tenant = "AccessoTenant";
inline constexpr const char* IdApplicazione = "AccessoIdApplicazione";
inline constexpr const char* DimensioneMassimaMB = "SmtpDimensioneMassimaMB";
}  // namespace ValoriAccount

// The largest message size an account may set, in MB.
inline constexpr int DimensioneMassimaMBMassima = 200;

// Most messages one connection of the account carries.
inline constexpr int MessaggiPerConnessioneMassimi = 100;

// Raises EAccountNonValido, in Italian, for an empty host, a port outside
// 1-65535, a text holding a line break or a NUL (it would end a protocol
// line or a configuration line), a limit out of its bounds, a sign-in
// without encryption, or a tenant or application id that is not one word of
// letters, digits, dots, dashes and underscores (they go into an address).
void ControllaAccount(const TAccountInvio& account);

// The saved account, or nothing when none was saved (no `SmtpHost`). Raises
// EAccountNonValido when a stored port or security cannot be read, naming the
// value, and what LeggiReg raises.
std::optional<TAccountInvio> LeggiAccount();

// Checks, then writes every value of the account.
void ScriviAccount(const TAccountInvio& account);

}  // namespace brivano
