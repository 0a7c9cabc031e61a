#pragma once
// A working archive for year 2010 below `root`: configuration values, the
// year folder and an unprotected address table, bound to the data module.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "archive/F_DB.h"
#include "config/F_Conf.h"

// The year folder and an empty address table under `alias`, bound to the
// data module.
inline void PreparaAnnoDiProva(TFDB& fdb, const char* alias, const std::string& cartella) {
    std::filesystem::create_directory(cartella);
    fdb.PuntaAlias(alias, cartella);
    fdb.CreaTabella(alias, "Rubrica.DB", DefinizioneRubrica);
    fdb.LegaQuery(alias);
    fdb.LegaTabella(fdb.T_Rubrica, alias, "Rubrica.DB");
}

// A contact written straight into the address table, field by field.
using TRigaDiProva = std::vector<std::pair<std::string, std::string>>;
inline void ScriviRigaDiProva(TFDB& fdb, const TRigaDiProva& riga) {
    TTableCursor& t = fdb.T_Rubrica;
    t.Open();
    t.Append();
    for (const auto& [campo, valore] : riga) t.SetFieldValue(campo, valore);
    t.Post();
    t.Close();
}

inline void PreparaRubricaDiProva(TFDB& fdb, const std::string& root) {
    const char* alias = "DBrivanoMail";
    ScriviReg(KeyBrivano, "PathDatiGen", root);
    ScriviReg(KeyBrivano, "AliasDB", alias);
    ScriviReg(KeyBrivano, "Anno", "2010");
    ScriviReg(KeyBrivano, "DBRubrica", "Rubrica.DB");
    PreparaAnnoDiProva(fdb, alias, CartellaAnno(root, "2010"));
}
