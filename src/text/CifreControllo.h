#pragma once
// Italian business identifiers checked by their check character: the VAT
// number (P.IVA), the tax code (Codice Fiscale) of a person, omocodia
// included, or of a company (eleven digits like a P.IVA), and the
// electronic-invoice recipient code (Codice SDI). Pure functions: each takes
// what the user typed and says why it is wrong, in Italian; empty when fine.

#include <string>
#include <string_view>

namespace brivano {

// Blanks taken out and letters in upper case; a P.IVA also loses a leading
// "IT" country prefix.
std::string FormaPartitaIva(std::string_view testo);
std::string FormaCodiceFiscale(std::string_view testo);
std::string FormaCodiceSdi(std::string_view testo);

// Empty text is no error: the fields are optional.
std::string ErrorePartitaIva(std::string_view testo);
std::string ErroreCodiceFiscale(std::string_view testo);
std::string ErroreCodiceSdi(std::string_view testo);

}  // namespace brivano
