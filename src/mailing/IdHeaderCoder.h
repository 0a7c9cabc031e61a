#pragma once
// Encoded words in header texts (RFC 2047 §2): "=?" charset "?" Q or B "?"
// text "?=", at most 75 characters each, e.g. "=?ISO-8859-1?Q?Caff=E8?=".
// Texts inside the program are UTF-8; here they become the 8-bit charset the
// encoded words are labelled with.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

enum class TTransfer { bit7, bit8, iso2022jp };

// How header texts are written: transfer mode, encoding letter ('Q', 'B', or
// '8' for "leave unencoded") and charset label.
struct TIdHeaderSettings {
    TTransfer Transfer = TTransfer::bit8;
    char Letter = 'B';
    std::string Charset;
};

// May change any of the three values chosen from the locale.
using TIdInitializeISOEvent = std::function<void(TTransfer&, char&, std::string&)>;

// The charset of the user's locale language (LC_ALL, LC_CTYPE, LANG, first set).
std::string DefaultCharsetForLocale();

TIdHeaderSettings ChooseHeaderCharset(const TIdInitializeISOEvent& onInitializeISO = {});

// The text with encoded words where needed. `specials` are further characters
// that make a word need encoding. A text the charset cannot represent is
// encoded as UTF-8 and labelled so.
std::string EncodeWords(std::string_view text, std::string_view specials,
                        const TIdHeaderSettings& settings);

// The text with its encoded words decoded to UTF-8 (bytes of an unknown
// charset stay as decoded) and NUL characters removed.
std::string DecodeWords(std::string_view text);

namespace brivano {

// The UTF-8 text in the named charset; nullopt when the text is not UTF-8 or
// holds characters the charset cannot represent.
std::optional<std::string> FromUtf8(std::string_view text, std::string_view charset);

// Bytes of the named charset as UTF-8; nullopt when they cannot be converted.
std::optional<std::string> ToUtf8(std::string_view bytes, std::string_view charset);

// One encoded word "=?charset?letter?text?=" of any charset as UTF-8;
// nullopt when it is not one, or when its bytes are not whole characters of
// its charset (RFC 2047 §5 wants every word to decode on its own).
std::optional<std::string> DecodeEncodedWord(std::string_view word);

// A header value as a reader sees it: folds undone, every encoded word that
// decodes on its own decoded, white space between two of them dropped.
std::string DecodeHeaderForReading(std::string_view value);

// The UTF-8 text as ISO-2022-JP, half-width katakana made full-width first;
// nullopt when it holds ESC, SO or SI, which that charset can only read as
// switches.
std::optional<std::string> ToIso2022Jp(std::string_view text);

// Half-width katakana replaced by their full-width forms, a following voiced
// or semi-voiced sound mark merged where JIS X 0208 has the combined form.
std::string WidenKatakana(std::string_view text);

}  // namespace brivano
