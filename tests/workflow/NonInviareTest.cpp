// The do-not-mail list: matching on the normalised address, pasted lists,
// search, removal, persistence.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "basedati/BaseDati.h"
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

TEST(NonInviareTest, EveryFormOfAListedAddressIsLeftOut) {
    TTempDir dir;
    TNonInviare elenco(PercorsoNonInviare(dir.str()));
    for (const char* messo : {"Anna Rossi <anna@example.it>", "<bruno@example.it>",
                              "carla@example.it.", "dario@Città.example"})
        EXPECT_TRUE(elenco.Aggiungi(messo)) << messo;
    const char* forme[] = {
        "anna@example.it",         "ANNA@Example.IT",    "<anna@example.it>",
        "Anna <anna@example.it.>", "bruno@example.it",   "Bruno <BRUNO@example.it>",
        "carla@example.it",        "carla@EXAMPLE.IT..", "dario@xn--citt-3na.example",
        "dario@CITTÀ.example"};
    for (const char* forma : forme) {
        EXPECT_TRUE(elenco.Contiene(forma)) << forma;
        EXPECT_EQ(Esclusioni({forma}, &elenco),
                  std::vector<TMotivoEsclusione>{TMotivoEsclusione::NonInviare})
            << forma;
    }
    EXPECT_FALSE(elenco.Contiene("anna@example.com"));
    // Adding another form of a listed address says it is there.
    const TEsitoAggiunta esito = elenco.AggiungiTesto("ANNA@example.it\nelena@example.it");
    EXPECT_EQ(esito.Aggiunti, 1);
    EXPECT_EQ(esito.Presenti, std::vector<std::string>{"ANNA@example.it"});
    EXPECT_EQ(elenco.Elenco().front().Normale, "anna@example.it");
    // The same address three times in a picked list goes once.
    EXPECT_EQ(
        Esclusioni({"f@x.it", "F@X.IT", "Franco <f@x.it.>"}, &elenco),
        (std::vector<TMotivoEsclusione>{TMotivoEsclusione::Nessuno, TMotivoEsclusione::Doppione,
                                        TMotivoEsclusione::Doppione}));
}

TEST(NonInviareTest, AnOlderListIsKeyedAnewWithoutLosingARow) {
    TTempDir dir;
    const auto file = PercorsoNonInviare(dir.str());
    {
        TOpzioniBaseDati opzioni;
        opzioni.Crea = true;
        TBaseDati db(file, opzioni);
        db.Esegui(
            "CREATE TABLE non_inviare (normalizzato TEXT PRIMARY KEY, indirizzo TEXT NOT NULL, "
            "aggiunto TEXT NOT NULL);"
            "INSERT INTO non_inviare VALUES ('anna rossi <anna@example.it>', "
            "'Anna Rossi <anna@example.it>', '2026-01-02 10:00:00');"
            "INSERT INTO non_inviare VALUES ('anna@example.it', 'anna@example.it', "
            "'2026-01-03 10:00:00');"
            "INSERT INTO non_inviare VALUES ('bruno@example.it.', 'bruno@example.it.', "
            "'2026-01-04 10:00:00')");
    }
    for (int apertura = 0; apertura < 2; ++apertura) {
        TNonInviare elenco(file);
        const auto voci = elenco.Elenco();
        ASSERT_EQ(voci.size(), 3u);
        EXPECT_EQ(voci[0].Indirizzo, "Anna Rossi <anna@example.it>");
        EXPECT_EQ(voci[0].Aggiunto, "2026-01-02 10:00:00");
        EXPECT_EQ(voci[2].Normale, "bruno@example.it");
        EXPECT_TRUE(elenco.Contiene("bruno@example.it"));
        EXPECT_FALSE(elenco.Aggiungi("Anna <anna@example.it>"));
    }
    TNonInviare elenco(file);
    EXPECT_TRUE(elenco.Togli("anna@example.it"));
    EXPECT_EQ(elenco.Elenco().size(), 1u);
}
