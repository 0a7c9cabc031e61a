#pragma once
// A data module after a clean start-up: configuration in a private home, the
// year 2010 below a temporary data root with both tables created, protected
// and bound.

#include <gtest/gtest.h>

#include <filesystem>
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
        ScriviReg(KeyBrivano, "PathDatiGen", root.str());
        ScriviReg(KeyBrivano, "AliasDB", Alias);
        ScriviReg(KeyBrivano, "Anno", "2010");
        ScriviReg(KeyBrivano, "DBBrivano", "Brivano.DB");
        ScriviReg(KeyBrivano, "DBRubrica", "Rubrica.DB");
        std::filesystem::create_directory(Cartella("2010"));
        fdb.PuntaAlias(Alias, Cartella("2010"));
        fdb.Session1.AddPassword(MasterPassword);
        fdb.CreaTabella(Alias, "Brivano.DB", DefinizioneDativo);
        fdb.CreaTabella(Alias, "Rubrica.DB", DefinizioneRubrica);
        fdb.LegaQuery(Alias);
        fdb.LegaTabella(fdb.T_Dativo, Alias, "Brivano.DB");
        fdb.LegaTabella(fdb.T_Rubrica, Alias, "Rubrica.DB");
        fdb.ProteggiTabella("Brivano.DB", MasterPassword, Cartella("2010"));
        fdb.ProteggiTabella("Rubrica.DB", MasterPassword, Cartella("2010"));
        boxes.boxes.clear();
    }

    std::string Cartella(const std::string& anno) const { return CartellaAnno(root.str(), anno); }
    std::string AliasPath() const { return fdb.Session1.AliasParams(Alias)["PATH"]; }
    static std::string Anno() { return LeggiReg(KeyBrivano, "Anno"); }

    static bool Protetta(const std::string& path) {
        auto file = TTableFile::Open(path);
        return file->IsProtected() && file->Accepts(MasterPassword);
    }
    static size_t Righe(const std::string& path) { return TTableFile::Open(path)->RowIds().size(); }

    void AggiungiContatto(const std::string& nome) {
        fdb.T_Rubrica.Open();
        fdb.T_Rubrica.Append();
        fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", nome);
        fdb.T_Rubrica.Post();
    }

    // The state that must survive a refused or cancelled command.
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

inline const std::vector<std::string> MessaggiTabelleCreate = {
    "Archivio Dati - Assente - Premere OK per Crearlo",
    "Archivio Brivano.DB Creato",
    "Archivio Rubrica- Assente - Premere OK per Crearlo",
    "Archivio Rubrica.DB Creato",
};
