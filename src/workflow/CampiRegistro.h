#pragma once
// The contact register's values as merge fields ({{PIVA}}, {{Referente}},
// {{Data_Consenso}}, …), added to each entry's own by its address.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "workflow/CampiUnione.h"

namespace brivano {

// The names of the contact register's fields, filled from the register by
// the entry's address (CampiConRegistro).
inline constexpr std::array<const char*, 11> NomiCampiRegistro = {
    "PIVA",           "Codice_Fiscale", "PEC",           "Codice_SDI",     "Referente",
    "Telefono",       "Base_Giuridica", "Data_Consenso", "Fonte_Contatto", "Informativa",
    "Motivo_Contatto"};

struct TVoceRegistro;
class TRegistroContatti;

// The fields of one register entry by NomiCampiRegistro's names.
TCampiContatto CampiDellaVoce(const TVoceRegistro& voce);

// `campi` (one per entry; shorter: entries without a contact) with the
// register's fields of each entry's address, from the register beside the
// do-not-mail list `nonInviare` names. Without a list, or with a register
// that cannot be read, the entries keep their own fields: a field left empty
// is then shown by the empty-field warning before the run.
std::vector<TCampiContatto> CampiConRegistro(
    const std::vector<std::string>& voci, std::vector<TCampiContatto> campi,
    const std::function<std::filesystem::path()>& nonInviare);

// The same from a register at hand.
void AggiungiCampiRegistro(const TRegistroContatti& registro, const std::vector<std::string>& voci,
                           std::vector<TCampiContatto>& campi);

}  // namespace brivano
