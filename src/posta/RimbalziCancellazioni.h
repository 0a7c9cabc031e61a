#pragma once
// What the window "Rimbalzi e cancellazioni" shows and runs, without Qt: the
// processed messages of every check (date, kind, address, run, code, what was
// done), "Controlla posta" and "Annulla" per row.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "posta/AccountPosta.h"
#include "workflow/ImpostazioniInvio.h"

namespace brivano {

struct TRigaRimbalzi {
    std::int64_t Id = 0;
    std::vector<std::string> Celle;
    bool Annullabile = false;
};

// What one check needs, read from the configuration and the keyring before
// the check runs, so the check itself touches neither.
struct TControlloPronto {
    std::filesystem::path Radice;
    TAccountPosta Posta;
    TAccessoImap Accesso;
    // An account that signs in: gives the token when the check connects.
    std::function<std::string()> Token;
};

class TRimbalziCancellazioni {
  public:
    // `radice` gives the data root when asked (none: no data root yet);
    // `account` the sending account with its password.
    using TRadice = std::function<std::optional<std::filesystem::path>()>;
    using TAccount = std::function<TAccountCaricato()>;
    // The sign-in token of an account that signs in (XOAUTH2); none: such
    // an account cannot check.
    using TToken = std::function<std::string(const TAccountInvio&)>;
    TRimbalziCancellazioni(TRadice radice, TAccount account, TToken token = {});

    static const std::vector<std::string>& Colonne();
    // Newest first; none without a data root.
    std::vector<TRigaRimbalzi> Righe() const;
    // Raises EPosta (in Italian) for a missing setting or password.
    TControlloPronto Prepara() const;
    // One check; returns the text for the user. Raises EPosta (in Italian)
    // for an unreachable mailbox. Safe on any thread.
    static std::string Esegui(const TControlloPronto& pronto);
    std::string Controlla() const { return Esegui(Prepara()); }
    void Annulla(std::int64_t id);

  private:
    std::filesystem::path Radice() const;
    TRadice radice_;
    TAccount account_;
    TToken token_;
};

}  // namespace brivano
