#pragma once
// Duplicates across the year archives. Each new year starts with a copy of
// the year before, so a contact copied unchanged is one contact seen in
// several years, not a duplicate; contacts that differ are grouped as within
// a year. Shown only: a year's table is the archive of that year.

#include <string>
#include <vector>

#include "workflow/Duplicati.h"

class TFDB;

namespace brivano {

// The years whose folder (the data root followed by the year) holds the
// address table `fileRubrica`, ascending.
std::vector<std::string> AnniConRubrica(const std::string& radiceDati,
                                        const std::string& fileRubrica);

struct TContattoAnni {
    TContatto Contatto;
    std::vector<std::string> Anni;  // ascending
};

struct TGruppoDoppiAnni {
    TMotivoDoppio Motivo = TMotivoDoppio::EMail;
    std::string Chiave;
    std::vector<TContattoAnni> Contatti;
};

// Each year's contacts (year, its contacts) folded into distinct contacts
// with their years, then grouped; only groups of contacts that differ.
std::vector<TGruppoDoppiAnni> TrovaDuplicatiAnni(
    const std::vector<std::pair<std::string, std::vector<TContatto>>>& anni,
    const TRegistroContatti* registro);

// The same over every year of the configured archive, each table opened
// with the session's passwords. Raises when a table cannot be read.
std::vector<TGruppoDoppiAnni> DuplicatiDiTuttiGliAnni(TFDB& fdb, const TRegistroContatti* registro);

}  // namespace brivano
