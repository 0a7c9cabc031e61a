#include "archive/ItalianCollation.h"

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <vector>

#include "archive/ArchiveError.h"

namespace {

void SortKey(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto* collator = static_cast<UCollator*>(sqlite3_user_data(ctx));
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int len = sqlite3_value_bytes(argv[0]);

    UChar small[256];
    std::vector<UChar> large;
    UChar* utf16 = small;
    int32_t utf16Len = 0;
    UErrorCode status = U_ZERO_ERROR;
    // Bytes that are not UTF-8 become U+FFFD rather than failing the sort.
    u_strFromUTF8WithSub(small, 256, &utf16Len, text, len, 0xFFFD, nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        large.resize(static_cast<size_t>(utf16Len));
        status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(large.data(), utf16Len, &utf16Len, text, len, 0xFFFD, nullptr,
                             &status);
        utf16 = large.data();
    }
    if (U_FAILURE(status)) {
        sqlite3_result_error(ctx, "text cannot be collated", -1);
        return;
    }
    uint8_t keySmall[512];
    int32_t keyLen = ucol_getSortKey(collator, utf16, utf16Len, keySmall, sizeof keySmall);
    if (keyLen <= static_cast<int32_t>(sizeof keySmall)) {
        sqlite3_result_blob(ctx, keySmall, keyLen, SQLITE_TRANSIENT);
        return;
    }
    std::vector<uint8_t> key(static_cast<size_t>(keyLen));
    keyLen = ucol_getSortKey(collator, utf16, utf16Len, key.data(), keyLen);
    sqlite3_result_blob(ctx, key.data(), keyLen, SQLITE_TRANSIENT);
}

void Destroy(void* collator) {
    ucol_close(static_cast<UCollator*>(collator));
}

}  // namespace

void RegisterItalianSortKey(sqlite3* db) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("it", &status);
    if (U_FAILURE(status)) throw EArchiveError("Cannot start the Italian collation service");
    // On failure SQLite itself calls Destroy.
    if (sqlite3_create_function_v2(db, ItalianSortKeyFunction, 1,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC, collator, SortKey, nullptr,
                                   nullptr, Destroy) != SQLITE_OK)
        throw EArchiveError("Cannot register the Italian sort order");
}
