#include "archive/Table.h"

#include <algorithm>

#include "archive/Session.h"
#include "archive/TableFile.h"

void TTableCursor::SetFileName(const std::string& fileName) {
    if (Active()) throw EArchiveError("Cannot perform this operation on an open dataset");
    tableName_ = fileName;
}

std::shared_ptr<TTableFile> TTableCursor::OpenFile() {
    return Session().OpenTableFile(Alias(), tableName_);
}

TTableCursor::TRows TTableCursor::LoadRows(TTableFile& file) {
    return {file.RowIds(), nullptr, 0};
}

void TTableCursor::RequireEditing() const {
    RequireActive();
    if (State() != TCursorState::Editing && State() != TCursorState::Inserting)
        throw EArchiveError("Dataset not in edit or insert mode");
}

void TTableCursor::Append() {
    RequireBrowse("append");
    beforeInsert_ = current_;
    pending_.assign(FieldNames().size(), std::nullopt);
    SetState(TCursorState::Inserting);
}

void TTableCursor::Edit() {
    RequireActive();
    if (State() == TCursorState::Editing || State() == TCursorState::Inserting) return;
    if (rowIds_.empty()) {
        Append();
        return;
    }
    pending_ = RowAt(current_);
    SetState(TCursorState::Editing);
}

void TTableCursor::SetFieldValue(const std::string& name, const TFieldValue& value) {
    RequireEditing();
    int index = FieldIndex(name);
    if (index < 0) throw EArchiveError("Field '" + name + "' not found");
    const auto column = static_cast<size_t>(index);
    if (File().Columns()[column].kind == TColumnKind::AutoInc)
        throw EArchiveError("Field '" + FieldNames()[column] + "' cannot be modified");
    TFieldValue stored = value && !value->empty() ? value : std::nullopt;
    File().CheckValue(column, stored);
    pending_[column] = std::move(stored);
}

void TTableCursor::Post() {
    RequireEditing();
    if (State() == TCursorState::Inserting) {
        const long long id = File().Insert(pending_);
        rowIds_.push_back(id);
        count_ = rowIds_.size();
        current_ = Count() - 1;
        bof_ = false;
        eof_ = false;
        InvalidateRows();
    } else {
        const long long id = CurrentRowId();
        File().Update(id, pending_);
        InvalidateRows();
    }
    pending_.clear();
    SetState(TCursorState::Browsing);
}

void TTableCursor::Cancel() {
    RequireActive();
    if (State() == TCursorState::Browsing) return;
    if (State() == TCursorState::Inserting)
        current_ = rowIds_.empty()
                       ? -1
                       : std::clamp(beforeInsert_, 0, static_cast<int>(rowIds_.size()) - 1);
    pending_.clear();
    SetState(TCursorState::Browsing);
}

void TTableCursor::Delete() {
    RequireActive();
    if (State() == TCursorState::Inserting) {
        Cancel();
        return;
    }
    if (rowIds_.empty()) throw EArchiveError("Cannot perform this operation on an empty dataset");
    const long long id = CurrentRowId();
    File().Remove(id);
    InvalidateRows();
    rowIds_.erase(rowIds_.begin() + current_);
    count_ = rowIds_.size();
    current_ = std::min(current_, static_cast<int>(rowIds_.size()) - 1);
    eof_ = rowIds_.empty();
    bof_ = rowIds_.empty();
    pending_.clear();
    if (State() != TCursorState::Browsing) SetState(TCursorState::Browsing);
    Notify(TCursorEvent::RowsChanged);
}
