#include "workflow/CampiRegistro.h"

#include <algorithm>

#include "workflow/ModelloPiePagina.h"
#include "workflow/RegistroContatti.h"

namespace brivano {

TCampiContatto CampiDellaVoce(const TVoceRegistro& voce) {
    return {{"PIVA", voce.PartitaIva},
            {"Codice_Fiscale", voce.CodiceFiscale},
            {"PEC", voce.Pec},
            {"Codice_SDI", voce.CodiceSdi},
            {"Referente", voce.Referente},
            {"Telefono", voce.Telefono},
            {"Base_Giuridica", voce.Base == TBaseGiuridica::Nessuna ? "" : NomeBase(voce.Base)},
            {"Data_Consenso", voce.DataRaccolta},
            {"Fonte_Contatto", voce.Fonte},
            {"Informativa", voce.Informativa},
            {"Motivo_Contatto", MotivoContatto(voce)}};
}

void AggiungiCampiRegistro(const TRegistroContatti& registro, const std::vector<std::string>& voci,
                           std::vector<TCampiContatto>& campi) {
    campi.resize(std::max(campi.size(), voci.size()));
    for (std::size_t i = 0; i < voci.size(); ++i) {
        const auto voce = registro.Leggi(voci[i]);
        if (!voce) continue;
        for (auto& [nome, valore] : CampiDellaVoce(*voce)) campi[i][nome] = std::move(valore);
    }
}

std::vector<TCampiContatto> CampiConRegistro(
    const std::vector<std::string>& voci, std::vector<TCampiContatto> campi,
    const std::function<std::filesystem::path()>& nonInviare) {
    try {
        const std::filesystem::path lista = nonInviare ? nonInviare() : std::filesystem::path();
        if (lista.empty()) return campi;
        const std::filesystem::path percorso = PercorsoRegistroContatti(lista.parent_path());
        // Reading creates no register where none was kept.
        if (!std::filesystem::exists(percorso)) return campi;
        const TRegistroContatti registro(percorso);
        AggiungiCampiRegistro(registro, voci, campi);
    } catch (const std::exception&) {
        // The run's own check of the list tells the user what is wrong.
    }
    return campi;
}

}  // namespace brivano
