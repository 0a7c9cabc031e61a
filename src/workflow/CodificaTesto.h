#pragma once
// The text of an imported file as UTF-8, whatever the program that wrote it
// used: UTF-8 with or without a byte order mark, or Windows-1252 as older
// spreadsheet programs write it.

#include <string>
#include <string_view>

namespace brivano {

struct TTestoDecodificato {
    std::string Testo;     // UTF-8, without the byte order mark
    std::string Codifica;  // "UTF-8 con BOM", "UTF-8", "UTF-16LE", "UTF-16BE" or "Windows-1252"
};

// Detects the encoding (byte order mark; else UTF-8 when every byte agrees;
// else the charset detector's guess) and converts. Raises std::runtime_error
// when the text cannot be converted.
TTestoDecodificato DecodificaTesto(std::string_view bytes);

// The same without copying a text that is already UTF-8: the result views
// `bytes` (past the byte order mark) or `convertito`, which receives a
// converted text; `codifica` receives the encoding's name.
std::string_view DecodificaTesto(std::string_view bytes, std::string& convertito,
                                 std::string& codifica);

}  // namespace brivano
