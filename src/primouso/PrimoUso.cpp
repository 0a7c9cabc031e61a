#include "primouso/PrimoUso.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace brivano {

namespace {

std::string UltimoErrore() {
    const char* errore = dlerror();
    return errore ? errore : "";
}

}  // namespace

void* IndirizzoAlPrimoUso(TLibreriaAlPrimoUso& libreria, const char* funzione) {
    void* aperta = libreria.Aperta.load(std::memory_order_acquire);
    if (aperta == nullptr) {
        // Two threads may both open it: the loader counts the openings of
        // one library, and both get the same one.
        aperta = dlopen(libreria.File, RTLD_LAZY | RTLD_LOCAL);
        if (aperta == nullptr)
            throw std::runtime_error("Impossibile caricare la libreria " +
                                     std::string(libreria.File) +
                                     ", necessaria a questa operazione: " + UltimoErrore());
        libreria.Aperta.store(aperta, std::memory_order_release);
    }
    void* indirizzo = dlsym(aperta, funzione);
    if (indirizzo == nullptr)
        throw std::runtime_error("La libreria " + std::string(libreria.File) +
                                 " non ha la funzione " + funzione + ": " + UltimoErrore());
    return indirizzo;
}

}  // namespace brivano
