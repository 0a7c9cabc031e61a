#include "archive/F_DB.h"

#include <sqlite3.h>

#include <ctime>
#include <filesystem>
#include <random>

#include "archive/ArchiveError.h"
#include "archive/FolderConnection.h"
#include "archive/SqlStatement.h"
#include "archive/TableFile.h"
#include "config/F_Conf.h"
#include "text/Testo.h"

std::string CartellaAnno(const std::string& pathDatiGen, const std::string& anno) {
    return pathDatiGen + anno + "/";
}

namespace {

std::string TipoColonna(const TColumnDef& c) {
    switch (c.kind) {
        case TColumnKind::AutoInc:
            return "AUTOINC";
        case TColumnKind::Char:
            return "CHAR(" + std::to_string(c.size) + ")";
        case TColumnKind::Memo:
            break;
    }
    return "BLOB";
}

std::string DescriviColonne(const std::vector<TColumnDef>& colonne) {
    std::string testo;
    for (const TColumnDef& c : colonne)
        testo += (testo.empty() ? "" : ", ") + c.name + " " + TipoColonna(c);
    return testo;
}

bool StesseColonne(const std::vector<TColumnDef>& a, const std::vector<TColumnDef>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (brivano::AsciiUpperCase(a[i].name) != brivano::AsciiUpperCase(b[i].name) ||
            TipoColonna(a[i]) != TipoColonna(b[i]))
            return false;
    return true;
}

}  // namespace

TEsameTabella EsaminaTabella(const std::string& cartella, const std::string& fileName,
                             const std::string& definizione) {
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::path(cartella) / fileName;
    if (!std::filesystem::exists(file, ec)) return {};
    if (!std::filesystem::is_regular_file(file, ec)) return {"non è un file"};
    const std::vector<TColumnDef> attese =
        ParseSql("CREATE TABLE \"" + fileName + "\" " + definizione).create.columns;
    std::shared_ptr<TTableFile> tabella;
    std::vector<TColumnDef> trovate;
    try {
        tabella = TTableFile::Open(file);
        trovate = tabella->Columns();
    } catch (const EArchiveError&) {
        return {"non è un archivio di questo programma"};
    }
    if (!StesseColonne(attese, trovate))
        return {"ha le colonne " + DescriviColonne(trovate) + " invece di " +
                DescriviColonne(attese)};
    TEsameTabella esame;
    try {
        esame.NonProtetta = IsTableFileName(fileName) && !tabella->IsProtected();
    } catch (const EArchiveError&) {
        // Its first use reports it.
    }
    return esame;
}

TFDB::TFDB(TMessageBoxes& boxes)
    : Session1("Session1"), QGEN(Session1), T_Rubrica(Session1), T_Dativo(Session1), boxes_(boxes) {
    if (sqlite3_initialize() != SQLITE_OK) throw EArchiveError("The database engine cannot start");
    Session1.Open();
}

void TFDB::PuntaAlias(const std::string& alias, const std::string& cartellaAnno) {
    Session1.DeleteAlias(alias);
    Session1.AddStandardAlias(alias, cartellaAnno, "PARADOX");
    Session1.Open();
}

void TFDB::LegaQuery(const std::string& alias) {
    QGEN.Close();
    QGEN.SetAlias(alias);
}

void TFDB::LegaTabella(TTableCursor& table, const std::string& alias, const std::string& fileName) {
    table.Close();
    table.SetAlias(alias);
    table.SetFileName(fileName);
}

void TFDB::CreaTabella(const std::string& alias, const std::string& fileName,
                       const std::string& definizione) {
    QGEN.Close();
    QGEN.SetAlias(alias);
    const std::string statement = "CREATE TABLE \"" + fileName + "\" " + definizione;
    QGEN.Close();
    QGEN.SQL().clear();
    QGEN.SQL().push_back(statement);
    QGEN.ExecSQL();
    QGEN.Close();
    boxes_.ShowInfo("Archivio " + fileName + " Creato");
}

void TFDB::ProteggiTabella(const std::string& fileName, const std::string& password,
                           const std::string& folder) {
    std::mt19937 draw(static_cast<std::mt19937::result_type>(std::time(nullptr)));
    std::uniform_int_distribution<int> number(0, 49);
    TFolderConnection connection(FolderConnectionSession());
    connection.Name = "PDOXEncryptDB" + std::to_string(number(draw));
    connection.Driver = "STANDARD";
    connection.PathLine = "path=" + folder;
    connection.Open();
    // The destructor frees the connection also when protecting fails.
    ProtectTableFile(connection.Handle(), std::filesystem::path(fileName).filename().string(),
                     password);
}

void TFDB::CaricaRubrica() {
    // The contact list reads the same file the address book edits.
    std::string file = LeggiReg(KeyBrivano, "DBRubrica");
    if (file.empty()) file = "Rubrica.DB";
    QGEN.Close();
    QGEN.SQL().clear();
    QGEN.SQL().push_back("SELECT * FROM " +
                         (file.find(' ') == std::string::npos ? file : "\"" + file + "\"") +
                         " ORDER BY Ragione_Sociale ASC");
    QGEN.Open();
}
