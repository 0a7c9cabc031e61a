#pragma once
// The tokens of an account that signs in: the refresh token in the keyring
// (a rotated one saved at once), the access token only in memory, renewed
// when it has under five minutes left or when the server refused it; and
// one sign-in in the browser that leads to them.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "keyring/Portachiavi.h"
#include "workflow/AccessoOAuth.h"
#include "workflow/RitornoAccesso.h"

namespace brivano {

class TSessioneAccesso {
  public:
    using TOrologio = std::function<std::chrono::steady_clock::time_point()>;

    // Raises what FornitoreToken raises (no client id).
    TSessioneAccesso(TPortachiavi& portachiavi, const TAccountInvio& account, TOrologio ora = {});

    // The token for a login, as the SMTP client asks for it: the one in
    // memory while it has five minutes left and is not `rifiutato`, else a
    // fresh one from the refresh token (once for every connection that saw
    // the same refused token). EAccessoDaRifare without a refresh token or
    // when the provider refuses it; later calls then raise the same without
    // asking again.
    std::string Token(const std::string& rifiutato = {});

    // Keeps what a sign-in or a refresh gave; a new refresh token goes to the
    // keyring at once (kept in memory for this program run when no keyring
    // answers).
    void Conserva(const TToken& token);

    // Whether a refresh token is kept: the account is signed in.
    bool Collegato();
    // Forgets both tokens.
    void Esci();

    // Token requests made (refreshes), for the run's report and tests.
    int Richieste() const { return richieste_.load(); }
    const TAccountInvio& Account() const { return account_; }
    bool PerAccount(const TAccountInvio& account) const;

  private:
    TChiavePassword Chiave() const;
    std::optional<std::string> Rinnovo();

    TPortachiavi& portachiavi_;
    TAccountInvio account_;
    TFornitoreToken fornitore_;
    TOrologio ora_;
    std::mutex mutex_;
    std::string accesso_;
    std::chrono::steady_clock::time_point scade_{};
    std::optional<std::string> rinnovoInMemoria_;
    std::string daRifare_;
    std::atomic<int> richieste_{0};
};

// Opens the address in the browser: the program named by BRIVANO_BROWSER
// when set, else xdg-open. False when none could be started or it failed at
// once: the window then shows the address to copy.
bool ApriBrowser(const std::string& indirizzo);

// One sign-in in the browser: PKCE pair, state and the loopback listener
// made at once; Completa waits for the browser's return and exchanges the
// code.
class TAccessoInCorso {
  public:
    explicit TAccessoInCorso(const TAccountInvio& account);

    // The address the browser opens.
    const std::string& Indirizzo() const { return indirizzo_; }

    // Waits (five minutes unless told otherwise, or until `annulla`), then
    // exchanges the code and keeps the tokens in `sessione`. Raises
    // EAccessoNonRiuscito.
    void Completa(TSessioneAccesso& sessione, const std::atomic<bool>* annulla = nullptr,
                  std::chrono::milliseconds limite = std::chrono::minutes(5));

  private:
    TFornitoreToken fornitore_;
    TPkce pkce_;
    std::string stato_;
    TRitornoAccesso ritorno_;
    std::string indirizzo_;
};

}  // namespace brivano
