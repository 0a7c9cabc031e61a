#pragma once
// Contacts written out for other programs: CSV for spreadsheets (UTF-8 with a
// byte order mark, ";" unless asked otherwise, the header names the import
// recognises) and vCard 4.0.

#include <filesystem>
#include <string>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

// Header row and one row per contact, CR LF line ends; fields holding the
// separator, a quote, a line break or outer blanks are quoted (RFC 4180).
std::string TestoCsv(const std::vector<TContatto>& contatti, char separatore = ';',
                     bool bom = true);

// One card per contact: FN, ORG, CATEGORIES, EMAIL, URL, ADR, NOTE; lines
// folded at 75 bytes without splitting a character.
std::string TestoVCard(const std::vector<TContatto>& contatti);

// ".vcf" and ".vcard" give a vCard, anything else CSV.
std::string TestoEsportazione(const std::filesystem::path& percorso,
                              const std::vector<TContatto>& contatti, char separatore = ';');

// Replaces the file with the text in one step (a temporary file renamed into
// place), so a failed write leaves the old file as it was. Raises
// std::runtime_error with the reason.
void ScriviFile(const std::filesystem::path& percorso, const std::string& testo);

}  // namespace brivano
