// The files of one entry: the pattern filled from its fields (never leaving
// its folder), and what a resend finds changed.

#include <gtest/gtest.h>

#include "workflow/Allegati.h"

namespace {

using brivano::TFileAllegato;

TEST(Allegati, ThePatternTakesEachValueAsOneFileNameOnly) {
    struct Caso {
        std::string modello;
        brivano::TCampiContatto campi;
        std::string percorso;  // empty: refused
        std::string motivo;
    };
    const std::vector<Caso> casi = {
        {"fatture/{{Ragione_Sociale}}.pdf",
         {{"Ragione_Sociale", "Rossi & C."}},
         "/base/fatture/Rossi & C..pdf",
         ""},
        {"/srv/{{Città}}/offerta.pdf", {{"Citta", "Forlì"}}, "/srv/Forlì/offerta.pdf", ""},
        {"{{Citta|generale}}.pdf", {}, "/base/generale.pdf", ""},
        {"fatture/{{Ragione_Sociale}}.pdf",
         {{"Ragione_Sociale", "../../etc/passwd"}},
         "",
         "il campo Ragione_Sociale («../../etc/passwd») indicherebbe un'altra cartella"},
        {"fatture/{{Ragione_Sociale}}",
         {{"Ragione_Sociale", ".."}},
         "",
         "il campo Ragione_Sociale («..») indicherebbe un'altra cartella"},
        {"fatture/{{Ragione_Sociale}}/",
         {{"Ragione_Sociale", "x"}},
         "",
         "il modello «fatture/{{Ragione_Sociale}}/» non dà un nome di file per questo "
         "destinatario"},
    };
    for (const auto& c : casi) {
        std::string motivo;
        EXPECT_EQ(brivano::PercorsoDaModello(c.modello, c.campi, "/base", motivo).string(),
                  c.percorso)
            << c.modello;
        EXPECT_EQ(motivo, c.motivo);
    }
    std::string motivo;
    EXPECT_THROW(brivano::PercorsoDaModello("{{PartitaIva}}.pdf", {}, "/base", motivo),
                 brivano::ECampoSconosciuto);
}

TEST(Allegati, AResendNamesEachFileThatChangedWentOrCame) {
    const TFileAllegato a{"/d/a.pdf", "a.pdf", 3, "aaa"};
    const TFileAllegato b{"/d/b.pdf", "b.pdf", 3, "bbb"};
    TFileAllegato bNuovo = b;
    bNuovo.Sha256 = "ccc";
    const TFileAllegato c{"/d/c.pdf", "c.pdf", 3, "ccc"};
    EXPECT_EQ(brivano::FileCambiati({a, b}, {a, b}), "");
    EXPECT_EQ(brivano::FileCambiati({a, b}, {a, bNuovo}), "b.pdf è cambiato");
    EXPECT_EQ(brivano::FileCambiati({a, b}, {b, c}),
              "a.pdf non è più tra gli allegati; c.pdf non c'era nel primo invio");
}

}  // namespace
