#include "workflow/OpzioniMessaggio.h"

#include "config/F_Conf.h"
#include "workflow/SpedizioneMail.h"

namespace brivano {

std::vector<std::string> PiePaginaPredefinito() {
    return {PiePagina.begin(), PiePagina.end()};
}

std::vector<std::string> LeggiPiePagina() {
    const std::string testo = LeggiReg(KeyBrivano, ValoriMessaggio::PiePagina);
    if (testo.empty()) return PiePaginaPredefinito();
    std::vector<std::string> righe;
    std::size_t inizio = 0;
    for (std::size_t fine = 0; (fine = testo.find('\n', inizio)) != std::string::npos;
         inizio = fine + 1)
        righe.push_back(testo.substr(inizio, fine - inizio));
    righe.push_back(testo.substr(inizio));
    return righe;
}

void ScriviPiePagina(const std::vector<std::string>& righe) {
    std::string testo;
    if (righe != PiePaginaPredefinito()) {
        for (std::size_t i = 0; i < righe.size(); ++i) {
            if (i > 0) testo += '\n';
            testo += righe[i];
        }
    }
    ScriviReg(KeyBrivano, ValoriMessaggio::PiePagina, testo);
}

bool LeggiListUnsubscribe() {
    return LeggiReg(KeyBrivano, ValoriMessaggio::ListUnsubscribe) != "0";
}

}  // namespace brivano
