// A file's name as an RFC 2231 parameter: plain, with accents, and cut into
// continuations that keep every line within 78 octets without splitting an
// encoded byte.

#include <gtest/gtest.h>

#include "mailing/CorpoMisto.h"

namespace {

TEST(CorpoMisto, FileNamesGoAsExtendedParametersInShortLines) {
    struct Caso {
        std::string nome;
        std::string atteso;
    };
    const std::vector<Caso> casi = {
        {"fattura.pdf", ";\r\n filename*=UTF-8''fattura.pdf"},
        {"Città è 1.pdf", ";\r\n filename*=UTF-8''Citt%C3%A0%20%C3%A8%201.pdf"},
        {"a\"b;c\r\n.pdf", ";\r\n filename*=UTF-8''a%22b%3Bc%0D%0A.pdf"},
    };
    for (const auto& c : casi) EXPECT_EQ(brivano::ParametroEsteso("filename", c.nome), c.atteso);

    const std::string lungo(40, 'a');
    const std::string accenti = "èèèèèèèèèèèèèèèèèèèè";  // each "%C3%A8" once encoded
    const std::string parametro = brivano::ParametroEsteso("filename", lungo + accenti + ".pdf");
    std::string ricomposto;
    std::size_t pezzi = 0;
    for (std::size_t inizio = 4, fine; inizio < parametro.size(); inizio = fine + 4) {
        fine = parametro.find(";\r\n ", inizio);
        if (fine == std::string::npos) fine = parametro.size();
        const std::string riga = parametro.substr(inizio, fine - inizio);
        EXPECT_LE(riga.size() + 1, 78u) << riga;
        const std::string testa = "filename*" + std::to_string(pezzi) + "*=";
        ASSERT_EQ(riga.rfind(testa, 0), 0u) << riga;
        std::string valore = riga.substr(testa.size());
        if (pezzi == 0) valore.erase(0, 7);  // UTF-8''
        const std::size_t ultimo = valore.rfind('%');
        EXPECT_TRUE(ultimo == std::string::npos || ultimo + 3 <= valore.size()) << riga;
        ricomposto += valore;
        ++pezzi;
    }
    EXPECT_GE(pezzi, 2u);
    std::string atteso = lungo;
    for (int i = 0; i < 20; ++i) atteso += "%C3%A8";
    EXPECT_EQ(ricomposto, atteso + ".pdf");
}

}  // namespace
