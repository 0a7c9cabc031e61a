// The one normal form addresses are compared by.
#include <gtest/gtest.h>

#include "workflow/FormaIndirizzo.h"

using namespace brivano;

TEST(FormaIndirizzo, EveryFormOfAnAddressReadsAsOne) {
    struct TCaso {
        const char* Testo;
        const char* Normale;
    };
    const TCaso casi[] = {
        {"anna@example.it", "anna@example.it"},
        {"  Anna@Example.IT \r\n", "anna@example.it"},
        {"Anna Rossi <anna@example.it>", "anna@example.it"},
        {"\"Rossi, Anna\" <ANNA@example.it>", "anna@example.it"},
        {"<bruno@example.it>", "bruno@example.it"},
        {"carla@example.it.", "carla@example.it"},
        {"carla@EXAMPLE.it..", "carla@example.it"},
        {"dario@example.it (Dario)", "dario@example.it"},
        {"elena@Città.example", "elena@xn--citt-3na.example"},
        {"elena@CITTÀ.example.", "elena@xn--citt-3na.example"},
        {"\"a b\"@example.it", "\"a b\"@example.it"},
    };
    for (const TCaso& c : casi) {
        const TFormaIndirizzo forma = FormaIndirizzo(c.Testo);
        EXPECT_TRUE(forma.Valida()) << c.Testo << ": " << forma.Errore;
        EXPECT_EQ(forma.Normale, c.Normale) << c.Testo;
        EXPECT_EQ(ChiaveIndirizzo(c.Testo), c.Normale) << c.Testo;
    }
}

TEST(FormaIndirizzo, WhatIsNoAddressIsRefusedWithAReason) {
    struct TCaso {
        const char* Testo;
        const char* Motivo;  // a part of the message
    };
    const TCaso casi[] = {
        {"", "vuoto"},
        {"Anna Rossi <>", "vuoto"},
        {"senza-chiocciola.it", "non è un indirizzo"},
        {"@example.it", "non è un indirizzo"},
        {"anna@", "non è un indirizzo"},
        {"anna@.", "dominio"},
        {"anna@example..it", "dominio"},
        {"an na@example.it", "non è un indirizzo"},
        {"a@b.it, c@d.it", "non è un indirizzo"},
        {"città@posta.it", "SMTPUTF8"},
        {"Città <città@posta.it>", "SMTPUTF8"},
    };
    for (const TCaso& c : casi) {
        const TFormaIndirizzo forma = FormaIndirizzo(c.Testo);
        EXPECT_FALSE(forma.Valida()) << c.Testo;
        EXPECT_TRUE(forma.Normale.empty()) << c.Testo;
        EXPECT_NE(forma.Errore.find(c.Motivo), std::string::npos)
            << c.Testo << ": " << forma.Errore;
    }
    EXPECT_NE(ErroreNonAscii("Città <città@posta.it>").find("SMTPUTF8"), std::string::npos);
    EXPECT_EQ(ErroreNonAscii("anna@città.it"), "");
    EXPECT_EQ(ErroreNonAscii("senza chiocciola"), "");
    // What does not parse still matches itself, trimmed and without case.
    EXPECT_EQ(ChiaveIndirizzo(" Città@Posta.it "), ChiaveIndirizzo("città@posta.it"));
}
