#pragma once
// How fast the sending account may send: providers cap the messages per
// minute, hour and day and block an account that goes past them; and how a
// deferred (4xx) entry is tried again. Held by the account, stored beside its
// other values.

#include <string>

namespace brivano {

struct TLimitiInvio {
    // Messages at most in any rolling minute, hour and 24 hours; 0: no limit.
    int PerMinuto = 0;
    int PerOra = 0;
    int PerGiorno = 0;
    // Seconds between the end of one message and the start of the next.
    int PausaSecondi = 0;
    bool operator==(const TLimitiInvio&) const = default;
};

struct TRinvii {
    // Further rounds for deferred (4xx) entries, and the wait before each.
    int Tentativi = 2;
    int AttesaSecondi = 60;
    bool operator==(const TRinvii&) const = default;
};

// Names of the configuration values, below the program's key.
namespace ValoriLimiti {
inline constexpr const char* PerMinuto = "LimiteMinuto";
inline constexpr const char* PerOra = "LimiteOra";
inline constexpr const char* PerGiorno = "LimiteGiorno";
inline constexpr const char* Pausa = "PausaInvio";
inline constexpr const char* Tentativi = "RinviiTentativi";
inline constexpr const char* Attesa = "RinviiAttesa";
}  // namespace ValoriLimiti

// Upper bounds of the values a user may set; above them a value is a typing
// slip rather than a plan.
inline constexpr int LimiteMassimo = 1000000;
inline constexpr int PausaMassima = 3600;
inline constexpr int TentativiMassimi = 10;
inline constexpr int AttesaMassima = 86400;

// Raises EAccountNonValido, in Italian, for a value below 0 or above its bound.
void ControllaLimiti(const TLimitiInvio& limiti, const TRinvii& rinvii);

// The stored values; a missing one keeps its default (no limit, no pause, 2
// rounds 60 s apart). Raises EAccountNonValido naming a stored value that is
// not a whole number within its bounds.
TLimitiInvio LeggiLimiti();
TRinvii LeggiRinvii();

void ScriviLimiti(const TLimitiInvio& limiti, const TRinvii& rinvii);

}  // namespace brivano
