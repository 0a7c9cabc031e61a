#include "workflow/SessioneAccesso.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <thread>
#include <vector>

extern char** environ;

namespace brivano {

namespace {

constexpr auto Margine = std::chrono::minutes(5);

}  // namespace

TSessioneAccesso::TSessioneAccesso(TPortachiavi& portachiavi, const TAccountInvio& account,
                                   TOrologio ora)
    : portachiavi_(portachiavi),
      account_(account),
      fornitore_(FornitoreToken(account)),
      ora_(ora ? std::move(ora) : TOrologio([] { return std::chrono::steady_clock::now(); })) {}

bool TSessioneAccesso::PerAccount(const TAccountInvio& account) const {
    return account.Metodo == account_.Metodo &&
           account.UtenteAccesso() == account_.UtenteAccesso() &&
           account.Tenant == account_.Tenant && account.IdApplicazione == account_.IdApplicazione;
}

TChiavePassword TSessioneAccesso::Chiave() const {
    // Beside the password items, told apart by the method's name.
    return {TestoMetodo(account_.Metodo), account_.UtenteAccesso()};
}

std::optional<std::string> TSessioneAccesso::Rinnovo() {
    if (rinnovoInMemoria_) return rinnovoInMemoria_;
    return portachiavi_.Leggi(Chiave());
}

std::string TSessioneAccesso::Token(const std::string& rifiutato) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!daRifare_.empty()) throw EAccessoDaRifare(daRifare_);
    const bool stantio = !rifiutato.empty() && rifiutato == accesso_;
    if (!accesso_.empty() && !stantio && scade_ - ora_() > Margine) return accesso_;
    accesso_.clear();
    const std::optional<std::string> rinnovo = Rinnovo();
    if (!rinnovo || rinnovo->empty()) {
        daRifare_ = "Nessun accesso salvato per " + account_.UtenteAccesso() +
                    ": Accedi di nuovo dalle Impostazioni Invio.";
        throw EAccessoDaRifare(daRifare_);
    }
    ++richieste_;
    TToken token;
    try {
        token = RinnovaToken(fornitore_, *rinnovo);
    } catch (const EAccessoDaRifare& e) {
        daRifare_ = e.what();
        throw;
    }
    accesso_ = token.Accesso;
    scade_ = ora_() + std::chrono::seconds(token.ScadeTraSecondi);
    if (!token.Rinnovo.empty() && token.Rinnovo != *rinnovo) {
        // Rotated: the old one may stop working at once.
        try {
            portachiavi_.Salva(Chiave(), token.Rinnovo);
            rinnovoInMemoria_.reset();
        } catch (const EPortachiaviNonDisponibile&) {
            rinnovoInMemoria_ = token.Rinnovo;
        }
    }
    return accesso_;
}

void TSessioneAccesso::Conserva(const TToken& token) {
    std::lock_guard<std::mutex> lock(mutex_);
    daRifare_.clear();
    accesso_ = token.Accesso;
    scade_ = ora_() + std::chrono::seconds(token.ScadeTraSecondi);
    if (token.Rinnovo.empty()) return;
    try {
        portachiavi_.Salva(Chiave(), token.Rinnovo);
        rinnovoInMemoria_.reset();
    } catch (const EPortachiaviNonDisponibile&) {
        rinnovoInMemoria_ = token.Rinnovo;
    }
}

bool TSessioneAccesso::Collegato() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!daRifare_.empty()) return false;
    try {
        const auto rinnovo = Rinnovo();
        return rinnovo && !rinnovo->empty();
    } catch (const EPortachiaviNonDisponibile&) {
        return false;
    }
}

void TSessioneAccesso::Esci() {
    std::lock_guard<std::mutex> lock(mutex_);
    accesso_.clear();
    rinnovoInMemoria_.reset();
    daRifare_.clear();
    portachiavi_.Cancella(Chiave());
}

bool ApriBrowser(const std::string& indirizzo) {
    const char* scelto = std::getenv("BRIVANO_BROWSER");
    std::string programma = scelto && *scelto ? scelto : "xdg-open";
    std::vector<char*> argomenti{programma.data(), const_cast<char*>(indirizzo.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, programma.c_str(), nullptr, nullptr, argomenti.data(), environ) != 0)
        return false;
    // A browser that cannot start says so at once; one that runs is left to
    // run, and reaped when it ends.
    for (int i = 0; i < 20; ++i) {
        int stato = 0;
        if (::waitpid(pid, &stato, WNOHANG) == pid)
            return WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

TAccessoInCorso::TAccessoInCorso(const TAccountInvio& account)
    : fornitore_(FornitoreToken(account)), pkce_(NuovoPkce()), stato_(NuovoStato()) {
    indirizzo_ = IndirizzoAutorizzazione(fornitore_, ritorno_.Redirect(), pkce_, stato_,
                                         account.UtenteAccesso());
}

void TAccessoInCorso::Completa(TSessioneAccesso& sessione, const std::atomic<bool>* annulla,
                               std::chrono::milliseconds limite) {
    const std::string codice = ritorno_.Attendi(stato_, limite, annulla);
    const TToken token = ScambiaCodice(fornitore_, codice, pkce_.Verifica, ritorno_.Redirect());
    if (token.Rinnovo.empty())
        throw EAccessoNonRiuscito(
            "Il fornitore non ha dato il token di rinnovo (permesso offline_access mancante).");
    sessione.Conserva(token);
}

}  // namespace brivano
