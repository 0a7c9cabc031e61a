#include "workflow/PasswordInChiaro.h"

namespace brivano {

std::string AvvisoPasswordInChiaro(TSicurezza sicurezza, const std::string& password) {
    if (sicurezza != TSicurezza::Nessuna || password.empty()) return std::string();
    return "Attenzione: con sicurezza \"Nessuna\" la password può attraversare la rete in "
           "chiaro. Scegliere STARTTLS o SSL/TLS se il server li offre.";
}

}  // namespace brivano
