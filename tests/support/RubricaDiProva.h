#pragma once
// A working archive for year 2010 below `root`: configuration values, the
// year folder and an unprotected address table, bound to the data module.

#include <filesystem>
#include <string>

#include "archive/F_DB.h"
#include "config/F_Conf.h"

inline void PreparaRubricaDiProva(TFDB& fdb, const std::string& root) {
    const char* alias = "DBrivanoMail";
    ScriviReg(KeyBrivano, "PathDatiGen", root);
    ScriviReg(KeyBrivano, "AliasDB", alias);
    ScriviReg(KeyBrivano, "Anno", "2010");
    ScriviReg(KeyBrivano, "DBRubrica", "Rubrica.DB");
    const std::string cartella = CartellaAnno(root, "2010");
    std::filesystem::create_directory(cartella);
    fdb.PuntaAlias(alias, cartella);
    fdb.CreaTabella(alias, "Rubrica.DB", DefinizioneRubrica);
    fdb.LegaQuery(alias);
    fdb.LegaTabella(fdb.T_Rubrica, alias, "Rubrica.DB");
}
