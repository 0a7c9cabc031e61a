#include "posta/AccountPosta.h"

#include <array>
#include <cstdlib>

#include "config/F_Conf.h"

namespace brivano {

namespace {

// Values published by the providers when written; marked to re-check (da verificare).
constexpr std::array<TPresetPosta, 7> Preset{{
    {"Aruba", "imaps.aruba.it", 993, TSicurezzaImap::SSLTLS, true},
    {"Libero", "imapmail.libero.it", 993, TSicurezzaImap::SSLTLS, true},
    {"TIM", "imap.tim.it", 993, TSicurezzaImap::SSLTLS, true},
    {"Gmail", "imap.gmail.com", 993, TSicurezzaImap::SSLTLS, true},
    {"Microsoft 365 / Outlook.com", "outlook.office365.com", 993, TSicurezzaImap::SSLTLS, true},
    {"Outlook.com", "outlook.office365.com", 993, TSicurezzaImap::SSLTLS, true},
    {"Register.it", "imap.register.it", 993, TSicurezzaImap::SSLTLS, true},
}};

int Numero(const std::string& nome, const std::string& testo, int minimo, int massimo) {
    char* fine = nullptr;
    const long valore = std::strtol(testo.c_str(), &fine, 10);
    if (testo.empty() || fine == nullptr || *fine != '\0' || valore < minimo || valore > massimo)
        throw EPosta("Valore non valido per " + nome + ": \"" + testo + "\"");
    return static_cast<int>(valore);
}

bool TestoUsabile(const std::string& testo) {
    return testo.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

std::optional<TAccountPosta> LeggiAccountPosta() {
    TAccountPosta account;
    account.Host = LeggiReg(KeyBrivano, ValoriPosta::Host);
    if (account.Host.empty()) return std::nullopt;
    if (const std::string porta = LeggiReg(KeyBrivano, ValoriPosta::Porta); !porta.empty())
        account.Porta = Numero(ValoriPosta::Porta, porta, 1, 65535);
    const std::string sicurezza = LeggiReg(KeyBrivano, ValoriPosta::Sicurezza);
    if (sicurezza == "STARTTLS")
        account.Sicurezza = TSicurezzaImap::STARTTLS;
    else if (!sicurezza.empty() && sicurezza != "SSL/TLS")
        throw EPosta("Valore non valido per " + std::string(ValoriPosta::Sicurezza) + ": \"" +
                     sicurezza + "\" (SSL/TLS o STARTTLS)");
    account.Utente = LeggiReg(KeyBrivano, ValoriPosta::Utente);
    const std::string dopo = LeggiReg(KeyBrivano, ValoriPosta::Dopo);
    if (dopo == "segna")
        account.Dopo = TDopoElaborazione::Segna;
    else if (!dopo.empty() && dopo != "sposta")
        throw EPosta("Valore non valido per " + std::string(ValoriPosta::Dopo) + ": \"" + dopo +
                     "\" (sposta o segna)");
    if (const std::string volte = LeggiReg(KeyBrivano, ValoriPosta::Temporanei); !volte.empty())
        account.Temporanei = Numero(ValoriPosta::Temporanei, volte, 1, 100);
    return account;
}

void ScriviAccountPosta(const TAccountPosta& account) {
    if (account.Host.empty()) throw EPosta("Manca il server della posta in arrivo (IMAP).");
    if (account.Porta < 1 || account.Porta > 65535)
        throw EPosta("La porta IMAP deve essere tra 1 e 65535.");
    if (account.Temporanei < 1 || account.Temporanei > 100)
        throw EPosta("I rimbalzi temporanei prima dell'elenco devono essere tra 1 e 100.");
    if (!TestoUsabile(account.Host) || !TestoUsabile(account.Utente))
        throw EPosta("Server e utente IMAP non possono contenere a capo.");
    ScriviReg(KeyBrivano, ValoriPosta::Host, account.Host);
    ScriviReg(KeyBrivano, ValoriPosta::Porta, std::to_string(account.Porta));
    ScriviReg(KeyBrivano, ValoriPosta::Sicurezza,
              account.Sicurezza == TSicurezzaImap::STARTTLS ? "STARTTLS" : "SSL/TLS");
    ScriviReg(KeyBrivano, ValoriPosta::Utente, account.Utente);
    ScriviReg(KeyBrivano, ValoriPosta::Dopo,
              account.Dopo == TDopoElaborazione::Segna ? "segna" : "sposta");
    ScriviReg(KeyBrivano, ValoriPosta::Temporanei, std::to_string(account.Temporanei));
}

TControlloAutomatico LeggiControlloAutomatico() {
    return LeggiControlloAutomatico(TConfigurazioneLetta(KeyBrivano));
}

TControlloAutomatico LeggiControlloAutomatico(const TConfigurazioneLetta& conf) {
    TControlloAutomatico automatico;
    const std::string avvio = conf.Leggi(ValoriPosta::AllAvvio);
    if (avvio == "sì" || avvio == "si")
        automatico.AllAvvio = true;
    else if (!avvio.empty() && avvio != "no")
        throw EPosta("Valore non valido per " + std::string(ValoriPosta::AllAvvio) + ": \"" +
                     avvio + "\" (sì o no)");
    if (const std::string minuti = conf.Leggi(ValoriPosta::OgniMinuti); !minuti.empty())
        automatico.OgniMinuti = Numero(ValoriPosta::OgniMinuti, minuti, 0, 24 * 60);
    return automatico;
}

std::span<const TPresetPosta> PresetPosta() {
    return Preset;
}

const TPresetPosta* PresetPostaPer(const std::string& fornitore) {
    for (const TPresetPosta& p : Preset)
        if (fornitore == p.Fornitore) return &p;
    return nullptr;
}

}  // namespace brivano
