#pragma once
// An address table in a temporary year folder, open through the data module.

#include <filesystem>
#include <memory>
#include <string>

#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "archive/TableFile.h"
#include "workflow/Contatto.h"

struct TTabellaDiProva {
    TTempDir dir;
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    std::shared_ptr<TTableFile> file;

    // `anno`: a year folder inside `dir`, which then stands as the data root.
    explicit TTabellaDiProva(const std::string& anno = "") {
        const std::filesystem::path cartella = dir.path() / anno;
        std::filesystem::create_directories(cartella);
        fdb.PuntaAlias("DBrivano10", anno.empty() ? dir.str() : cartella.string());
        fdb.CreaTabella("DBrivano10", "Rubrica.DB", DefinizioneRubrica);
        file = fdb.Session1.OpenTableFile("DBrivano10", "Rubrica.DB");
    }
};

inline brivano::TContatto Contatto(const std::string& azienda, const std::string& email,
                                   const std::string& citta = "", const std::string& tipo = "") {
    brivano::TContatto c;
    c[brivano::TCampo::Ragione_Sociale] = azienda;
    c[brivano::TCampo::EMail] = email;
    c[brivano::TCampo::Citta] = citta;
    c[brivano::TCampo::Tipo] = tipo;
    return c;
}
