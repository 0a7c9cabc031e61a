// The engine layer: statements, cursors, editing, limits, protection, aliases.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>

#include "FileSizeLimit.h"
#include "TempDir.h"
#include "archive/FolderConnection.h"
#include "archive/Query.h"
#include "archive/Session.h"
#include "archive/Table.h"
#include "archive/TableDefinitions.h"
#include "archive/TableFile.h"

namespace {

const std::string kRubricaSql = std::string("CREATE TABLE \"Rubrica.DB\" ") + DefinizioneRubrica;

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        session.AddStandardAlias("DB", dir.str(), "PARADOX");
        Exec(kRubricaSql);
        table.SetAlias("DB");
        table.SetFileName("Rubrica.DB");
    }
    void Exec(const std::string& sql) {
        TSqlCursor q(session);
        q.SetAlias("DB");
        q.SQL() = {sql};
        q.ExecSQL();
    }
    void AddContact(const std::string& name, const std::string& city = "") {
        table.Open();
        table.Append();
        table.SetFieldValue("Ragione_Sociale", name);
        if (!city.empty()) table.SetFieldValue("Citta", city);
        table.Post();
    }
    std::vector<std::string> ListOrderedBy(const std::string& column) {
        TSqlCursor q(session);
        q.SetAlias("DB");
        q.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY " + column + " ASC"};
        q.Open();
        std::vector<std::string> names;
        for (q.First(); !q.AtEnd(); q.Next())
            names.push_back(q.FieldValue(column).value_or("<null>"));
        return names;
    }

    TTempDir dir;
    TArchiveSession session{"test"};
    TTableCursor table{session};
};

TEST_F(EngineTest, CreatedTableHasTheDefinedFieldsInOrder) {
    table.Open();
    EXPECT_EQ(table.FieldNames(),
              (std::vector<std::string>{"OrdNum", "Tipo", "Ragione_Sociale", "Citta", "Cap",
                                        "EMail", "Sito", "Note"}));
    EXPECT_EQ(table.RowCount(), 0);
    EXPECT_TRUE(table.AtEnd());
    EXPECT_EQ(table.FieldIndex("email"), 5) << "field names match regardless of case";
}

TEST_F(EngineTest, CreatingAnExistingTableFailsAndKeepsIt) {
    AddContact("Alfa");
    table.Close();
    EXPECT_THROW(Exec(kRubricaSql), EArchiveError);
    table.Open();
    EXPECT_EQ(table.RowCount(), 1);
}

TEST_F(EngineTest, StatementsOutsideTheSupportedFormsAreRefused) {
    const char* bad[] = {
        "DROP TABLE \"Rubrica.DB\"",
        "CREATE TABLE \"X.DB\" ( A INTEGER )",
        "CREATE TABLE \"X.DB\" ( A CHAR(0) )",
        "CREATE TABLE \"X.DB\" ( A BLOB(1,2) )",
        "CREATE TABLE \"X.DB\" ( A AUTOINC, B AUTOINC )",
        "CREATE TABLE \"X.DB\" ( A CHAR(5), a CHAR(5) )",
        "CREATE TABLE \"../X.DB\" ( A CHAR(5) )",
        "SELECT * FROM Rubrica.DB; DELETE FROM records",
        "CREATE TABLE \"X.DB\" ( A CHAR(5)",
    };
    for (const char* sql : bad) EXPECT_THROW(Exec(sql), EArchiveError) << sql;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "X.DB"));
}

TEST_F(EngineTest, NewRowGetsOrdNumAndEmptyFieldsAreNull) {
    table.Open();
    table.Append();
    EXPECT_EQ(table.State(), TCursorState::Inserting);
    table.SetFieldValue("Tipo", "");
    table.Post();
    EXPECT_EQ(table.State(), TCursorState::Browsing);
    EXPECT_EQ(table.FieldValue("OrdNum"), "1");
    EXPECT_EQ(table.FieldValue("Tipo"), std::nullopt);
    EXPECT_EQ(table.FieldValue("Note"), std::nullopt);
    AddContact("Beta");
    EXPECT_EQ(table.FieldValue("OrdNum"), "2");
    EXPECT_EQ(table.RowNumber(), 2) << "a posted row stays current";
}

TEST_F(EngineTest, OrdNumIsNeverReused) {
    AddContact("A");
    AddContact("B");
    table.Delete();
    AddContact("C");
    EXPECT_EQ(table.FieldValue("OrdNum"), "3");
}

TEST_F(EngineTest, EditOnEmptyTableStartsInsert) {
    table.Open();
    table.Edit();
    EXPECT_EQ(table.State(), TCursorState::Inserting);
    table.Edit();  // no effect while inserting
    EXPECT_EQ(table.State(), TCursorState::Inserting);
}

TEST_F(EngineTest, EditChangesAndCancelDiscards) {
    AddContact("Alfa");
    table.Edit();
    table.SetFieldValue("Ragione_Sociale", "Alfa Srl");
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Alfa Srl") << "pending value is shown";
    table.Cancel();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Alfa");
    table.Edit();
    table.SetFieldValue("Ragione_Sociale", "Alfa Spa");
    table.Post();
    table.Close();
    table.Open();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Alfa Spa");
}

TEST_F(EngineTest, CancelledInsertReturnsToPreviousRow) {
    AddContact("A");
    AddContact("B");
    table.First();
    table.Append();
    table.Cancel();
    EXPECT_EQ(table.RowNumber(), 1);
    EXPECT_EQ(table.RowCount(), 2);
}

TEST_F(EngineTest, DeleteMovesToFollowingThenPrecedingRow) {
    for (const char* n : {"A", "B", "C"}) AddContact(n);
    table.First();
    table.Next();  // B
    table.Delete();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "C");
    table.Delete();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "A");
    table.Delete();
    EXPECT_TRUE(table.HasNoRows());
    try {
        table.Delete();
        FAIL();
    } catch (const EArchiveError& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
    }
}

TEST_F(EngineTest, CursorWalk) {
    for (const char* n : {"A", "B", "C"}) AddContact(n);
    std::vector<std::string> seen;
    for (table.First(); !table.AtEnd(); table.Next())
        seen.push_back(*table.FieldValue("Ragione_Sociale"));
    EXPECT_EQ(seen, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(table.RowNumber(), 3) << "Next past the end stays on the last row";
    table.Last();
    EXPECT_TRUE(table.AtEnd());
    table.Prior();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "B");
    table.First();
    table.Prior();
    EXPECT_TRUE(table.AtStart());
    EXPECT_EQ(table.ValueAt(3, table.FieldIndex("Ragione_Sociale")), "C");
    EXPECT_EQ(table.ValueAt(4, 0), std::nullopt);
}

TEST_F(EngineTest, CharLimitsAreEnforcedInCharactersNeverCut) {
    table.Open();
    table.Append();
    table.SetFieldValue("Cap", "12345");
    EXPECT_THROW(table.SetFieldValue("Cap", "123456"), EArchiveError);
    std::string accented;
    for (int i = 0; i < 40; ++i) accented += "à";  // 40 characters, 80 bytes
    table.SetFieldValue("Citta", accented);
    EXPECT_THROW(table.SetFieldValue("Citta", accented + "x"), EArchiveError);
    table.SetFieldValue("Note", std::string(100000, 'n'));
    table.Post();
    EXPECT_EQ(table.FieldValue("Citta"), accented);
    EXPECT_EQ(table.FieldValue("Note")->size(), 100000u);
    EXPECT_EQ(table.FieldValue("Cap"), "12345");
}

TEST_F(EngineTest, AutoIncFieldCannotBeSet) {
    table.Open();
    table.Append();
    EXPECT_THROW(table.SetFieldValue("OrdNum", "7"), EArchiveError);
    EXPECT_THROW(table.SetFieldValue("Nessuno", "7"), EArchiveError);
}

TEST_F(EngineTest, EditingOperationsNeedEditMode) {
    table.Open();
    EXPECT_THROW(table.Post(), EArchiveError);
    EXPECT_THROW(table.SetFieldValue("Tipo", "x"), EArchiveError);
    table.Close();
    EXPECT_THROW(table.Append(), EArchiveError);
    EXPECT_THROW(table.RowCount(), EArchiveError);
}

TEST_F(EngineTest, ItalianOrderIgnoresCaseAndKeepsAccentsBesideTheirLetter) {
    for (const char* n : {"zeta", "Èsse", "bravo", "Ancona", "alfa", "éa", "Eco", "Ìmola", "ieri"})
        AddContact(n);
    EXPECT_EQ(ListOrderedBy("Ragione_Sociale"),
              (std::vector<std::string>{"alfa", "Ancona", "bravo", "éa", "Eco", "Èsse", "ieri",
                                        "Ìmola", "zeta"}));
}

TEST_F(EngineTest, EmptyValuesSortFirst) {
    AddContact("B");
    AddContact("");
    AddContact("A");
    EXPECT_EQ(ListOrderedBy("ragione_sociale"), (std::vector<std::string>{"<null>", "A", "B"}));
}

// Many rows: the list is read forward in blocks, jumps back re-read rows by
// id, and a bounded cache forgets blocks; every position must still give its
// own row.
TEST_F(EngineTest, LargeListGivesEveryRowAtEveryPosition) {
    constexpr int kRows = 6000;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "Rubrica.DB").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < 5999) "
                 "INSERT INTO records (Ragione_Sociale) SELECT printf('N%05d', (i * 7919) % 6000) "
                 "FROM c",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    auto expected = [](int rowNumber) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "N%05d", rowNumber - 1);
        return std::string(buf);
    };
    TSqlCursor q(session);
    q.SetAlias("DB");
    q.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"};
    q.Open();
    ASSERT_EQ(q.RowCount(), kRows);
    const int name = q.FieldIndex("Ragione_Sociale");
    for (int rowNumber : {kRows, 1, 129, 128, 3000, kRows - 1, 2, 5000, 130, kRows})
        EXPECT_EQ(q.ValueAt(rowNumber, name), expected(rowNumber)) << rowNumber;
    for (int rowNumber = 1; rowNumber <= kRows; ++rowNumber)
        ASSERT_EQ(q.ValueAt(rowNumber, name), expected(rowNumber)) << rowNumber;
    for (int rowNumber = kRows; rowNumber >= 1; rowNumber -= 97)
        ASSERT_EQ(q.ValueAt(rowNumber, name), expected(rowNumber)) << rowNumber;
    q.Last();
    EXPECT_EQ(q.FieldValue("Ragione_Sociale"), expected(kRows));
    q.Close();
    q.Open();  // a fresh read after close
    q.MoveToRow(4321);
    EXPECT_EQ(q.FieldValue("ragione_sociale"), expected(4321));
}

// A search reads the list's row ids, then the file in one pass by id: the
// two together must give every list position its own row, and once the ids
// are read the list no longer keeps other writers out.
TEST_F(EngineTest, RowIdsAndOnePassGiveEveryListRow) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir.path() / "Rubrica.DB").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM c WHERE i < 299) "
                 "INSERT INTO records (Ragione_Sociale, Citta) SELECT printf('N%03d', (i * 7) % "
                 "300), CASE WHEN i % 2 THEN printf('C%d', (i * 7) % 300) END FROM c",
                 nullptr, nullptr, nullptr);
    TSqlCursor q(session);
    q.SetAlias("DB");
    q.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"};
    q.Open();
    ASSERT_EQ(q.ValueAt(5, q.FieldIndex("Ragione_Sociale")), "N004");  // read partly
    const std::vector<long long> ids = q.RowIds();
    ASSERT_EQ(ids.size(), 300u);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE records SET Note = 'x'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    auto file = TTableFile::Open(q.FilePath());
    std::map<long long, std::string> byId;
    long long last = 0;
    file->EachRow({3, 2}, [&](long long id, const std::vector<std::string_view>& values) {
        EXPECT_GT(id, last);
        last = id;
        byId[id] = std::string(values[0]) + "/" + std::string(values[1]);
    });
    EXPECT_EQ(byId.size(), 300u);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::string name =
            "N" + std::string(3 - std::to_string(i).size(), '0') + std::to_string(i);
        const std::string& seen = byId[ids[i]];
        EXPECT_EQ(seen.substr(seen.find('/') + 1), name) << i;
    }
    EXPECT_EQ(byId.begin()->second, "/N000");  // a null reads as empty
}

TEST_F(EngineTest, RepointedAliasReachesTheNewFolderOnLaterOpens) {
    AddContact("Vecchio");
    TSqlCursor q(session);
    q.SetAlias("DB");
    q.SQL() = {"SELECT * FROM Rubrica.DB ORDER BY Ragione_Sociale ASC"};
    q.Open();  // caches a connection to the old folder
    q.Close();
    table.Close();

    TTempDir other;
    session.DeleteAlias("DB");
    session.AddStandardAlias("DB", other.str(), "PARADOX");
    Exec(kRubricaSql);
    EXPECT_TRUE(std::filesystem::exists(other.path() / "Rubrica.DB"));
    q.Open();
    EXPECT_EQ(q.RowCount(), 0);
    table.Open();
    EXPECT_EQ(table.RowCount(), 0);
    AddContact("Nuovo");
    table.Close();

    session.DeleteAlias("DB");
    session.AddStandardAlias("db", dir.str(), "PARADOX");
    table.Open();
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Vecchio");
}

TEST_F(EngineTest, AliasOperations) {
    EXPECT_NO_THROW(session.DeleteAlias("Assente"));
    EXPECT_THROW(session.AddStandardAlias("db", "/x/", "PARADOX"), EArchiveError);
    auto params = session.AliasParams("DB");
    EXPECT_EQ(params["TYPE"], "STANDARD");
    EXPECT_EQ(params["PATH"], dir.str());
    EXPECT_EQ(params["DEFAULT DRIVER"], "PARADOX");
    session.Close();
    session.DeleteAlias("DB");
    EXPECT_TRUE(session.Active()) << "an alias operation opens a closed session";
    table.Close();
    EXPECT_THROW(table.Open(), EArchiveError);
}

TEST_F(EngineTest, ProtectedTableOpensOnlyWithThePassword) {
    AddContact("Segreto");
    table.Close();
    ProtectTableFile(dir.str(), "Rubrica.DB", MasterPassword);
    // Protecting again with the same password keeps it protected and readable.
    ProtectTableFile(dir.str(), "Rubrica.DB", MasterPassword);
    EXPECT_THROW(ProtectTableFile(dir.str(), "Rubrica.DB", "ALTRA"), EArchiveError);

    EXPECT_THROW(table.Open(), EArchiveError);
    session.AddPassword("sbagliata");
    EXPECT_THROW(table.Open(), EArchiveError);
    session.AddPassword(MasterPassword);
    table.Open();
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Segreto");
}

TEST_F(EngineTest, ProtectingRefusesBadArguments) {
    AddContact("Segreto");
    table.Close();
    EXPECT_THROW(ProtectTableFile("", "Rubrica.DB", MasterPassword), EArchiveError);
    EXPECT_THROW(ProtectTableFile(dir.str(), "../Rubrica.DB", MasterPassword), EArchiveError);
    EXPECT_THROW(ProtectTableFile(dir.str(), "Rubrica.DB", ""), EArchiveError);
    EXPECT_THROW(ProtectTableFile(dir.str(), "Assente.DB", MasterPassword), EArchiveError);
    EXPECT_NO_THROW(table.Open()) << "a refused protection leaves the file as it was";
}

TEST_F(EngineTest, TemporaryConnectionNamesAreUniqueWhileOpen) {
    TFolderConnection a(session), b(session);
    a.Name = b.Name = "PDOXEncryptDB7";
    a.Driver = b.Driver = "STANDARD";
    a.PathLine = b.PathLine = "path=" + dir.str();
    a.Open();
    EXPECT_THROW(b.Open(), EArchiveError);
    a.Close();
    EXPECT_NO_THROW(b.Open());
    TFolderConnection c(session);
    c.Driver = "STANDARD";
    c.PathLine = "path=" + dir.str() + "assente/";
    EXPECT_THROW(c.Open(), EArchiveError);
}

// A full disk while posting: the error is raised, the row stays pending and
// everything posted before is intact.
TEST_F(EngineTest, FailedPostKeepsEarlierRowsAndThePendingRow) {
    AddContact("Primo");
    table.Append();
    table.SetFieldValue("Note", std::string(1 << 20, 'x'));

    {
        TScopedFileSizeLimit diskFull(
            static_cast<rlim_t>(std::filesystem::file_size(dir.path() / "Rubrica.DB") + 4096));
        EXPECT_THROW(table.Post(), EArchiveError);
    }

    EXPECT_EQ(table.State(), TCursorState::Inserting) << "the row is still pending";
    table.Cancel();
    table.Close();
    table.Open();
    ASSERT_EQ(table.RowCount(), 1);
    EXPECT_EQ(table.FieldValue("Ragione_Sociale"), "Primo");
}

TEST_F(EngineTest, ListenersHearChangesUntilTheyUnsubscribe) {
    std::vector<TCursorEvent> events, others;
    const int id = table.Subscribe([&](TCursorEvent e) { events.push_back(e); });
    table.Subscribe([&](TCursorEvent e) { others.push_back(e); });
    table.Open();
    table.Append();
    table.Post();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front(), TCursorEvent::RowsChanged);
    EXPECT_GE(events.size(), 3u);
    EXPECT_EQ(events, others);

    const size_t heard = events.size();
    table.Unsubscribe(id);
    table.Close();
    EXPECT_EQ(events.size(), heard) << "an unsubscribed listener hears nothing more";
    ASSERT_EQ(others.size(), heard + 1) << "the other listener still hears the close";
    EXPECT_EQ(others.back(), TCursorEvent::RowsChanged);
}

// Rows written several to a statement each get their own id, in order, with an
// AUTOINCREMENT key (past a removed last row, whose id is not given again) and
// without one.
TEST_F(EngineTest, RowsInsertedTogetherGetTheirOwnIds) {
    TTableFile::Create(dir.path() / "Nomi.DB", {{"Nome", TColumnKind::Char, 20}});
    struct Caso {
        std::string file;
        size_t name;  // the column of the name
    } casi[] = {{"Rubrica.DB", 2}, {"Nomi.DB", 0}};
    for (const Caso& caso : casi) {
        auto file = TTableFile::Open(dir.path() / caso.file);
        const size_t columns = file->Columns().size();
        std::vector<TFieldValue> one(columns);
        one[caso.name] = "zero";
        file->Remove(file->Insert(one));
        long long before = 0;
        for (size_t count : {0, 1, 31, 32, 33, 70}) {
            std::vector<std::vector<TFieldValue>> rows(count, std::vector<TFieldValue>(columns));
            for (size_t i = 0; i < count; ++i)
                rows[i][caso.name] = std::to_string(count) + "-" + std::to_string(i);
            std::vector<long long> ids(count);
            file->InsertRows(rows.data(), count, ids.data());
            const auto read = file->Rows(ids.data(), count);
            for (size_t i = 0; i < count; ++i) {
                EXPECT_EQ(read[i][caso.name], rows[i][caso.name]) << caso.file;
                EXPECT_GT(ids[i], before) << caso.file;
                before = ids[i];
            }
        }
        EXPECT_EQ(file->RowCount(), size_t{0 + 1 + 31 + 32 + 33 + 70}) << caso.file;
    }
}

}  // namespace
