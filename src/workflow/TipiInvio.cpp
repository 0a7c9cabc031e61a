#include "workflow/TipiInvio.h"

namespace brivano {

std::string TestoErroreBreve(const std::string& testo) {
    std::size_t inizio = 0;
    // The first line that says something.
    while (inizio < testo.size() && (testo[inizio] == '\r' || testo[inizio] == '\n')) ++inizio;
    std::size_t fine = testo.find_first_of("\r\n", inizio);
    if (fine == std::string::npos) fine = testo.size();
    if (fine - inizio > TestoErroreMassimo) {
        fine = inizio + TestoErroreMassimo;
        // Never half a UTF-8 character: step back over continuation bytes.
        while (fine > inizio && (static_cast<unsigned char>(testo[fine]) & 0xC0) == 0x80) --fine;
    }
    return testo.substr(inizio, fine - inizio);
}

std::string TestoFallimenti(const std::vector<TFallimento>& falliti) {
    std::string testo = falliti.size() == 1 ? "Invio non riuscito per 1 indirizzo:"
                                            : "Invio non riuscito per " +
                                                  std::to_string(falliti.size()) + " indirizzi:";
    for (const auto& f : falliti) testo += "\r" + f.Voce + " - " + f.Errore;
    return testo;
}

}  // namespace brivano
