#pragma once
// The mailing window's recipient list: appending many contacts at once, and
// which entries the do-not-mail list keeps from being sent.

#include <optional>
#include <string>
#include <vector>

namespace brivano {

class TNonInviare;

struct TEsitoDestinatari {
    int Aggiunti = 0;
    int Saltati = 0;  // no e-mail, or already in the list
    // Positions in the given e-mail fields of those appended, in order.
    std::vector<std::size_t> Posizioni;
    int NonInviare = 0;  // on the do-not-mail list
};

// Appends the e-mail fields in the given order, skipping empty ones, those
// already in the list (in any form: ChiaveIndirizzo) and those on the
// do-not-mail list when one is given.
TEsitoDestinatari AggiungiDestinatari(std::vector<std::string>& elenco,
                                      const std::vector<std::optional<std::string>>& email,
                                      const TNonInviare* nonInviare = nullptr);

// "Aggiunti 3 destinatari, saltati 2 (senza e-mail o già presenti).", and
// how many the do-not-mail list kept out.
std::string TestoEsitoDestinatari(const TEsitoDestinatari& esito);

// "1 destinatario", "N destinatari".
std::string TestoNumeroDestinatari(std::size_t numero);

// The end-of-run report of entries kept out by the do-not-mail list.
std::string TestoEsclusi(std::size_t numero);

// True when any address of the entry is on the do-not-mail list. An entry
// that does not parse as an address list is compared as a whole.
bool VoceEsclusa(const TNonInviare& nonInviare, const std::string& voce);

// The addresses of an entry as the do-not-mail list takes them.
std::vector<std::string> IndirizziDellaVoce(const std::string& voce);

}  // namespace brivano
