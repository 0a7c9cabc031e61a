#include "workflow/Destinatari.h"

#include <unordered_set>

#include "mailing/IdEMailAddress.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/NonInviare.h"

namespace brivano {

TEsitoDestinatari AggiungiDestinatari(std::vector<std::string>& elenco,
                                      const std::vector<std::optional<std::string>>& email,
                                      const TNonInviare* nonInviare) {
    std::unordered_set<std::string> presenti;
    for (const std::string& voce : elenco) presenti.insert(ChiaveIndirizzo(voce));
    TEsitoDestinatari esito;
    for (std::size_t i = 0; i < email.size(); ++i) {
        const auto& indirizzo = email[i];
        const std::string chiave = indirizzo ? ChiaveIndirizzo(*indirizzo) : std::string();
        if (chiave.empty() || presenti.count(chiave)) {
            ++esito.Saltati;
            continue;
        }
        if (nonInviare && VoceEsclusa(*nonInviare, *indirizzo)) {
            ++esito.NonInviare;
            continue;
        }
        presenti.insert(chiave);
        elenco.push_back(*indirizzo);
        esito.Posizioni.push_back(i);
        ++esito.Aggiunti;
    }
    return esito;
}

std::string TestoEsitoDestinatari(const TEsitoDestinatari& esito) {
    return std::string(esito.Aggiunti == 1
                           ? "Aggiunto 1 destinatario"
                           : "Aggiunti " + std::to_string(esito.Aggiunti) + " destinatari") +
           ", saltati " + std::to_string(esito.Saltati) + " (senza e-mail o già presenti)." +
           (esito.NonInviare == 0 ? std::string()
                                  : " Non aggiunti perché nell'elenco non inviare: " +
                                        std::to_string(esito.NonInviare) + ".");
}

std::string TestoNumeroDestinatari(std::size_t numero) {
    return numero == 1 ? "1 destinatario" : std::to_string(numero) + " destinatari";
}

std::string TestoEsclusi(std::size_t numero) {
    return numero == 1
               ? "1 destinatario escluso: è nell'elenco non inviare."
               : std::to_string(numero) + " destinatari esclusi: sono nell'elenco non inviare.";
}

std::vector<std::string> IndirizziDellaVoce(const std::string& voce) {
    TIdEMailAddressList lista;
    try {
        lista.SetListText(voce);
    } catch (const EIdEmailParseError&) {
        return {voce};
    }
    std::vector<std::string> indirizzi;
    for (std::size_t i = 0; i < lista.Count(); ++i)
        if (!lista[i].Address().empty()) indirizzi.push_back(lista[i].Address());
    if (indirizzi.empty()) indirizzi.push_back(voce);
    return indirizzi;
}

bool VoceEsclusa(const TNonInviare& nonInviare, const std::string& voce) {
    if (nonInviare.Contiene(voce)) return true;
    for (const std::string& indirizzo : IndirizziDellaVoce(voce))
        if (nonInviare.Contiene(indirizzo)) return true;
    return false;
}

}  // namespace brivano
