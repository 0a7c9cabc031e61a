#pragma once
// The data module: the engine session of the program, the general query and
// the two table components, and the operations on the working archive.

#include <optional>
#include <string>

#include "archive/Query.h"
#include "archive/Session.h"
#include "archive/Table.h"
#include "archive/TableDefinitions.h"
#include "dialogs/MessageBoxes.h"

// The year folder: the data root immediately followed by the year and "/",
// joined as plain text ("/dati" + "2010" gives "/dati2010/").
std::string CartellaAnno(const std::string& pathDatiGen, const std::string& anno);

// One opening of a table file in a year folder, for the start-up.
// `Estranea`: nothing when the folder holds no such file, or a table file whose
// columns are those of the definition (names in any case, kinds and sizes, in
// order); else, in Italian, why the file is not a table of this program.
// `NonProtetta`: a table of this program held without a password, as a run cut
// short between creating and protecting it leaves it; a missing file, or one
// that is not a table file, is not (its first use reports it). Only reads.
struct TEsameTabella {
    std::optional<std::string> Estranea;
    bool NonProtetta = false;
};
TEsameTabella EsaminaTabella(const std::string& cartella, const std::string& fileName,
                             const std::string& definizione);

class TFDB {
  public:
    // The session is active from here on; raises EArchiveError when it cannot start.
    explicit TFDB(TMessageBoxes& boxes);

    TArchiveSession Session1;
    TSqlCursor QGEN;
    TTableCursor T_Rubrica;
    TTableCursor T_Dativo;

    // Points the alias at the year folder: delete it, add it anew as a standard
    // alias with the default driver "PARADOX", set the session active.
    void PuntaAlias(const std::string& alias, const std::string& cartellaAnno);

    // Binding: close, then name the alias (and the file); opens nothing.
    void LegaQuery(const std::string& alias);
    void LegaTabella(TTableCursor& table, const std::string& alias, const std::string& fileName);

    // Creates a table file in the alias's folder with the given column list,
    // then says so in the message box: "Archivio <file> Creato".
    void CreaTabella(const std::string& alias, const std::string& fileName,
                     const std::string& definizione);

    // Protects a table file of `folder` with the password, through a temporary
    // connection "PDOXEncryptDB<0..49>" of the default session.
    void ProteggiTabella(const std::string& fileName, const std::string& password,
                         const std::string& folder);

    // Leaves QGEN open on every contact ordered by company name, read from the
    // address table file the configuration names.
    void CaricaRubrica();

  private:
    TMessageBoxes& boxes_;
};
