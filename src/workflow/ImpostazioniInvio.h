#pragma once
// What the "Impostazioni Invio" window and the mailing window do with the
// sending account: load it with its password, save it, and remember for the
// rest of the program run a password no keyring could keep.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "keyring/Portachiavi.h"
#include "text/Segreto.h"
#include "workflow/AccountInvio.h"
#include "workflow/SessioneAccesso.h"

namespace brivano {

struct TAccountCaricato {
    // The saved account, or an empty one on port 25 without security.
    TAccountInvio Account;
    bool Salvato = false;
    TSegreto Password;
    // Set when the keyring did not answer: why the password is missing.
    std::string AvvisoPortachiavi;
};

struct TEsitoSalvataggio {
    // False when the keyring did not answer: the password is kept only for
    // this program run.
    bool PasswordNelPortachiavi = true;
    // What the window tells the user.
    std::string Messaggio;
};

class TImpostazioniInvio {
  public:
    explicit TImpostazioniInvio(TPortachiavi& portachiavi) : portachiavi_(portachiavi) {}

    // The saved account and its password (keyring first, then what was typed
    // earlier in this run). Raises what LeggiAccount raises.
    TAccountCaricato Carica();

    // Writes the account, then puts the password in the keyring (an empty
    // password removes the stored one). Raises EAccountNonValido, with nothing
    // written, for an account that cannot be used, and the store's error when
    // the configuration cannot be written.
    TEsitoSalvataggio Salva(const TAccountInvio& account, const std::string& password);

    // Counts the saves of this program run, so a window that filled its
    // boxes from the account knows when to fill them again.
    int Salvataggi() const { return salvataggi_; }

    // The sign-in of an account that signs in, the same for the whole
    // program run (its access token lives in memory). Raises what
    // TSessioneAccesso raises.
    std::shared_ptr<TSessioneAccesso> Accesso(const TAccountInvio& account);

  private:
    static TChiavePassword ChiavePer(const TAccountInvio& account);

    TPortachiavi& portachiavi_;
    // Only in memory, only when the keyring could not keep it.
    std::optional<std::pair<TChiavePassword, TSegreto>> passwordSessione_;
    int salvataggi_ = 0;
    std::mutex accessoMutex_;
    std::shared_ptr<TSessioneAccesso> accesso_;
};

// Texts the windows show about the keyring.
inline constexpr const char* TestoSalvato = "Impostazioni salvate.";
inline constexpr const char* TestoSalvatoConPassword =
    "Impostazioni salvate; la password è nel portachiavi del desktop.";
inline constexpr const char* TestoSenzaPortachiavi =
    "Nessun portachiavi del desktop risponde: la password non è stata salvata. Resta valida "
    "fino alla chiusura del programma; dopo va scritta di nuovo nella finestra Invio Mail.";

}  // namespace brivano
