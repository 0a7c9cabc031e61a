#pragma once
// The incoming side of the sending account: where the program reads the
// sender's mailbox (IMAP) and what it does with what it processed. Kept in
// the configuration store beside the SMTP values; the password is the
// account's own, from the keyring.

#include <optional>
#include <span>
#include <string>

#include "posta/ControlloPosta.h"
#include "posta/SessioneImap.h"

class TConfigurazioneLetta;

namespace brivano {

struct TAccountPosta {
    std::string Host;
    int Porta = 993;
    TSicurezzaImap Sicurezza = TSicurezzaImap::SSLTLS;
    std::string Utente;  // empty: the SMTP user
    TDopoElaborazione Dopo = TDopoElaborazione::Sposta;
    int Temporanei = 3;  // soft bounces in a row that list an address
    bool operator==(const TAccountPosta&) const = default;
};

namespace ValoriPosta {
inline constexpr const char* Host = "ImapHost";
inline constexpr const char* Porta = "ImapPorta";
inline constexpr const char* Sicurezza = "ImapSicurezza";  // "SSL/TLS" or "STARTTLS"
inline constexpr const char* Utente = "ImapUtente";
inline constexpr const char* Dopo = "PostaDopo";  // "sposta" or "segna"
inline constexpr const char* Temporanei = "PostaTemporanei";
inline constexpr const char* AllAvvio = "PostaAllAvvio";      // "sì" or "no"
inline constexpr const char* OgniMinuti = "PostaOgniMinuti";  // 0: never
}  // namespace ValoriPosta

// The checks the program runs by itself while it is open; none by default.
struct TControlloAutomatico {
    bool AllAvvio = false;
    int OgniMinuti = 0;
    bool operator==(const TControlloAutomatico&) const = default;
};
// Raises EPosta for a stored value that cannot be read, naming it.
TControlloAutomatico LeggiControlloAutomatico();
// The same from values already read.
TControlloAutomatico LeggiControlloAutomatico(const TConfigurazioneLetta& conf);

// The saved incoming side, or nothing when no IMAP host was saved. Raises
// EPosta for a stored value that cannot be read, naming it.
std::optional<TAccountPosta> LeggiAccountPosta();
// Raises EPosta for a value that cannot be used; nothing written then.
void ScriviAccountPosta(const TAccountPosta& account);

// The usual incoming server of each provider of the sending account. Every
// value is to be checked against the provider's own page before relying on it.
struct TPresetPosta {
    const char* Fornitore;
    const char* Host;
    int Porta;
    TSicurezzaImap Sicurezza;
    bool DaVerificare;
};
std::span<const TPresetPosta> PresetPosta();
const TPresetPosta* PresetPostaPer(const std::string& fornitore);

}  // namespace brivano
