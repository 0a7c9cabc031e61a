#include "archive/ItalianCollation.h"

#include <sqlite3.h>
#include <unicode/ucol.h>

#include <string>

#include "archive/EngineError.h"

namespace {

int Compare(void* collator, int lenA, const void* a, int lenB, const void* b) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r =
        ucol_strcollUTF8(static_cast<UCollator*>(collator), static_cast<const char*>(a), lenA,
                         static_cast<const char*>(b), lenB, &status);
    if (U_FAILURE(status)) {
        // Not valid UTF-8: fall back to byte order so sorting still terminates consistently.
        int n = lenA < lenB ? lenA : lenB;
        int c = std::char_traits<char>::compare(
            static_cast<const char*>(a), static_cast<const char*>(b), static_cast<size_t>(n));
        return c != 0 ? c : lenA - lenB;
    }
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

void Destroy(void* collator) {
    ucol_close(static_cast<UCollator*>(collator));
}

}  // namespace

void RegisterItalianCollation(sqlite3* db) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("it", &status);
    if (U_FAILURE(status)) throw EDBEngineError("Cannot start the Italian collation service");
    if (sqlite3_create_collation_v2(db, ItalianCollationName, SQLITE_UTF8, collator, Compare,
                                    Destroy) != SQLITE_OK) {
        ucol_close(collator);
        throw EDBEngineError("Cannot register the Italian collation");
    }
}
