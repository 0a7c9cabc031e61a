// Merging duplicate contacts field by field, and duplicates across years.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TabellaDiProva.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Duplicati.h"
#include "workflow/DuplicatiAnni.h"
#include "workflow/Esportazione.h"
#include "workflow/ScambioRegistro.h"
#include "workflow/UnioneDoppi.h"

using namespace brivano;

namespace {

// Written as they are: the import would leave a second same address out.
void Scrivi(TTableFile& file, const std::vector<TContatto>& contatti) {
    for (const TContatto& c : contatti)
        file.Insert(RigaDaContatto(c, file.Columns().size(), ColonneContatto(file)));
}

TContatto Pieno(const std::string& azienda, const std::string& email, const std::string& citta,
                const std::string& cap, const std::string& note) {
    TContatto c = Contatto(azienda, email, citta, "Cliente");
    c[TCampo::Cap] = cap;
    c[TCampo::Note] = note;
    return c;
}

TVoceRegistro Voce(const std::string& indirizzo, TBaseGiuridica base, const std::string& piva,
                   const std::string& opposizione = "") {
    TVoceRegistro v{indirizzo};
    v.Base = base;
    v.PartitaIva = piva;
    v.DataOpposizione = opposizione;
    v.Fonte = "fonte di " + indirizzo;
    return v;
}

std::size_t Campo(TCampo c) {
    return static_cast<std::size_t>(c);
}
std::size_t Campo(TCampoRegistro c) {
    return NumeroCampi + static_cast<std::size_t>(c) - 1;
}

}  // namespace

TEST(UnioneDoppiTest, KeepsEveryChosenFieldAndLosesNothingElse) {
    const std::vector<TContatto> gruppo = {
        Pieno("Rossi S.r.l.", "info@rossi.it", "Forlì", "", "prima nota"),
        Pieno("ROSSI srl", "Info@Rossi.it", "Cesena", "47521", ""),
        Pieno("Rossi srl", "amm@rossi.it", "", "47121", "terza nota")};
    struct TCaso {
        const char* nome;
        std::size_t resta;
        std::vector<std::pair<std::size_t, std::size_t>> scelte;  // field, contact
    };
    const TCaso casi[] = {
        {"the first stays and fills its gaps", 0, {}},
        {"the second stays, city and note of the first",
         1,
         {{Campo(TCampo::Citta), 0}, {Campo(TCampo::Note), 0}}},
        {"the third's address with the basis and P.IVA of others",
         2,
         {{Campo(TCampo::EMail), 2},
          {Campo(TCampoRegistro::Base), 1},
          {Campo(TCampoRegistro::PartitaIva), 0},
          {Campo(TCampoRegistro::Fonte), 1}}},
    };
    for (const TCaso& caso : casi) {
        SCOPED_TRACE(caso.nome);
        TTabellaDiProva t;
        TTempDir radice;
        TRegistroContatti registro(PercorsoRegistroContatti(radice.path()));
        registro.Scrivi(Voce("info@rossi.it", TBaseGiuridica::Consenso, "01234567897"));
        registro.Scrivi(Voce("amm@rossi.it", TBaseGiuridica::Contratto, "", "2025-03-01"));
        std::vector<TContatto> tutti = gruppo;
        tutti.push_back(Pieno("Verdi", "v@verdi.it", "Asti", "14100", ""));
        Scrivi(*t.file, tutti);
        const std::vector<TContatto> prima = LeggiContatti(*t.file);

        std::vector<long long> righe;
        for (const TContatto& c : prima)
            if (c[TCampo::Ragione_Sociale] != "Verdi") righe.push_back(c.OrdNum);
        // The group is found by its folded name.
        const auto gruppi = TrovaDuplicati(prima, &registro);
        ASSERT_FALSE(gruppi.empty());
        EXPECT_EQ(gruppi.back().Motivo, TMotivoDoppio::RagioneSociale);
        EXPECT_EQ(gruppi.back().Contatti.size(), 3u);

        TUnione unione = PreparaUnione(*t.file, &registro, righe);
        CambiaResta(unione, caso.resta);
        for (const auto& [campo, da] : caso.scelte) unione.Scelte[campo] = da;
        EXPECT_TRUE(InConflitto(unione, Campo(TCampo::Citta)));
        EXPECT_FALSE(InConflitto(unione, Campo(TCampo::Tipo)));
        const TUnione scelta = unione;
        const TEsitoUnione esito = EseguiUnione(*t.file, registro, unione);

        const std::vector<TContatto> dopo = LeggiContatti(*t.file);
        ASSERT_EQ(dopo.size(), prima.size() - 2);
        const auto resta = std::find_if(dopo.begin(), dopo.end(), [&](const TContatto& c) {
            return c.OrdNum == scelta.Doppi[caso.resta].Contatto.OrdNum;
        });
        ASSERT_NE(resta, dopo.end());
        for (std::size_t campo = 0; campo < NumeroCampi; ++campo) {
            SCOPED_TRACE(NomeCampoUnione(campo));
            const std::string atteso = ValoreCampo(scelta.Doppi[scelta.Scelte[campo]], campo);
            EXPECT_EQ((*resta)[TuttiCampi[campo]], atteso);
            // No value some contact had is dropped for an empty one.
            if (atteso.empty()) {
                for (const TDoppio& d : scelta.Doppi) EXPECT_EQ(ValoreCampo(d, campo), "");
            }
        }
        // The other contact is untouched.
        EXPECT_TRUE(std::any_of(dopo.begin(), dopo.end(),
                                [&](const TContatto& c) { return c.StessiValori(tutti.back()); }));

        ASSERT_TRUE(esito.Voce);
        const auto voce = registro.Leggi((*resta)[TCampo::EMail]);
        ASSERT_TRUE(voce);
        for (std::size_t campo = NumeroCampi; campo < NumeroCampiUnione; ++campo) {
            SCOPED_TRACE(NomeCampoUnione(campo));
            const std::string atteso = ValoreCampo(scelta.Doppi[scelta.Scelte[campo]], campo);
            if (campo == Campo(TCampoRegistro::DataOpposizione) &&
                (*resta)[TCampo::EMail] == "amm@rossi.it") {
                EXPECT_EQ(voce->DataOpposizione, "2025-03-01");  // an objection stands
            } else {
                EXPECT_EQ(ValoreCampo({*resta, voce}, campo), atteso);
            }
        }
        // The entries of the addresses that went stay as proof.
        EXPECT_TRUE(registro.Leggi("info@rossi.it"));
        EXPECT_EQ(registro.Leggi("amm@rossi.it")->DataOpposizione, "2025-03-01");
    }
}

TEST(UnioneDoppiTest, AContactChangedMeanwhileStopsTheMergeWithNothingWritten) {
    TTabellaDiProva t;
    TTempDir radice;
    TRegistroContatti registro(PercorsoRegistroContatti(radice.path()));
    Scrivi(*t.file, {Contatto("Alfa", "a@a.it"), Contatto("ALFA", "b@a.it")});
    const std::vector<TContatto> prima = LeggiContatti(*t.file);
    TUnione unione = PreparaUnione(*t.file, &registro, {prima[0].OrdNum, prima[1].OrdNum});
    unione.Scelte[Campo(TCampo::EMail)] = 1;

    TContatto cambiato = prima[1];
    cambiato[TCampo::Citta] = "Bra";
    t.file->Update(cambiato.OrdNum,
                   RigaDaContatto(cambiato, t.file->Columns().size(), ColonneContatto(*t.file)));
    EXPECT_THROW(EseguiUnione(*t.file, registro, unione), EUnioneDoppi);
    EXPECT_EQ(t.file->RowCount(), 2u);
    EXPECT_FALSE(registro.Leggi("b@a.it"));

    t.file->Remove(cambiato.OrdNum);
    EXPECT_THROW(PreparaUnione(*t.file, &registro, {prima[0].OrdNum, prima[1].OrdNum}),
                 EUnioneDoppi);
}

TEST(UnioneDoppiTest, AcrossYearsUnchangedCopiesAreOneContactWithTheirYears) {
    const TContatto alfa = Contatto("Alfa srl", "a@a.it", "Asti");
    TContatto alfaNuova = alfa;
    alfaNuova[TCampo::Citta] = "Alba";
    const TContatto beta = Contatto("Beta", "b@b.it");
    const auto gruppi = TrovaDuplicatiAnni(
        {{"2023", {alfa, beta}}, {"2024", {alfa, beta}}, {"2025", {alfaNuova, beta}}}, nullptr);
    ASSERT_EQ(gruppi.size(), 2u);  // by address and by name, Beta in none
    for (const TGruppoDoppiAnni& g : gruppi) {
        ASSERT_EQ(g.Contatti.size(), 2u);
        EXPECT_EQ(g.Contatti[0].Anni, (std::vector<std::string>{"2023", "2024"}));
        EXPECT_EQ(g.Contatti[1].Anni, (std::vector<std::string>{"2025"}));
    }

    TTempDir dir;
    for (const char* anno : {"2023", "2025", "2024"}) {
        std::filesystem::create_directory(dir.path() / (std::string("dati") + anno));
        ScriviFile(dir.path() / (std::string("dati") + anno) / "Rubrica.DB", "");
    }
    std::filesystem::create_directory(dir.path() / "dati2026");  // no table
    EXPECT_EQ(AnniConRubrica((dir.path() / "dati").string(), "Rubrica.DB"),
              (std::vector<std::string>{"2023", "2024", "2025"}));
}
