// Encoded words in multi-byte charsets for fuzzed texts: every word is at
// most 75 characters and decodes on its own to whole characters, so no break
// falls inside a character's bytes.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "mailing/IdHeaderCoder.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

struct Settings {
    const char* charset;
    char letter;
};

// ISO-8859-1 and windows-1251 reach UTF-8 for what they cannot hold.
const Settings kSettings[] = {{"UTF-8", 'Q'},        {"UTF-8", 'B'},  {"ISO-8859-1", 'Q'},
                              {"windows-1251", 'B'}, {"GB2312", 'B'}, {"Big5", 'B'},
                              {"csEUCKR", 'B'},      {"GB2312", 'Q'}, {"ISO-2022-JP", 'B'},
                              {"ISO-2022-JP", 'Q'}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const Settings& chosen = kSettings[data[0] % (sizeof kSettings / sizeof kSettings[0])];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Only whole UTF-8 texts have whole characters to keep; shift bytes and
    // texts that already look like encoded words are other targets' business.
    if (!brivano::FromUtf8(text, "UTF-8") || text.find("=?") != std::string::npos ||
        text.find_first_of("\x1B\x0E\x0F") != std::string::npos)
        return 0;
    TIdHeaderSettings settings;
    settings.Charset = chosen.charset;
    settings.Letter = chosen.letter;
    settings.Transfer = settings.Charset == "ISO-2022-JP" ? TTransfer::iso2022jp : TTransfer::bit8;

    const std::string encoded = EncodeWords(text, "", settings);
    for (std::size_t pos = 0; (pos = encoded.find("=?", pos)) != std::string::npos;) {
        std::size_t end = encoded.find_first_of(" \t\r\n", pos);
        if (end == std::string::npos) end = encoded.size();
        Require(end - pos <= 75);
        Require(brivano::DecodeEncodedWord(encoded.substr(pos, end - pos)).has_value());
        pos = end;
    }
    return 0;
}
