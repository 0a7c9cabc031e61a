#include "workflow/ModelloPiePagina.h"

#include "workflow/RegistroContatti.h"

namespace brivano {

std::vector<std::string> PiePaginaModello(const std::string& titolare) {
    const std::string nome = titolare.empty() ? "[nome o ragione sociale]" : titolare;
    return {
        "Titolare del trattamento: " + nome + ", [indirizzo della sede], P.IVA [partita IVA].",
        "Ricevi questa email perché {{Motivo_Contatto|sei in contatto con noi}}.",
        "Puoi opporti in ogni momento e gratuitamente a ricevere altri messaggi come questo:",
        "rispondi scrivendo CANCELLAMI e non ti scriveremo più.",
        "Informativa completa (artt. 13-14 GDPR): [indirizzo della pagina dell'informativa]",
    };
}

std::string MotivoContatto(const TVoceRegistro& voce) {
    switch (voce.Base) {
        case TBaseGiuridica::Cliente:
            return "sei nostro cliente";
        case TBaseGiuridica::Consenso: {
            if (voce.DataRaccolta.size() != 10) return "ci hai dato il consenso";
            const std::string& d = voce.DataRaccolta;
            return "ci hai dato il consenso il " + d.substr(8, 2) + "/" + d.substr(5, 2) + "/" +
                   d.substr(0, 4);
        }
        case TBaseGiuridica::Contratto:
        case TBaseGiuridica::Nessuna:
            break;
    }
    return {};
}

}  // namespace brivano
