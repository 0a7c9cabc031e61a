#include "archive/Query.h"

#include <filesystem>

#include "archive/Session.h"
#include "archive/SqlStatement.h"
#include "archive/TableFile.h"

std::string TSqlCursor::Statement() const {
    std::string text;
    for (const std::string& line : sql_) text += (text.empty() ? "" : " ") + line;
    return text;
}

void TSqlCursor::ExecSQL() {
    const TSqlStatement st = ParseSql(Statement());
    if (st.kind != TSqlStatement::Kind::CreateTable)
        throw EArchiveError("A SELECT gives rows: open the query instead of executing it");
    TTableFile::Create(Session().TablePath(Alias(), st.create.fileName), st.create.columns);
}

std::shared_ptr<TTableFile> TSqlCursor::OpenFile() {
    const TSqlStatement st = ParseSql(Statement());
    if (st.kind != TSqlStatement::Kind::Select)
        throw EArchiveError("Only a SELECT can be opened; execute other statements");
    orderBy_ = st.select.orderBy;
    descending_ = st.select.descending;
    return Session().OpenTableFile(Alias(), st.select.fileName);
}

TSqlCursor::TRows TSqlCursor::LoadRows(TTableFile& file) {
    return {{}, file.OrderedRows(orderBy_, descending_), file.RowCount()};
}
