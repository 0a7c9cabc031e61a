#pragma once
// One table file: an SQLite database holding the rows in the table "records",
// the column definitions as declared types, and, once protected, a salted
// password verifier in "brivano_lock".

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/RowCursor.h"
#include "archive/SqlStatement.h"
#include "basedati/BaseDati.h"

// A table file is named by a plain file name: no folder part, not "." or "..".
bool IsTableFileName(const std::string& fileName);

// Rows of a table file in a given order, read forward one at a time while the
// caller asks for them.
class TRowStream {
  public:
    TRowStream(std::shared_ptr<TTableFile> file, std::unique_ptr<brivano::TComandoSql> statement);
    TRowStream(const TRowStream&) = delete;
    TRowStream& operator=(const TRowStream&) = delete;
    // The next row's id and, when asked for, its values; false at the end.
    bool Next(long long& rowId, std::vector<TFieldValue>* values);

  private:
    std::shared_ptr<TTableFile> file_;  // keeps the connection alive while reading
    std::unique_ptr<brivano::TComandoSql> statement_;
};

class TTableFile : public std::enable_shared_from_this<TTableFile> {
  public:
    // Creates the file with its columns; raises when it exists or cannot be written.
    static void Create(const std::filesystem::path& path, const std::vector<TColumnDef>& columns);
    static std::shared_ptr<TTableFile> Open(const std::filesystem::path& path);
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

    // Row ids in table order.
    std::vector<long long> RowIds();
    size_t RowCount();
    // Every row ordered by a column (text in Italian order; ties in table
    // order), or in table order when no column is given.
    std::unique_ptr<TRowStream> OrderedRows(const std::string& orderColumn, bool descending);
    // Some columns of every row, with its id, by ascending id: one pass over
    // the file for work that looks at every row. A null reads as empty; the
    // values last only for the call.
    void EachRow(const std::vector<size_t>& columns,
                 const std::function<void(long long rowId,
                                          const std::vector<std::string_view>& values)>& visit);
    // Values of the given rows by column, in the order asked; a row that is
    // gone reads as all null.
    std::vector<std::vector<TFieldValue>> Rows(const long long* rowIds, size_t count);
    // Returns the id of the new row.
    long long Insert(const std::vector<TFieldValue>& values);
    // Inserts `count` rows, several to a statement, and puts their ids, in
    // order, in `ids`.
    void InsertRows(const std::vector<TFieldValue>* rows, size_t count, long long* ids);
    void Update(long long rowId, const std::vector<TFieldValue>& values);
    void Remove(long long rowId);

    // Refuses a value longer than its column allows.
    void CheckValue(size_t column, const TFieldValue& value) const;

  private:
    friend class TRowStream;
    friend class TWriteBatch;
    TTableFile(std::filesystem::path path, std::unique_ptr<brivano::TBaseDati> db);
    void ReadValues(const brivano::TComandoSql& st, int firstColumn,
                    std::vector<TFieldValue>& values) const;
    std::unique_ptr<brivano::TComandoSql> Prepare(const std::string& sql) const;
    [[noreturn]] void Raise(const std::string& what) const;
    void BindRow(brivano::TComandoSql& st, const std::vector<TFieldValue>& values, int first) const;
    std::unique_ptr<brivano::TComandoSql> PrepareInsert(size_t rows) const;

    std::filesystem::path path_;
    std::unique_ptr<brivano::TBaseDati> db_;
    std::vector<TColumnDef> columns_;
    std::vector<std::string> names_;
    // Statements go before the connection.
    std::unique_ptr<brivano::TComandoSql> selectRows_;
    std::unique_ptr<brivano::TComandoSql> insertRow_;   // prepared at the first Insert
    std::unique_ptr<brivano::TComandoSql> insertRows_;  // prepared at the first InsertRows
};

// Writes to a table file that land together: everything written while the
// batch is open is undone unless Keep() is called before it goes. Raises
// EArchiveError when another writer holds the file.
class TWriteBatch {
  public:
    explicit TWriteBatch(TTableFile& file);
    TWriteBatch(const TWriteBatch&) = delete;
    TWriteBatch& operator=(const TWriteBatch&) = delete;
    void Keep();

  private:
    brivano::TTransazione transaction_;
};
