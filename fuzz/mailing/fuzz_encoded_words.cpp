// Encoded words for fuzzed texts and settings: nothing above code 126 stays
// unencoded, no encoded word is longer than 75 characters, and a text the
// charset can hold decodes back to itself.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "mailing/IdHeaderCoder.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

const char* const kCharsets[] = {"ISO-8859-1", "windows-1251", "KOI8-R",     "GB2312",
                                 "Big5",       "csEUCKR",      "ISO-2022-JP"};
const char kSpecials[] = "()<>@,;:\\\".[]";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    TIdHeaderSettings settings;
    settings.Charset = kCharsets[data[0] % 7];
    settings.Transfer = settings.Charset == "ISO-2022-JP" ? TTransfer::iso2022jp : TTransfer::bit8;
    settings.Letter = (data[0] / 7) % 3 == 0 ? 'Q' : (data[0] / 7) % 3 == 1 ? 'B' : '8';
    const std::string specials = data[1] & 1 ? kSpecials : "";
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

    const std::string encoded = EncodeWords(text, specials, settings);
    DecodeWords(text);
    if (settings.Letter == '8') return 0;

    for (char c : encoded) Require(static_cast<unsigned char>(c) < 127);
    // Without "=?" in the text, every token that starts so is one of ours.
    if (text.find("=?") == std::string::npos) {
        std::size_t pos = 0;
        while ((pos = encoded.find("=?", pos)) != std::string::npos) {
            std::size_t end = encoded.find_first_of(" \t\r\n", pos);
            if (end == std::string::npos) end = encoded.size();
            Require(end - pos <= 75);
            pos = end;
        }
    }
    const bool decodable = settings.Charset == "ISO-8859-1" || settings.Charset == "windows-1251" ||
                           settings.Charset == "KOI8-R";
    if (decodable && brivano::FromUtf8(text, settings.Charset))
        Require(DecodeWords(encoded) == text);
    return 0;
}
