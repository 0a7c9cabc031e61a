#pragma once
// Byte-text helpers every layer shares: base64, hex digits, ASCII case
// folding and trimming. Texts are byte strings; only ASCII letters change
// case, every other byte passes through as it is.

#include <stdexcept>
#include <string>
#include <string_view>

namespace brivano {

// A text that is not base64 (RFC 4648 §4): the message says where and why.
class EBase64NonValido : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// The bytes in the standard alphabet, padded with "=" to whole groups of four.
std::string Base64Encode(std::string_view bytes);

// The bytes of a padded base64 text. Anything else — a character outside the
// alphabet, a length that is not a multiple of four, "=" before the end, bits
// left over in the padding — raises EBase64NonValido; nothing is guessed.
std::string Base64Decode(std::string_view text);

// "0123456789ABCDEF"[value & 15], or the lower-case digit.
char HexDigit(unsigned value);
char HexDigitLower(unsigned value);
// The value of a hex digit of either case; -1 for any other character.
int HexValue(char c);
// The byte as two hex digits appended to `out`.
void AppendHexByte(std::string& out, unsigned char byte);
void AppendHexByteLower(std::string& out, unsigned char byte);

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
std::string AsciiLowerCase(std::string_view text);
std::string AsciiUpperCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// "Blank" is a byte with code up to 32: spaces, TABs, CR, LF, other controls.
inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}
std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);
// Removes only spaces and TABs from both ends.
std::string_view SpaceTrim(std::string_view text);

}  // namespace brivano
