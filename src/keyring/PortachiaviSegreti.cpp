#include "keyring/PortachiaviSegreti.h"

#include <libsecret/secret.h>

namespace brivano {

namespace {

// Items of the program: looked up by server and user name.
const SecretSchema* Schema() {
    static const SecretSchema schema = {"it.koraldi.Brivano.Smtp",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"utente", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// Raises the error libsecret reported, freeing it.
void Controlla(GError* errore) {
    if (!errore) return;
    std::string motivo = errore->message ? errore->message : "";
    g_error_free(errore);
    throw EPortachiaviNonDisponibile("Portachiavi non disponibile: " + motivo);
}

}  // namespace

void TPortachiaviSegreti::Salva(const TChiavePassword& chiave, const std::string& password) {
    GError* errore = nullptr;
    const std::string etichetta = "Brivano: " + chiave.Utente + " su " + chiave.Host;
    const gboolean fatto = secret_password_store_sync(
        Schema(), SECRET_COLLECTION_DEFAULT, etichetta.c_str(), password.c_str(), nullptr, &errore,
        "host", chiave.Host.c_str(), "utente", chiave.Utente.c_str(), nullptr);
    Controlla(errore);
    if (!fatto) throw EPortachiaviNonDisponibile("Portachiavi non disponibile.");
}

std::optional<std::string> TPortachiaviSegreti::Leggi(const TChiavePassword& chiave) {
    GError* errore = nullptr;
    gchar* password =
        secret_password_lookup_sync(Schema(), nullptr, &errore, "host", chiave.Host.c_str(),
                                    "utente", chiave.Utente.c_str(), nullptr);
    Controlla(errore);
    if (!password) return std::nullopt;
    std::string testo(password);
    secret_password_free(password);
    return testo;
}

void TPortachiaviSegreti::Cancella(const TChiavePassword& chiave) {
    GError* errore = nullptr;
    secret_password_clear_sync(Schema(), nullptr, &errore, "host", chiave.Host.c_str(), "utente",
                               chiave.Utente.c_str(), nullptr);
    Controlla(errore);
}

}  // namespace brivano
