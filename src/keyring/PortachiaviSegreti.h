#pragma once
// The desktop's Secret Service keyring, through libsecret. Every call is
// synchronous and raises EPortachiaviNonDisponibile, with the reason, when the
// service does not answer. Passwords are never written anywhere else.

#include "keyring/Portachiavi.h"

namespace brivano {

class TPortachiaviSegreti : public TPortachiavi {
  public:
    void Salva(const TChiavePassword& chiave, const std::string& password) override;
    std::optional<std::string> Leggi(const TChiavePassword& chiave) override;
    void Cancella(const TChiavePassword& chiave) override;
};

}  // namespace brivano
