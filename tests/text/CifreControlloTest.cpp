// Italian identifiers: valid and invalid samples of each, with the check
// character worked out by hand.
#include <gtest/gtest.h>

#include "text/CifreControllo.h"

using namespace brivano;

namespace {

struct TCaso {
    const char* Testo;
    bool Valido;
};

}  // namespace

TEST(CifreControlloTest, PartitaIva) {
    const TCaso casi[] = {
        {"01234567897", true},    {"12345678903", true},
        {"IT 00743110157", true}, {"", true},
        {"01234567890", false},   {"12345678901", false},
        {"1234567890", false},    {"123456789033", false},
        {"1234567890A", false},   {"00000000000", false},
        {"it00743110158", false},
    };
    for (const TCaso& c : casi) EXPECT_EQ(ErrorePartitaIva(c.Testo).empty(), c.Valido) << c.Testo;
    EXPECT_EQ(FormaPartitaIva(" it 0074311 0157"), "00743110157");
}

TEST(CifreControlloTest, CodiceFiscaleDiPersoneConOmocodiaEDiSocieta) {
    const TCaso casi[] = {
        {"RSSMRA85T10A562S", true},  {"rssmra85t10a562s", true},
        {"BNCLRA90A41H501F", true},   // a woman: day plus 40
        {"RSSMRA85T10A56NH", true},   // omocodia on the last digit
        {"RSSMRAURTMLARSNL", true},   // every digit swapped
        {"01234567897", true},        // a company
        {"RSSMRA85T10A562T", false},  // wrong check letter
        {"RSSMRA85Z10A562S", false},  // no such month
        {"RSSMRA85T35A562S", false},  // no such day
        {"RSSMRA85T10A56WS", false},  // W is no omocodia letter
        {"RSSMR185T10A562S", false},  // digit among the name letters
        {"RSSMRA85T10A562", false},   // short
        {"01234567890", false},       // company, wrong check digit
    };
    for (const TCaso& c : casi)
        EXPECT_EQ(ErroreCodiceFiscale(c.Testo).empty(), c.Valido) << c.Testo;
}

TEST(CifreControlloTest, CodiceSdi) {
    const TCaso casi[] = {{"0000000", true}, {"m5uxcr1", true},   {"", true},
                          {"ABC12", false},  {"ABCD1234", false}, {"ABC-123", false}};
    for (const TCaso& c : casi) EXPECT_EQ(ErroreCodiceSdi(c.Testo).empty(), c.Valido) << c.Testo;
}
