#pragma once
// Reads the two statement forms the engine understands into plain structures.

#include <string>
#include <vector>

enum class TColumnKind { AutoInc, Char, Memo };

struct TColumnDef {
    std::string name;
    TColumnKind kind = TColumnKind::Memo;
    int size = 0;  // characters, for Char
};

struct TCreateTable {
    std::string fileName;
    std::vector<TColumnDef> columns;
};

struct TSelect {
    std::string fileName;
    std::string orderBy;  // empty: table order
    bool descending = false;
};

struct TSqlStatement {
    enum class Kind { CreateTable, Select } kind = Kind::Select;
    TCreateTable create;
    TSelect select;
};

// Raises EArchiveError with the reason for anything it does not understand.
TSqlStatement ParseSql(const std::string& sql);
