#pragma once
// The sort order of texts for an Italian reader: letters before their accented
// forms and beside them, upper and lower case together ("a" < "à" < "B").
//
// Sorting goes through a function that turns a text into its collation key
// once per row, so a large sort compares plain bytes instead of calling the
// collator for every comparison.

struct sqlite3;

// SQL function: brivano_it_key(text) gives a blob whose byte order is the
// Italian order of the texts; null stays null.
inline constexpr const char* ItalianSortKeyFunction = "brivano_it_key";

// Registers the function on a connection; raises EArchiveError when the
// collation service cannot start.
void RegisterItalianSortKey(sqlite3* db);
