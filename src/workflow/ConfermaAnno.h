#pragma once
// The confirm command shared by the year-change and the new-archive windows:
// re-points the archive at the folder of the typed year, creates the tables
// missing there, stores the year and shows it.

#include <functional>
#include <string>

class TFDB;
class TMessageBoxes;

namespace brivano {

enum class TComandoAnno {
    CambioAnno,    // the year folder must exist already
    CreaArchivio,  // a missing year folder is created
};

// Asked after "ANNO DI LAVORO NON VALIDO" when a year change names a year
// without archive: Yes creates it and switches to it.
std::string DomandaCreazione(const std::string& anno);

// The typed year names one folder below the data root, never a path.
bool AnnoValido(const std::string& anno);

// A year change to a missing year folder offers to create it (DomandaCreazione).
// Returns true when the working year was switched (the window may close);
// false when a message refused the year and nothing was changed. Engine and
// configuration errors escape; what ran before them stays done.
bool ConfermaAnno(TFDB& fdb, TMessageBoxes& boxes, const std::string& anno, TComandoAnno comando,
                  const std::function<void(const std::string&)>& mostraAnno);

}  // namespace brivano
