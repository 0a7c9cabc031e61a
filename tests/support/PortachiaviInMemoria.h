#pragma once
// An in-memory keyring for the workflow's tests; it can be told to behave as
// a desktop without a keyring service.

#include <map>
#include <utility>

#include "keyring/Portachiavi.h"

class TPortachiaviInMemoria : public brivano::TPortachiavi {
  public:
    bool Assente = false;
    std::map<std::pair<std::string, std::string>, std::string> Voci;

    void Salva(const brivano::TChiavePassword& chiave, const std::string& password) override {
        Controlla();
        Voci[{chiave.Host, chiave.Utente}] = password;
    }
    std::optional<std::string> Leggi(const brivano::TChiavePassword& chiave) override {
        Controlla();
        auto it = Voci.find({chiave.Host, chiave.Utente});
        if (it == Voci.end()) return std::nullopt;
        return it->second;
    }
    void Cancella(const brivano::TChiavePassword& chiave) override {
        Controlla();
        Voci.erase({chiave.Host, chiave.Utente});
    }

  private:
    void Controlla() const {
        if (Assente)
            throw brivano::EPortachiaviNonDisponibile("Portachiavi non disponibile: prova");
    }
};
