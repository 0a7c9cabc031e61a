// Statements as a caller may hand them to a query: any bytes. Parsing either
// gives a statement or raises the engine's error, never anything else; what it
// gives is well formed, and written back out with every name quoted it parses
// to the same statement again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/ArchiveError.h"
#include "archive/SqlStatement.h"

namespace {

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string Written(const TSqlStatement& st) {
    if (st.kind == TSqlStatement::Kind::Select) {
        std::string sql = "SELECT * FROM " + Quoted(st.select.fileName);
        if (!st.select.orderBy.empty())
            sql += " ORDER BY " + Quoted(st.select.orderBy) + (st.select.descending ? " DESC" : "");
        return sql;
    }
    std::string sql = "CREATE TABLE " + Quoted(st.create.fileName) + " (";
    for (std::size_t i = 0; i < st.create.columns.size(); ++i) {
        const TColumnDef& c = st.create.columns[i];
        sql += (i ? ", " : "") + Quoted(c.name);
        switch (c.kind) {
            case TColumnKind::AutoInc:
                sql += " AUTOINC";
                break;
            case TColumnKind::Char:
                sql += " CHAR(" + std::to_string(c.size) + ")";
                break;
            case TColumnKind::Memo:
                sql += " BLOB(1,1)";
                break;
        }
    }
    return sql + ")";
}

bool Same(const TSqlStatement& a, const TSqlStatement& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == TSqlStatement::Kind::Select)
        return a.select.fileName == b.select.fileName && a.select.orderBy == b.select.orderBy &&
               a.select.descending == b.select.descending;
    if (a.create.fileName != b.create.fileName ||
        a.create.columns.size() != b.create.columns.size())
        return false;
    for (std::size_t i = 0; i < a.create.columns.size(); ++i) {
        const TColumnDef &x = a.create.columns[i], &y = b.create.columns[i];
        if (x.name != y.name || x.kind != y.kind || x.size != y.size) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sql(reinterpret_cast<const char*>(data), size);
    TSqlStatement st;
    try {
        st = ParseSql(sql);
    } catch (const EArchiveError&) {
        return 0;
    }
    if (st.kind == TSqlStatement::Kind::Select) {
        if (st.select.fileName.empty()) std::abort();
    } else {
        if (st.create.fileName.empty() || st.create.columns.empty()) std::abort();
        for (const TColumnDef& c : st.create.columns) {
            if (c.name.empty()) std::abort();
            if (c.kind == TColumnKind::Char && (c.size < 1 || c.size > 255)) std::abort();
        }
    }
    TSqlStatement again;
    try {
        again = ParseSql(Written(st));
    } catch (const EArchiveError&) {
        std::abort();
    }
    if (!Same(st, again)) std::abort();
    return 0;
}
