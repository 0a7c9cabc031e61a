#pragma once
// One table file: an SQLite database holding the rows in the table "records",
// the column definitions as declared types, and, once protected, a salted
// password verifier in "brivano_lock". Only this unit speaks SQLite.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/DataSet.h"
#include "archive/SqlStatement.h"

struct sqlite3;
struct sqlite3_stmt;

class TTableFile {
  public:
    // Creates the file with its columns; raises when it exists or cannot be written.
    static void Create(const std::filesystem::path& path, const std::vector<TColumnDef>& columns);
    static std::shared_ptr<TTableFile> Open(const std::filesystem::path& path);
    ~TTableFile();
    TTableFile(const TTableFile&) = delete;
    TTableFile& operator=(const TTableFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    const std::vector<TColumnDef>& Columns() const { return columns_; }
    const std::vector<std::string>& ColumnNames() const { return names_; }

    // Raises unless the file is unprotected or one of the passwords opens it.
    void RequireAccess(const std::vector<std::string>& passwords) const;
    bool IsProtected() const;
    bool Accepts(const std::string& password) const;
    // Gives the file a password; an unprotected file, or one already holding
    // this password, can be protected.
    void Protect(const std::string& password);

    // Row ids in table order, or ordered by a column (text in Italian order).
    std::vector<long long> RowIds(const std::string& orderColumn = {}, bool descending = false);
    // Values of the given rows by column, in the order asked; a row that is
    // gone reads as all null.
    std::vector<std::vector<TFieldValue>> Rows(const long long* rowIds, size_t count);
    // Returns the id of the new row.
    long long Insert(const std::vector<TFieldValue>& values);
    void Update(long long rowId, const std::vector<TFieldValue>& values);
    void Remove(long long rowId);

    // Refuses a value longer than its column allows.
    void CheckValue(size_t column, const TFieldValue& value) const;

  private:
    TTableFile(std::filesystem::path path, sqlite3* db);
    void Exec(const std::string& sql);
    sqlite3_stmt* Prepare(const std::string& sql) const;
    [[noreturn]] void Raise(const std::string& what) const;
    void BindRow(sqlite3_stmt* st, const std::vector<TFieldValue>& values, int first) const;

    std::filesystem::path path_;
    sqlite3* db_;
    std::vector<TColumnDef> columns_;
    std::vector<std::string> names_;
    sqlite3_stmt* selectRows_ = nullptr;
};
