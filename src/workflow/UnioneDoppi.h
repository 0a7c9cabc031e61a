#pragma once
// Merging a group of duplicate contacts of one year's address table into one:
// the user picks the contact that stays and, where the contacts differ, whose
// value each field keeps, for the address table's fields and the contact
// register's. The others leave the table only together with the writing of
// the one that stays; register entries of the addresses that go are kept,
// being the proof of what was collected for them.

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "workflow/Contatto.h"
#include "workflow/RegistroContatti.h"

class TTableFile;

namespace brivano {

class EUnioneDoppi : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The fields a merge chooses among: the address table's (TuttiCampi), then
// the register's from the basis to the telephone.
inline constexpr std::size_t NumeroCampiRegistroUnione = 12;
inline constexpr std::size_t NumeroCampiUnione = NumeroCampi + NumeroCampiRegistroUnione;
// "Ragione Sociale", …, "Base giuridica", …, "Telefono".
const char* NomeCampoUnione(std::size_t campo);

// One contact of the group with the register entry of its address.
struct TDoppio {
    TContatto Contatto;  // with its OrdNum
    std::optional<TVoceRegistro> Voce;
};
// The value a field has for one contact; a basis "Nessuna" reads as empty.
std::string ValoreCampo(const TDoppio& doppio, std::size_t campo);

struct TUnione {
    std::vector<TDoppio> Doppi;
    std::size_t Resta = 0;  // the contact that stays
    // Per field, the contact whose value it keeps.
    std::array<std::size_t, NumeroCampiUnione> Scelte{};
};

// The group's contacts from the table (by row id) and the register, with the
// first one staying and each field keeping its first non-empty value. Raises
// EUnioneDoppi for fewer than two rows or a row that is gone.
TUnione PreparaUnione(TTableFile& rubrica, const TRegistroContatti* registro,
                      const std::vector<long long>& righe);
// The contact that stays becomes `resta`: every field that it fills keeps its value.
void CambiaResta(TUnione& unione, std::size_t resta);
// The contacts hold two or more different non-empty values: the user chooses.
bool InConflitto(const TUnione& unione, std::size_t campo);

// What the merge writes: the contact (the OrdNum of the one that stays) and
// the register entry of its address, nullopt when no contact had one and
// nothing was chosen.
struct TEsitoUnione {
    TContatto Contatto;
    std::optional<TVoceRegistro> Voce;
};
TEsitoUnione RisultatoUnione(const TUnione& unione);

// Writes the merge: the register entry first (an entry in error raises
// ERegistroContatti and nothing is written), then in one batch of the table
// the contact that stays and the removal of the others. A row changed or
// removed since the group was read raises EUnioneDoppi and the table stays
// as it was. An opposition date already in the register for the address
// that stays is never dropped.
TEsitoUnione EseguiUnione(TTableFile& rubrica, TRegistroContatti& registro, const TUnione& unione);

}  // namespace brivano
