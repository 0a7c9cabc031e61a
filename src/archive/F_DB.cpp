#include "archive/F_DB.h"

#include <sqlite3.h>

#include <cstdlib>
#include <ctime>

#include "archive/Database.h"
#include "archive/EngineError.h"
#include "config/F_Conf.h"

std::string CartellaAnno(const std::string& pathDatiGen, const std::string& anno) {
    return pathDatiGen + anno + "/";
}

TFDB::TFDB(TMessageBoxes& boxes)
    : Session1("Session1"), QGEN(Session1), T_Rubrica(Session1), T_Dativo(Session1), boxes_(boxes) {
    if (sqlite3_initialize() != SQLITE_OK) throw EDBEngineError("The database engine cannot start");
    Session1.SetActive(true);
}

void TFDB::PuntaAlias(const std::string& alias, const std::string& cartellaAnno) {
    Session1.DeleteAlias(alias);
    Session1.AddStandardAlias(alias, cartellaAnno, "PARADOX");
    Session1.SetActive(true);
}

void TFDB::LegaQuery(const std::string& alias) {
    QGEN.Close();
    QGEN.SetDatabaseName(alias);
}

void TFDB::LegaTabella(TTable& table, const std::string& alias, const std::string& fileName) {
    table.Close();
    table.SetDatabaseName(alias);
    table.SetTableName(fileName);
}

void TFDB::CreaTabella(const std::string& alias, const std::string& fileName,
                       const std::string& definizione) {
    QGEN.Close();
    QGEN.SetDatabaseName(alias);
    const std::string statement = "CREATE TABLE \"" + fileName + "\" " + definizione;
    QGEN.Close();
    QGEN.SQL().clear();
    QGEN.SQL().push_back(statement);
    QGEN.ExecSQL();
    QGEN.Close();
    boxes_.ShowMessage("Archivio " + fileName + " Creato");
}

void TFDB::ProteggiTabella(const std::string& fileName, const std::string& password,
                           const std::string& folder) {
    EngineInit();
    struct Release {
        ~Release() { EngineExit(); }
    } release;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    TDatabase connection(DefaultSession());
    connection.DatabaseName = "PDOXEncryptDB" + std::to_string(std::rand() % 50);
    connection.DriverName = "STANDARD";
    connection.Params = {"path=" + folder};
    connection.Open();

    TCRTblDesc descriptor{};
    descriptor.szTblName = std::filesystem::path(fileName).filename().string();
    descriptor.szPassword = password;
    descriptor.bProtected = true;
    const int result =
        RestructureTable(connection.Handle(), 1, &descriptor, nullptr, nullptr, nullptr, false);
    // The connection is freed (destructor) and the engine released whatever the result.
    connection.Close();
    if (result != 0) throw EDBEngineError(EngineLastErrorText());
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
