#pragma once
// The sort order of texts for an Italian reader: letters before their accented
// forms and beside them, upper and lower case together ("a" < "à" < "B").

struct sqlite3;

inline constexpr const char* ItalianCollationName = "brivano_it";

// Registers the collation on a connection; raises EDBEngineError when the
// collation service cannot start.
void RegisterItalianCollation(sqlite3* db);
