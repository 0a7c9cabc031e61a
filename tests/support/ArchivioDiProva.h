#pragma once
// A data module after a clean start-up: configuration in a private home, the
// year 2010 below a temporary data root, both tables created, protected, bound.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"

inline constexpr const char* Alias = "DBrivano10";

class ArchivioDiProva : public ::testing::Test {
  protected:
    void SetUp() override {
        for (auto [name, value] : {std::pair{"PathDatiGen", root.str()},
                                   {"AliasDB", Alias},
                                   {"Anno", "2010"},
                                   {"DBBrivano", "Brivano.DB"},
                                   {"DBRubrica", "Rubrica.DB"}})
            ScriviReg(KeyBrivano, name, value);
        std::filesystem::create_directory(Cartella("2010"));
        fdb.PuntaAlias(Alias, Cartella("2010"));
        fdb.Session1.AddPassword(MasterPassword);
        fdb.CreaTabella(Alias, "Brivano.DB", DefinizioneDativo);
        fdb.CreaTabella(Alias, "Rubrica.DB", DefinizioneRubrica);
        fdb.LegaTabella(fdb.T_Rubrica, Alias, "Rubrica.DB");
        boxes.boxes.clear();
    }

    std::string Cartella(const std::string& anno) const { return CartellaAnno(root.str(), anno); }
    std::string AliasPath() const { return fdb.Session1.AliasParams(Alias)["PATH"]; }
    static std::string Anno() { return LeggiReg(KeyBrivano, "Anno"); }
    static size_t Righe(const std::string& path) { return TTableFile::Open(path)->RowIds().size(); }

    void Nuovo(const std::string& nome) {
        fdb.T_Rubrica.Open();
        fdb.T_Rubrica.Append();
        fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", nome);
    }

    // What a refused or cancelled command must leave as it was.
    void ExpectUnchanged() const {
        EXPECT_EQ(Anno(), "2010");
        EXPECT_EQ(AliasPath(), Cartella("2010"));
        EXPECT_TRUE(shown.empty());
    }

    TScopedXdgHome home;
    TTempDir root;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    std::vector<std::string> shown;  // texts given to the main window's year display
};
