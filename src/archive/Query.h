#pragma once
// An SQL query component. Understands the statements the program uses:
//   CREATE TABLE "<file>" ( <column> <type>, ... )   with AUTOINC, CHAR(n), BLOB(1,1)
//   SELECT * FROM <file> [ORDER BY <column> [ASC|DESC]]
// anything else is refused with a clear engine error. A SELECT gives a
// read-only cursor; text columns sort as an Italian reader expects.

#include <string>
#include <vector>

#include "archive/RowCursor.h"

class TSqlCursor : public TRowCursor {
  public:
    explicit TSqlCursor(TArchiveSession& session) : TRowCursor(session) {}

    // The statement's lines; change them only while the query is closed.
    std::vector<std::string>& SQL() { return sql_; }
    const std::vector<std::string>& SQL() const { return sql_; }

    // Runs a statement that gives no rows (CREATE TABLE).
    void ExecSQL();

  protected:
    std::shared_ptr<TTableFile> OpenFile() override;
    TRows LoadRows(TTableFile& file) override;

  private:
    std::string Statement() const;
    std::vector<std::string> sql_;
    std::string orderBy_;
    bool descending_ = false;
};
