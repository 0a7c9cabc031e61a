#include "archive/Query.h"

#include <filesystem>

#include "archive/Session.h"
#include "archive/SqlStatement.h"
#include "archive/TableFile.h"

std::string TQuery::Statement() const {
    std::string text;
    for (const std::string& line : sql_) text += (text.empty() ? "" : " ") + line;
    return text;
}

void TQuery::ExecSQL() {
    const TSqlStatement st = ParseSql(Statement());
    if (st.kind != TSqlStatement::Kind::CreateTable)
        throw EArchiveError("A SELECT gives rows: open the query instead of executing it");
    TTableFile::Create(Session().TablePath(AliasName(), st.create.fileName), st.create.columns);
}

std::shared_ptr<TTableFile> TQuery::OpenFile() {
    const TSqlStatement st = ParseSql(Statement());
    if (st.kind != TSqlStatement::Kind::Select)
        throw EArchiveError("Only a SELECT can be opened; execute other statements");
    orderBy_ = st.select.orderBy;
    descending_ = st.select.descending;
    return Session().OpenTableFile(AliasName(), st.select.fileName);
}

TQuery::TRows TQuery::LoadRows(TTableFile& file) {
    return {{}, file.OrderedRows(orderBy_, descending_), file.RowCount()};
}
