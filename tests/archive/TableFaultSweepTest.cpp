// A whole table session (create, open, append and post, edit and post,
// delete, protect, reopen with the password and append) run once per write it
// makes, each time with that one write failing as on a full disk: the
// failure surfaces as the engine's error and the file is left whole, holding
// what it held before the step that failed.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FaultyWrites.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/FolderConnection.h"
#include "archive/Query.h"
#include "archive/Session.h"
#include "archive/Table.h"
#include "archive/TableDefinitions.h"

namespace {

// The names in the table, in table order; "-" when the file does not exist.
std::vector<std::string> Contents(const std::filesystem::path& folder) {
    if (!std::filesystem::exists(folder / "Rubrica.DB")) return {"-"};
    TArchiveSession session("lettura");
    session.AddStandardAlias("DB", folder.string(), "PARADOX");
    session.AddPassword(MasterPassword);
    TTableCursor table(session);
    table.SetAlias("DB");
    table.SetFileName("Rubrica.DB");
    table.Open();
    std::vector<std::string> names;
    for (table.First(); !table.AtEnd(); table.Next())
        names.push_back(table.FieldValue("Ragione_Sociale").value_or("<null>"));
    return names;
}

bool Whole(const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) return true;
    sqlite3* db = nullptr;
    std::string result;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return result == "ok";
}

// Runs the session's steps in order; after each one that ends, `ended` is
// called with its index. Raises the first failure.
void Session(const std::filesystem::path& folder, const std::function<void(int)>& ended) {
    TArchiveSession session("sessione");
    session.AddStandardAlias("DB", folder.string(), "PARADOX");
    TTableCursor table(session);
    table.SetAlias("DB");
    table.SetFileName("Rubrica.DB");
    auto add = [&](const std::string& name) {
        table.Append();
        table.SetFieldValue("Ragione_Sociale", name);
        table.SetFieldValue("Citta", "Torino");
        table.Post();
    };
    const std::vector<std::function<void()>> steps = {
        [&] {
            TSqlCursor create(session);
            create.SetAlias("DB");
            create.SQL() = {std::string("CREATE TABLE \"Rubrica.DB\" ") + DefinizioneRubrica};
            create.ExecSQL();
        },
        [&] {
            table.Open();
            add("Alfa");
        },
        [&] { add("Beta"); },
        [&] {
            table.First();
            table.Edit();
            table.SetFieldValue("Ragione_Sociale", "Alfa Due");
            table.Post();
        },
        [&] {
            table.First();
            table.Delete();
        },
        [&] {
            table.Close();
            ProtectTableFile(folder.string(), "Rubrica.DB", MasterPassword);
        },
        [&] {
            session.AddPassword(MasterPassword);
            table.Open();
            add("Gamma");
        },
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i]();
        ended(static_cast<int>(i));
    }
}

TEST(TableFaultSweep, EveryFailingWriteRaisesAndLeavesTheFileWhole) {
    TFaultyWrites faults;
    // The clean run: the writes made by the end of each step, and what the
    // file holds then.
    std::vector<int> writesBy;
    std::vector<std::vector<std::string>> contents{{"-"}};
    {
        TTempDir clean;
        faults.FailWrite(0);
        Session(clean.path(), [&](int) {
            writesBy.push_back(faults.Writes());
            contents.push_back(Contents(clean.path()));
            ASSERT_EQ(faults.Writes(), writesBy.back()) << "reading wrote";
        });
    }
    ASSERT_EQ(contents.back(), (std::vector<std::string>{"Beta", "Gamma"}));
    const int total = writesBy.back();
    ASSERT_GT(total, static_cast<int>(writesBy.size()));

    for (int n = 1; n <= total; ++n) {
        SCOPED_TRACE("write " + std::to_string(n) + " of " + std::to_string(total));
        std::size_t failing = 0;
        while (writesBy[failing] < n) ++failing;
        TTempDir folder;
        faults.FailWrite(n);
        std::size_t stepsEnded = 0;
        bool raised = false;
        try {
            Session(folder.path(), [&](int) { ++stepsEnded; });
        } catch (const EArchiveError&) {
            raised = true;
        }
        faults.FailWrite(0);
        EXPECT_TRUE(raised);
        EXPECT_EQ(stepsEnded, failing) << "the step holding the write is the one that fails";
        EXPECT_TRUE(Whole(folder.path() / "Rubrica.DB"));
        EXPECT_EQ(Contents(folder.path()), contents[failing]);
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            EXPECT_EQ(entry.path().filename(), "Rubrica.DB") << "left behind";
    }
}

}  // namespace
