#include "workflow/Fornitori.h"

#include <array>

namespace brivano {

namespace {

constexpr std::array<TFornitore, 7> Tabella = {{
    {"Aruba", "smtps.aruba.it", 465, TSicurezza::SSLTLS, ""},
    {"Libero", "smtp.libero.it", 465, TSicurezza::SSLTLS, ""},
    {"TIM", "smtp.tim.it", 587, TSicurezza::STARTTLS, ""},
    {"Gmail", "smtp.gmail.com", 587, TSicurezza::STARTTLS,
     "Gmail richiede una password per app (verifica in due passaggi attiva), non la "
     "password dell'account."},
    {"Outlook.com", "smtp-mail.outlook.com", 587, TSicurezza::STARTTLS,
     "Outlook.com può accettare solo l'autenticazione moderna: il server potrebbe rifiutare "
     "la password."},
    {"Register.it", "authsmtp.register.it", 465, TSicurezza::SSLTLS, ""},
    {"Altro", "", 25, TSicurezza::Nessuna, ""},
}};

}  // namespace

std::span<const TFornitore> Fornitori() {
    return Tabella;
}

const TFornitore* TrovaFornitore(const std::string& nome) {
    for (const TFornitore& f : Tabella)
        if (nome == f.Nome) return &f;
    return nullptr;
}

void ApplicaFornitore(const TFornitore& fornitore, TAccountInvio& account) {
    account.Fornitore = fornitore.Nome;
    if (*fornitore.Host == '\0') return;
    account.Host = fornitore.Host;
    account.Porta = fornitore.Porta;
    account.Sicurezza = fornitore.Sicurezza;
}

}  // namespace brivano
