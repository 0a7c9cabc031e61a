#pragma once
// Mail providers with their published submission settings, so the user picks
// a name instead of looking up host, port and security.

#include <span>
#include <string>

#include "workflow/AccountInvio.h"

namespace brivano {

struct TFornitore {
    const char* Nome = "";
    const char* Host = "";  // empty for "Altro": the user types it
    int Porta = 0;
    TSicurezza Sicurezza{};
    const char* Nota = "";  // one line where the provider asks for more; else empty
    // Kept below the provider's published sending limits; none for "Altro".
    TLimitiInvio Limiti;
    TMetodoAccesso Metodo = TMetodoAccesso::Password;
};

// In the order the list shows them; "Altro" is last.
std::span<const TFornitore> Fornitori();

// The provider of that name, or nullptr.
const TFornitore* TrovaFornitore(const std::string& nome);

// Host, port, security and sending limits of the provider put into the
// account, which remembers the provider's name. "Altro" keeps what the user
// typed.
void ApplicaFornitore(const TFornitore& fornitore, TAccountInvio& account);

}  // namespace brivano
