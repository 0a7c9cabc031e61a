#include "workflow/Fornitori.h"

#include <array>

namespace brivano {

namespace {

// The limits (per minute, hour, day; pause) are figures to re-check against
// each provider's current published limits: they were chosen at or below
// them, with a margin, without a way to look them up again here.
constexpr std::array<TFornitore, 8> Tabella = {{
    {"Aruba", "smtps.aruba.it", 465, TSicurezza::SSLTLS, "", {10, 150, 500, 0}},
    {"Libero", "smtp.libero.it", 465, TSicurezza::SSLTLS, "", {5, 60, 250, 0}},
    {"TIM", "smtp.tim.it", 587, TSicurezza::STARTTLS, "", {5, 60, 250, 0}},
    {"Gmail",
     "smtp.gmail.com",
     587,
     TSicurezza::STARTTLS,
     "Gmail richiede una password per app (verifica in due passaggi attiva), non la "
     "password dell'account; in alternativa scegliere \"Accesso Google\".",
     {20, 100, 400, 0}},
    {"Microsoft 365 / Outlook.com",
     "smtp.office365.com",
     587,
     TSicurezza::STARTTLS,
     "",
     {20, 100, 250, 0},
     TMetodoAccesso::Microsoft},
    {"Outlook.com",
     "smtp-mail.outlook.com",
     587,
     TSicurezza::STARTTLS,
     "Outlook.com accetta solo l'autenticazione moderna: si entra con \"Accesso Microsoft\", "
     "non con la password.",
     {20, 100, 250, 0},
     TMetodoAccesso::Microsoft},
    {"Register.it", "authsmtp.register.it", 465, TSicurezza::SSLTLS, "", {10, 100, 500, 0}},
    {"Altro", "", 25, TSicurezza::Nessuna, "", {0, 0, 0, 0}},
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
    account.Limiti = fornitore.Limiti;
    account.Metodo = fornitore.Metodo;
}

}  // namespace brivano
