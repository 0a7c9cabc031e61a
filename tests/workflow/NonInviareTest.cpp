// The do-not-mail list: matching on the normalised address, pasted lists,
// search, removal, persistence.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "workflow/NonInviare.h"

using namespace brivano;

TEST(NonInviareTest, AddressesMatchTrimmedAndWithoutCase) {
    TTempDir dir;
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    EXPECT_TRUE(elenco.Aggiungi("  Mario.Rossi@Esempio.IT \r"));
    EXPECT_FALSE(elenco.Aggiungi("mario.rossi@esempio.it"));
    EXPECT_FALSE(elenco.Aggiungi("   "));
    EXPECT_TRUE(elenco.Contiene("MARIO.ROSSI@esempio.it"));
    EXPECT_TRUE(elenco.Contiene("\tmario.rossi@esempio.it\n"));
    EXPECT_FALSE(elenco.Contiene("mario.rossi@esempio.com"));
    EXPECT_FALSE(elenco.Contiene(""));
    ASSERT_EQ(elenco.Elenco().size(), 1u);
    EXPECT_EQ(elenco.Elenco()[0].Indirizzo, "Mario.Rossi@Esempio.IT");
}

TEST(NonInviareTest, PastedLinesSearchRemoveAndKeepAcrossOpenings) {
    TTempDir dir;
    {
        TNonInviare elenco(PercorsoNonInviare(dir.str()));
        const TEsitoAggiunta esito =
            elenco.AggiungiTesto("b@b.it\r\n\r\n  a@a.it\nB@B.IT\rcittà@posta.it");
        EXPECT_EQ(esito.Aggiunti, 3);
        EXPECT_EQ(esito.GiaPresenti, 1);
    }
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    EXPECT_EQ(elenco.Testo(), "a@a.it\nb@b.it\ncittà@posta.it\n");
    const auto trovate = elenco.Cerca("CITTA");
    ASSERT_EQ(trovate.size(), 1u);
    EXPECT_EQ(trovate[0].Indirizzo, "città@posta.it");
    EXPECT_TRUE(elenco.Togli(" A@A.it"));
    EXPECT_FALSE(elenco.Togli("a@a.it"));
    EXPECT_EQ(elenco.Elenco().size(), 2u);
}

TEST(NonInviareTest, AFolderThatCannotHoldTheListIsAClearError) {
    TTempDir dir;
    EXPECT_THROW(TNonInviare(dir.path() / "manca" / FileNonInviare), ENonInviare);
}
