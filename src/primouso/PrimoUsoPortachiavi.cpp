// The desktop's keyring. Its calls that take the attributes as a list of
// arguments go to the ones that take them as a table, built from the list
// with the schema as the library does itself.
#include <libsecret/secret.h>

#include <cstdarg>

#include "primouso/PrimoUso.h"

namespace {
brivano::TLibreriaAlPrimoUso kPortachiavi{BRIVANO_FILE_PORTACHIAVI};

GHashTable* Attributi(const SecretSchema* schema, va_list lista) {
    return BRIVANO_AL_PRIMO_USO(kPortachiavi, secret_attributes_buildv)(schema, lista);
}
}  // namespace

extern "C" {

gboolean secret_password_store_sync(const SecretSchema* schema, const gchar* collezione,
                                    const gchar* etichetta, const gchar* password,
                                    GCancellable* annulla, GError** errore, ...) {
    const auto salva = BRIVANO_AL_PRIMO_USO(kPortachiavi, secret_password_storev_sync);
    va_list lista;
    va_start(lista, errore);
    GHashTable* attributi = Attributi(schema, lista);
    va_end(lista);
    if (attributi == nullptr) return FALSE;  // the library has already said why
    const gboolean fatto =
        salva(schema, attributi, collezione, etichetta, password, annulla, errore);
    g_hash_table_unref(attributi);
    return fatto;
}

gchar* secret_password_lookup_sync(const SecretSchema* schema, GCancellable* annulla,
                                   GError** errore, ...) {
    const auto cerca = BRIVANO_AL_PRIMO_USO(kPortachiavi, secret_password_lookupv_sync);
    va_list lista;
    va_start(lista, errore);
    GHashTable* attributi = Attributi(schema, lista);
    va_end(lista);
    if (attributi == nullptr) return nullptr;
    gchar* password = cerca(schema, attributi, annulla, errore);
    g_hash_table_unref(attributi);
    return password;
}

gboolean secret_password_clear_sync(const SecretSchema* schema, GCancellable* annulla,
                                    GError** errore, ...) {
    const auto togli = BRIVANO_AL_PRIMO_USO(kPortachiavi, secret_password_clearv_sync);
    va_list lista;
    va_start(lista, errore);
    GHashTable* attributi = Attributi(schema, lista);
    va_end(lista);
    if (attributi == nullptr) return FALSE;
    const gboolean fatto = togli(schema, attributi, annulla, errore);
    g_hash_table_unref(attributi);
    return fatto;
}

void secret_password_free(gchar* password) {
    BRIVANO_AL_PRIMO_USO(kPortachiavi, secret_password_free)(password);
}

}  // extern "C"
