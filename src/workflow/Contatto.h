#pragma once
// One contact as the import, the export, the filter and the copy into a new
// year see it: the texts of the address table's columns (empty for null).

#include <array>
#include <cstddef>
#include <string>

namespace brivano {

// The columns a contact fills, in the address table's order.
enum class TCampo { Tipo, Ragione_Sociale, Citta, Cap, EMail, Sito, Note };
inline constexpr std::size_t NumeroCampi = 7;

// The column name in the address table.
const char* NomeColonna(TCampo campo);
// The name a reader sees in exports, previews and reports ("Città").
const char* NomeCampo(TCampo campo);

struct TContatto {
    long long OrdNum = 0;  // 0 for a contact not (yet) in a table
    std::array<std::string, NumeroCampi> Valori;

    std::string& operator[](TCampo campo) { return Valori[static_cast<std::size_t>(campo)]; }
    const std::string& operator[](TCampo campo) const {
        return Valori[static_cast<std::size_t>(campo)];
    }
    // Equal values; the row ids are not compared.
    bool StessiValori(const TContatto& altro) const { return Valori == altro.Valori; }
};

// Every field, in column order, for loops.
inline constexpr std::array<TCampo, NumeroCampi> TuttiCampi = {
    TCampo::Tipo, TCampo::Ragione_Sociale, TCampo::Citta, TCampo::Cap, TCampo::EMail, TCampo::Sito,
    TCampo::Note};

}  // namespace brivano
