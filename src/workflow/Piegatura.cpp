#include "workflow/Piegatura.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "text/Testo.h"

namespace brivano {

namespace {

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &len, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error("testo non convertibile");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

std::string ToUtf8(std::u16string_view utf16) {
    std::string out(utf16.size() * 3 + 1, '\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &len, utf16.data(),
                static_cast<int32_t>(utf16.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("testo non convertibile");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

std::u16string FoldCase(const std::u16string& text) {
    // Full folding may grow a text ("ß" -> "ss"): twice the length is enough.
    std::u16string out(text.size() * 3 + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t len =
        u_strFoldCase(out.data(), static_cast<int32_t>(out.size()), text.data(),
                      static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) throw std::runtime_error("testo non convertibile");
    out.resize(static_cast<std::size_t>(len));
    return out;
}

bool Ascii(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

// Every step through ICU: case folding, decomposition, marks dropped.
std::string PiegaCompleta(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status)) throw std::runtime_error("normalizzazione Unicode non disponibile");
    const std::u16string folded = FoldCase(ToUtf16(utf8));
    std::u16string decomposed(folded.size() * 4 + 4, u'\0');
    const int32_t len =
        unorm2_normalize(nfd, folded.data(), static_cast<int32_t>(folded.size()), decomposed.data(),
                         static_cast<int32_t>(decomposed.size()), &status);
    if (U_FAILURE(status)) throw std::runtime_error("testo non normalizzabile");
    decomposed.resize(static_cast<std::size_t>(len));
    // Dropping the combining marks leaves the base letters.
    std::u16string base;
    base.reserve(decomposed.size());
    for (std::size_t i = 0; i < decomposed.size();) {
        UChar32 c = 0;
        U16_NEXT(decomposed.data(), i, decomposed.size(), c);
        if (u_charType(c) == U_NON_SPACING_MARK) continue;
        if (c <= 0xFFFF) {
            base.push_back(static_cast<char16_t>(c));
        } else {
            base.push_back(static_cast<char16_t>(U16_LEAD(c)));
            base.push_back(static_cast<char16_t>(U16_TRAIL(c)));
        }
    }
    return ToUtf8(base);
}

// The folded form of each character from U+0080 to U+00FF, made once by the
// full folding: Italian (and most Western) text needs nothing else, and one
// character of this range folds the same alone as within any text of them.
const std::array<std::string, 128>& PiegatiLatin1() {
    static const std::array<std::string, 128> piegati = [] {
        std::array<std::string, 128> t;
        for (unsigned c = 0x80; c <= 0xFF; ++c) {
            const char utf8[2] = {static_cast<char>(0xC0 | (c >> 6)),
                                  static_cast<char>(0x80 | (c & 0x3F))};
            t[c - 0x80] = PiegaCompleta(std::string_view(utf8, 2));
        }
        return t;
    }();
    return piegati;
}

}  // namespace

void AggiungiPiegato(std::string& destinazione, std::string_view utf8) {
    const std::size_t inizio = destinazione.size();
    const std::array<std::string, 128>& latin1 = PiegatiLatin1();
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // A run of ASCII goes in one piece, lowered in place.
        std::size_t fine = i;
        while (fine < utf8.size() && static_cast<unsigned char>(utf8[fine]) < 0x80) ++fine;
        if (fine > i) {
            const std::size_t dove = destinazione.size();
            destinazione.append(utf8.data() + i, fine - i);
            for (std::size_t k = dove; k < destinazione.size(); ++k)
                destinazione[k] = AsciiLower(destinazione[k]);
            i = fine - 1;
            continue;
        }
        const auto c = static_cast<unsigned char>(utf8[i]);
        const auto dopo = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0U;
        if ((c == 0xC2 || c == 0xC3) && (dopo & 0xC0) == 0x80) {
            destinazione += latin1[((c & 0x03U) << 6 | (dopo & 0x3FU)) - 0x80];
            ++i;
            continue;
        }
        // Anything else (other scripts, combining marks, broken bytes) takes
        // the full folding, over the whole text.
        destinazione.resize(inizio);
        destinazione += PiegaCompleta(utf8);
        return;
    }
}

std::string Piega(std::string_view utf8) {
    std::string piegato;
    piegato.reserve(utf8.size());
    AggiungiPiegato(piegato, utf8);
    return piegato;
}

std::string NormalizzaIndirizzo(std::string_view indirizzo) {
    const std::string_view trimmed = Trim(indirizzo);
    if (Ascii(trimmed)) {
        return AsciiLowerCase(trimmed);
    }
    return ToUtf8(FoldCase(ToUtf16(trimmed)));
}

std::size_t Caratteri(std::string_view utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

bool UTF8Valido(std::string_view bytes) {
    const auto* s = reinterpret_cast<const uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    constexpr std::uint64_t kBitAlti = 0x8080808080808080ULL;
    std::size_t i = 0;
    while (i < n) {
        // Runs of plain ASCII, most of any Western text, pass eight bytes at a time.
        if (n - i >= 8) {
            std::uint64_t parola = 0;
            std::memcpy(&parola, s + i, 8);
            if ((parola & kBitAlti) == 0) {
                i += 8;
                continue;
            }
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        // One sequence, at most four bytes long.
        const auto resto = static_cast<int32_t>(std::min<std::size_t>(n - i, 4));
        int32_t k = 0;
        UChar32 c = 0;
        U8_NEXT(s + i, k, resto, c);
        if (c < 0) return false;
        i += static_cast<std::size_t>(k);
    }
    return true;
}

}  // namespace brivano
