#include "workflow/AccountInvio.h"

#include <charconv>

#include "config/F_Conf.h"
#include "workflow/TipiInvio.h"

namespace brivano {

namespace {

bool HaFineRigaONul(const std::string& testo) {
    return testo.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::optional<int> PortaDaTesto(const std::string& testo) {
    int porta = 0;
    const char* fine = testo.data() + testo.size();
    const auto [ptr, ec] = std::from_chars(testo.data(), fine, porta);
    if (ec != std::errc() || ptr != fine || porta < 1 || porta > 65535) return std::nullopt;
    return porta;
}

// A whole number from `minimo` to `massimo`; an empty text is 1.
int NumeroDaTesto(const std::string& testo, const char* valore, int minimo, int massimo) {
    if (testo.empty()) return 1;
    int numero = 0;
    const char* fine = testo.data() + testo.size();
    const auto [ptr, ec] = std::from_chars(testo.data(), fine, numero);
    if (ec != std::errc() || ptr != fine || numero < minimo || numero > massimo)
        throw EAccountNonValido("Valore non valido per '" + std::string(valore) +
                                "' nella configurazione: " + testo + " (da " +
                                std::to_string(minimo) + " a " + std::to_string(massimo) + ")");
    return numero;
}

// Letters, digits, ".", "-" and "_" only: the text goes into an address.
bool ParolaSemplice(const std::string& testo) {
    for (char c : testo)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '-' || c == '_'))
            return false;
    return true;
}

}  // namespace

const char* TestoMetodo(TMetodoAccesso metodo) {
    switch (metodo) {
        case TMetodoAccesso::Microsoft:
            return "Accesso Microsoft";
        case TMetodoAccesso::Google:
            return "Accesso Google";
        case TMetodoAccesso::Password:
            break;
    }
    return "Password";
}

std::optional<TMetodoAccesso> MetodoDaTesto(const std::string& testo) {
    for (TMetodoAccesso m :
         {TMetodoAccesso::Password, TMetodoAccesso::Microsoft, TMetodoAccesso::Google})
        if (testo == TestoMetodo(m)) return m;
    return std::nullopt;
}

const char* TestoSicurezza(TSicurezza sicurezza) {
    switch (sicurezza) {
        case TSicurezza::STARTTLS:
            return "STARTTLS";
        case TSicurezza::SSLTLS:
            return "SSL/TLS";
        case TSicurezza::Nessuna:
            break;
    }
    return "Nessuna";
}

std::optional<TSicurezza> SicurezzaDaTesto(const std::string& testo) {
    for (TSicurezza s : {TSicurezza::Nessuna, TSicurezza::STARTTLS, TSicurezza::SSLTLS})
        if (testo == TestoSicurezza(s)) return s;
    return std::nullopt;
}

TIdUseTLS UseTLSPer(TSicurezza sicurezza) {
    switch (sicurezza) {
        case TSicurezza::STARTTLS:
            return utUseRequireTLS;
        case TSicurezza::SSLTLS:
            return utUseImplicitTLS;
        case TSicurezza::Nessuna:
            break;
    }
    return utNoTLSSupport;
}

int PortaAbituale(TSicurezza sicurezza) {
    switch (sicurezza) {
        case TSicurezza::STARTTLS:
            return 587;
        case TSicurezza::SSLTLS:
            return 465;
        case TSicurezza::Nessuna:
            break;
    }
    return 25;
}

int PortaPerSicurezza(int porta, TSicurezza prima, TSicurezza dopo) {
    return porta == PortaAbituale(prima) ? PortaAbituale(dopo) : porta;
}

void ControllaAccount(const TAccountInvio& account) {
    if (account.Host.empty()) throw EAccountNonValido("Indicare l'host di spedizione.");
    if (account.Porta < 1 || account.Porta > 65535)
        throw EAccountNonValido("La porta deve essere un numero da 1 a 65535.");
    const std::pair<const char*, const std::string*> campi[] = {
        {"L'host di spedizione", &account.Host},
        {"Il nome utente", &account.Utente},
        {"L'indirizzo di spedizione", &account.Mittente},
        {"Il nome del mittente", &account.MittenteNome},
        {"Il fornitore", &account.Fornitore},
    };
    for (const auto& [nome, testo] : campi)
        if (HaFineRigaONul(*testo))
            throw EAccountNonValido(std::string(nome) +
                                    " contiene un a capo o un carattere nullo.");
    if (account.MessaggiPerConnessione < 1 ||
        account.MessaggiPerConnessione > MessaggiPerConnessioneMassimi)
        throw EAccountNonValido("I messaggi per connessione vanno da 1 a " +
                                std::to_string(MessaggiPerConnessioneMassimi) + ".");
    if (account.Connessioni < 1 || account.Connessioni > ConnessioniMassime)
        throw EAccountNonValido("Le connessioni vanno da 1 a " +
                                std::to_string(ConnessioniMassime) + ".");
    if (account.DimensioneMassimaMB < 1 || account.DimensioneMassimaMB > DimensioneMassimaMBMassima)
        throw EAccountNonValido("La dimensione massima di un messaggio va da 1 a " +
                                std::to_string(DimensioneMassimaMBMassima) + " MB.");
    ControllaLimiti(account.Limiti, account.Rinvii);
    if (account.Metodo != TMetodoAccesso::Password && account.Sicurezza == TSicurezza::Nessuna)
        throw EAccountNonValido(std::string(TestoMetodo(account.Metodo)) +
                                " richiede una connessione cifrata: scegliere STARTTLS o SSL/TLS.");
    if (account.Metodo != TMetodoAccesso::Password && account.UtenteAccesso().empty())
        throw EAccountNonValido("Indicare l'indirizzo con cui si accede.");
    if (!ParolaSemplice(account.Tenant))
        throw EAccountNonValido(
            "Il tenant può contenere solo lettere, cifre, punti, trattini e trattini bassi.");
    if (!ParolaSemplice(account.IdApplicazione))
        throw EAccountNonValido(
            "L'ID applicazione può contenere solo lettere, cifre, punti, trattini e trattini "
            "bassi.");
}

std::optional<TAccountInvio> LeggiAccount() {
    TAccountInvio account;
    account.Host = LeggiReg(KeyBrivano, ValoriAccount::Host);
    if (account.Host.empty()) return std::nullopt;
    const std::string porta = LeggiReg(KeyBrivano, ValoriAccount::Porta);
    const std::string sicurezza = LeggiReg(KeyBrivano, ValoriAccount::Sicurezza);
    const std::optional<TSicurezza> s =
        sicurezza.empty() ? TSicurezza::Nessuna : SicurezzaDaTesto(sicurezza);
    if (!s)
        throw EAccountNonValido("Valore non valido per '" + std::string(ValoriAccount::Sicurezza) +
                                "' nella configurazione: " + sicurezza);
    account.Sicurezza = *s;
    if (porta.empty()) {
        account.Porta = PortaAbituale(account.Sicurezza);
    } else if (const auto p = PortaDaTesto(porta)) {
        account.Porta = *p;
    } else {
        throw EAccountNonValido("Valore non valido per '" + std::string(ValoriAccount::Porta) +
                                "' nella configurazione: " + porta);
    }
    account.Utente = LeggiReg(KeyBrivano, ValoriAccount::Utente);
    account.Mittente = LeggiReg(KeyBrivano, ValoriAccount::Mittente);
    account.MittenteNome = LeggiReg(KeyBrivano, ValoriAccount::MittenteNome);
    account.Fornitore = LeggiReg(KeyBrivano, ValoriAccount::Fornitore);
    account.MessaggiPerConnessione =
        NumeroDaTesto(LeggiReg(KeyBrivano, ValoriAccount::MessaggiPerConnessione),
                      ValoriAccount::MessaggiPerConnessione, 1, MessaggiPerConnessioneMassimi);
    account.Connessioni = NumeroDaTesto(LeggiReg(KeyBrivano, ValoriAccount::Connessioni),
                                        ValoriAccount::Connessioni, 1, ConnessioniMassime);
    const std::string massima = LeggiReg(KeyBrivano, ValoriAccount::DimensioneMassimaMB);
    if (!massima.empty())
        account.DimensioneMassimaMB = NumeroDaTesto(massima, ValoriAccount::DimensioneMassimaMB, 1,
                                                    DimensioneMassimaMBMassima);
    account.Limiti = LeggiLimiti();
    account.Rinvii = LeggiRinvii();
    const std::string metodo = LeggiReg(KeyBrivano, ValoriAccount::Metodo);
    const std::optional<TMetodoAccesso> m =
        metodo.empty() ? TMetodoAccesso::Password : MetodoDaTesto(metodo);
    if (!m)
        throw EAccountNonValido("Valore non valido per '" + std::string(ValoriAccount::Metodo) +
                                "' nella configurazione: " + metodo);
    account.Metodo = *m;
    account.Tenant = LeggiReg(KeyBrivano, ValoriAccount::Tenant);
    account.IdApplicazione = LeggiReg(KeyBrivano, ValoriAccount::IdApplicazione);
    return account;
}

void ScriviAccount(const TAccountInvio& account) {
    ControllaAccount(account);
    // The host last: it marks a saved account, so a write that fails half way
    // leaves no account that looks complete.
    ScriviReg(KeyBrivano, ValoriAccount::Porta, std::to_string(account.Porta));
    ScriviReg(KeyBrivano, ValoriAccount::Sicurezza, TestoSicurezza(account.Sicurezza));
    ScriviReg(KeyBrivano, ValoriAccount::Utente, account.Utente);
    ScriviReg(KeyBrivano, ValoriAccount::Mittente, account.Mittente);
    ScriviReg(KeyBrivano, ValoriAccount::MittenteNome, account.MittenteNome);
    ScriviReg(KeyBrivano, ValoriAccount::Fornitore, account.Fornitore);
    ScriviReg(KeyBrivano, ValoriAccount::MessaggiPerConnessione,
              std::to_string(account.MessaggiPerConnessione));
    ScriviReg(KeyBrivano, ValoriAccount::Connessioni, std::to_string(account.Connessioni));
    ScriviReg(KeyBrivano, ValoriAccount::DimensioneMassimaMB,
              std::to_string(account.DimensioneMassimaMB));
    ScriviLimiti(account.Limiti, account.Rinvii);
    ScriviReg(KeyBrivano, ValoriAccount::Metodo, TestoMetodo(account.Metodo));
    ScriviReg(KeyBrivano, ValoriAccount::Tenant, account.Tenant);
    ScriviReg(KeyBrivano, ValoriAccount::IdApplicazione, account.IdApplicazione);
    ScriviReg(KeyBrivano, ValoriAccount::Host, account.Host);
}

}  // namespace brivano
