#pragma once
// The two table files of a year folder, as column lists handed to CreaTabella.

inline constexpr const char* DefinizioneRubrica =
    "( OrdNum AUTOINC, Tipo CHAR(60), Ragione_Sociale CHAR(60), Citta CHAR(40), Cap CHAR(5), "
    "EMail CHAR(100), Sito CHAR(100), Note BLOB(1,1) )";
inline constexpr const char* DefinizioneDativo = "( OrdNum AUTOINC, Note BLOB(1,1) )";

// The master password registered at start-up and given to new table files.
inline constexpr const char* MasterPassword = "5E20C7B91D4A";
