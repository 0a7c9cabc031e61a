#include "mailing/IdHeaderCoder.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "mailing/EncodedWordWriter.h"
#include "mailing/MailText.h"

namespace brivano {
namespace {

// iconv_open's failure value, an integer cast to the descriptor type.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)

// One cached iconv descriptor per direction and charset, per thread: opening
// one costs far more than a short conversion.
class Converter {
  public:
    static std::optional<std::string> Run(std::string_view from, std::string_view to,
                                          std::string_view input) {
        iconv_t cd = Get(from, to);
        if (cd == kNoConverter) return std::nullopt;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string out(input.size() * 2 + 16, '\0');
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t done = 0;
        for (bool flushing = false;;) {
            char* dst = out.data() + done;
            std::size_t outLeft = out.size() - done;
            std::size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &outLeft)
                                     : iconv(cd, &in, &inLeft, &dst, &outLeft);
            done = out.size() - outLeft;
            if (r != static_cast<std::size_t>(-1)) {
                if (flushing) break;
                flushing = true;  // stateful charsets return to their initial state
                continue;
            }
            if (errno != E2BIG) return std::nullopt;
            out.resize(out.size() * 2);
        }
        out.resize(done);
        return out;
    }

  private:
    struct Cache {
        std::map<std::string, iconv_t, std::less<>> descriptors;
        ~Cache() {
            for (auto& [key, cd] : descriptors)
                if (cd != kNoConverter) iconv_close(cd);
        }
    };

    static iconv_t Get(std::string_view from, std::string_view to) {
        thread_local Cache cache;
        std::string key;
        key.append(from).append(1, '\0').append(to);
        auto it = cache.descriptors.find(key);
        if (it != cache.descriptors.end()) return it->second;
        iconv_t cd = iconv_open(std::string(to).c_str(), std::string(from).c_str());
        cache.descriptors.emplace(std::move(key), cd);
        return cd;
    }
};

// Charsets in which a pure ASCII text is its own encoding.
bool AsciiTransparent(std::string_view charset) {
    static constexpr std::array<std::string_view, 9> known = {
        "UTF-8", "US-ASCII", "KOI8-R", "GB2312", "Big5", "csEUCKR", "EUC-KR", "KOI8-U", "ASCII"};
    for (auto name : known)
        if (EqualsNoCase(charset, name)) return true;
    return StartsWithNoCase(charset, "ISO-8859-") || StartsWithNoCase(charset, "windows-");
}

// Full-width forms of U+FF61 ... U+FF9F.
constexpr std::array<char16_t, 63> kWideKatakana = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

constexpr char32_t kHalfVoiced = 0xFF9E;
constexpr char32_t kHalfSemiVoiced = 0xFF9F;

// The half-width katakana at `pos` (3 UTF-8 bytes), or 0.
char32_t HalfWidthAt(std::string_view s, std::size_t pos) {
    if (pos + 2 >= s.size() || static_cast<unsigned char>(s[pos]) != 0xEF) return 0;
    auto b1 = static_cast<unsigned char>(s[pos + 1]);
    auto b2 = static_cast<unsigned char>(s[pos + 2]);
    if ((b2 & 0xC0) != 0x80) return 0;
    char32_t cp = 0xF000u | (static_cast<char32_t>(b1 & 0x3F) << 6) | (b2 & 0x3Fu);
    return (cp >= 0xFF61 && cp <= 0xFF9F) ? cp : 0;
}

void AppendUtf8(std::string& out, char32_t cp) {
    // Only BMP code points above U+07FF are produced here.
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

// The full-width form of `half` merged with `mark`, or 0 when none exists.
char32_t Merged(char32_t half, char32_t mark) {
    char32_t wide = kWideKatakana[half - 0xFF61];
    bool kaToTo = half >= 0xFF76 && half <= 0xFF84;
    bool haToHo = half >= 0xFF8A && half <= 0xFF8E;
    if (mark == kHalfVoiced) {
        if (kaToTo || haToHo) return wide + 1;
        if (half == 0xFF73) return 0x30F4;  // VU
    }
    if (mark == kHalfSemiVoiced && haToHo) return wide + 2;
    return 0;
}

}  // namespace

std::optional<std::string> FromUtf8(std::string_view text, std::string_view charset) {
    if (IsAscii(text) && AsciiTransparent(charset)) return std::string(text);
    return Converter::Run("UTF-8", charset, text);
}

std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset) {
    if (IsAscii(bytes) && AsciiTransparent(charset)) return std::string(bytes);
    return Converter::Run(charset, "UTF-8", bytes);
}

std::string WidenKatakana(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t half = HalfWidthAt(text, i);
        if (half == 0) {
            out += text[i++];
            continue;
        }
        i += 3;
        char32_t mark = HalfWidthAt(text, i);
        if (char32_t merged = mark ? Merged(half, mark) : 0) {
            AppendUtf8(out, merged);
            i += 3;
        } else {
            AppendUtf8(out, kWideKatakana[half - 0xFF61]);
        }
    }
    return out;
}

std::optional<std::string> ToIso2022Jp(std::string_view text) {
    // ESC, SO and SI switch character sets in ISO-2022-JP: held as text they
    // would be read as switches, so such a text has no faithful form there.
    if (text.find_first_of("\x1B\x0E\x0F") != std::string_view::npos) return std::nullopt;
    if (IsAscii(text)) return std::string(text);
    return Converter::Run("UTF-8", "ISO-2022-JP", WidenKatakana(text));
}

}  // namespace brivano

using namespace brivano;

namespace {

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string DecodeQ(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_') {
            out += ' ';
        } else if (s[i] == '=' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 &&
                   HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// An encoded word recognised at a position: its end and its parts.
struct EncodedWord {
    std::size_t end;  // one past the closing "?="
    std::string_view charset;
    std::string_view encoding;
    std::string_view encoded;
};

// `anyCharset` also takes words whose charset is not one of the 8-bit
// families the encoder's own check looks for.
std::optional<EncodedWord> EncodedWordAt(std::string_view s, std::size_t pos, bool anyCharset) {
    std::string_view rest = s.substr(pos);
    if (!(StartsWithNoCase(rest, "=?ISO") || StartsWithNoCase(rest, "=?WINDOWS") ||
          StartsWithNoCase(rest, "=?KOI8") || (anyCharset && StartsWithNoCase(rest, "=?"))))
        return std::nullopt;
    std::size_t charsetEnd = rest.find('?', 2);
    if (charsetEnd == std::string_view::npos) return std::nullopt;
    std::size_t encodingEnd = rest.find('?', charsetEnd + 1);
    if (encodingEnd == std::string_view::npos || encodingEnd == charsetEnd + 1) return std::nullopt;
    std::size_t close = rest.find("?=", encodingEnd + 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view whole = rest.substr(0, close + 2);
    if (whole.find_first_of(" \t\r\n") != std::string_view::npos) return std::nullopt;
    return EncodedWord{pos + close + 2, rest.substr(2, charsetEnd - 2),
                       rest.substr(charsetEnd + 1, encodingEnd - charsetEnd - 1),
                       rest.substr(encodingEnd + 1, close - encodingEnd - 1)};
}

// The word's bytes; nullopt when its base64 text is not valid, so the word
// is shown as it stands (RFC 2047 §6.3) instead of as guessed bytes.
std::optional<std::string> WordBytes(const EncodedWord& word) {
    if (EqualsNoCase(word.encoding, "Q")) return DecodeQ(word.encoded);
    try {
        return Base64Decode(word.encoded);
    } catch (const EBase64NonValido&) {
        return std::nullopt;
    }
}

// The charset without an RFC 2231 language suffix.
std::string_view WordCharset(const EncodedWord& word) {
    return word.charset.substr(0, word.charset.find('*'));
}

std::optional<std::string> DecodeWord(const EncodedWord& word) {
    std::optional<std::string> bytes = WordBytes(word);
    if (!bytes) return std::nullopt;
    if (auto text = ToUtf8(*bytes, WordCharset(word))) return text;
    return bytes;
}

// Encoded words decoded with `decode` (nullopt leaves a word as it stands);
// white space between two decoded words is dropped, NUL characters too.
template <typename Decode>
std::string DecodeEach(std::string_view text, bool anyCharset, Decode decode) {
    std::string out;
    out.reserve(text.size());
    // While only white space follows a decoded word, where that word ended in
    // `out` (else npos); white space up to the next encoded word is dropped.
    std::size_t afterWord = std::string::npos;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '\0') {
            ++i;
            continue;
        }
        if (c == '=') {
            if (auto word = EncodedWordAt(text, i, anyCharset)) {
                if (std::optional<std::string> decoded = decode(*word)) {
                    if (afterWord != std::string::npos) out.resize(afterWord);
                    out += *decoded;
                    afterWord = out.size();
                    i = word->end;
                    continue;
                }
            }
        }
        if (!IsWhite(c)) afterWord = std::string::npos;
        out += c;
        ++i;
    }
    return out;
}

}  // namespace

std::string DefaultCharsetForLocale() {
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
    if (EqualsNoCase(language, "zh")) {
        std::string_view region;
        if (language.size() < locale.size() && locale[language.size()] == '_') {
            region = locale.substr(language.size() + 1);
            region = region.substr(0, region.find_first_of(".@"));
        }
        return EqualsNoCase(region, "CN") ? "GB2312" : "Big5";
    }
    if (EqualsNoCase(language, "ja")) return "ISO-2022-JP";
    if (EqualsNoCase(language, "ko")) return "csEUCKR";
    if (EqualsNoCase(language, "ru")) return "KOI8-R";
    if (EqualsNoCase(language, "uk")) return "windows-1251";
    return "ISO-8859-1";
}

TIdHeaderSettings ChooseHeaderCharset(const TIdInitializeISOEvent& onInitializeISO) {
    TIdHeaderSettings settings;
    settings.Charset = DefaultCharsetForLocale();
    if (settings.Charset == "ISO-2022-JP") settings.Transfer = TTransfer::iso2022jp;
    if (settings.Charset == "ISO-8859-1") settings.Letter = 'Q';
    if (onInitializeISO) onInitializeISO(settings.Transfer, settings.Letter, settings.Charset);
    return settings;
}

std::string DecodeWords(std::string_view text) {
    return DecodeEach(text, false, [](const EncodedWord& word) { return DecodeWord(word); });
}

namespace brivano {

std::optional<std::string> DecodeEncodedWord(std::string_view word) {
    auto found = EncodedWordAt(word, 0, true);
    if (!found || found->end != word.size()) return std::nullopt;
    const auto bytes = WordBytes(*found);
    if (!bytes) return std::nullopt;
    return ToUtf8(*bytes, WordCharset(*found));
}

std::string DecodeHeaderForReading(std::string_view value) {
    std::string unfolded;
    unfolded.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
            ++i;
            continue;
        }
        unfolded += value[i];
    }
    return DecodeEach(unfolded, true, [](const EncodedWord& word) {
        const auto bytes = WordBytes(word);
        if (!bytes) return std::optional<std::string>();
        return ToUtf8(*bytes, WordCharset(word));
    });
}

}  // namespace brivano

std::string EncodeWords(std::string_view text, std::string_view specials,
                        const TIdHeaderSettings& settings) {
    std::string charset = settings.Charset;
    auto converted =
        settings.Transfer == TTransfer::iso2022jp ? ToIso2022Jp(text) : FromUtf8(text, charset);
    std::string s;
    if (converted) {
        s = std::move(*converted);
    } else {
        // Better a truthful label than damaged characters.
        s = text;
        charset = "UTF-8";
    }
    if (settings.Letter == '8') return s;

    std::array<bool, 256> needEncode{};
    for (int c = 0; c < 32; ++c) needEncode[c] = true;
    for (int c = 127; c < 256; ++c) needEncode[c] = true;
    for (char c : specials) needEncode[static_cast<unsigned char>(c)] = true;
    std::array<bool, 256> quoteSet = needEncode;
    quoteSet['='] = quoteSet['?'] = quoteSet['_'] = true;
    // Text that a reader might take for an encoded word, of any charset,
    // decodable or not, even broken by blanks, is itself encoded.
    if (const std::size_t at = text.find("=?");
        at != std::string_view::npos && text.find("?=", at + 2) != std::string_view::npos)
        needEncode['='] = true;

    std::string out;
    out.reserve(s.size() + 32);
    TEncodedWordWriter writer(out, charset, settings.Letter, quoteSet);
    constexpr std::size_t kNone = std::string::npos;
    std::size_t stretch = kNone;  // start of the open encoded stretch
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t q = pos;
        while (pos < s.size() && IsWhite(s[pos])) ++pos;
        std::size_t r = pos;
        bool needs = false;
        while (pos < s.size() && !IsWhite(s[pos]))
            needs = needEncode[static_cast<unsigned char>(s[pos++])] || needs;
        if (needs) {
            if (stretch == kNone) {
                out.append(s, q, r - q);
                stretch = r;
            }
        } else {
            if (stretch != kNone) {
                writer.Write(std::string_view(s).substr(stretch, q - stretch));
                stretch = kNone;
            }
            out.append(s, q, pos - q);
        }
    }
    if (stretch != kNone) writer.Write(std::string_view(s).substr(stretch));
    return out;
}
