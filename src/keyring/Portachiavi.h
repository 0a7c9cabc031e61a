#pragma once
// Where the account's password is kept: a keyring of the desktop, never the
// configuration file. The interface lets the workflow run over an in-memory
// keyring in tests.

#include <optional>
#include <stdexcept>
#include <string>

namespace brivano {

// No keyring answered (no session bus, no Secret Service, a locked keyring
// that stayed locked). Nothing was stored.
class EPortachiaviNonDisponibile : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What identifies one stored password: the server and the user name.
struct TChiavePassword {
    std::string Host;
    std::string Utente;
    bool operator==(const TChiavePassword&) const = default;
};

class TPortachiavi {
  public:
    virtual ~TPortachiavi() = default;
    // Stores the password, replacing the one kept for the same key.
    virtual void Salva(const TChiavePassword& chiave, const std::string& password) = 0;
    // The password kept for the key, or nothing.
    virtual std::optional<std::string> Leggi(const TChiavePassword& chiave) = 0;
    // Forgets the password of the key; nothing when there was none.
    virtual void Cancella(const TChiavePassword& chiave) = 0;
};

}  // namespace brivano
