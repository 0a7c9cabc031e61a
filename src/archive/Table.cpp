#include "archive/Table.h"

#include <algorithm>

#include "archive/Session.h"
#include "archive/TableFile.h"

void TTable::SetTableName(const std::string& fileName) {
    if (Active()) throw EDBEngineError("Cannot perform this operation on an open dataset");
    tableName_ = fileName;
}

std::shared_ptr<TTableFile> TTable::OpenFile() {
    return Session().OpenTableFile(DatabaseName(), tableName_);
}

TTable::TRows TTable::LoadRows(TTableFile& file) {
    return {file.RowIds(), nullptr, 0};
}

void TTable::RequireEditing() const {
    RequireActive();
    if (State() != TDataSetState::dsEdit && State() != TDataSetState::dsInsert)
        throw EDBEngineError("Dataset not in edit or insert mode");
}

void TTable::Append() {
    RequireBrowse("append");
    beforeInsert_ = current_;
    pending_.assign(FieldNames().size(), std::nullopt);
    SetState(TDataSetState::dsInsert);
}

void TTable::Edit() {
    RequireActive();
    if (State() == TDataSetState::dsEdit || State() == TDataSetState::dsInsert) return;
    if (rowIds_.empty()) {
        Append();
        return;
    }
    pending_ = RowAt(current_);
    SetState(TDataSetState::dsEdit);
}

void TTable::SetFieldValue(const std::string& name, const TFieldValue& value) {
    RequireEditing();
    int index = FindField(name);
    if (index < 0) throw EDBEngineError("Field '" + name + "' not found");
    const auto column = static_cast<size_t>(index);
    if (File().Columns()[column].kind == TColumnKind::AutoInc)
        throw EDBEngineError("Field '" + FieldNames()[column] + "' cannot be modified");
    TFieldValue stored = value && !value->empty() ? value : std::nullopt;
    File().CheckValue(column, stored);
    pending_[column] = std::move(stored);
}

void TTable::Post() {
    RequireEditing();
    if (State() == TDataSetState::dsInsert) {
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
    SetState(TDataSetState::dsBrowse);
}

void TTable::Cancel() {
    RequireActive();
    if (State() == TDataSetState::dsBrowse) return;
    if (State() == TDataSetState::dsInsert)
        current_ = rowIds_.empty()
                       ? -1
                       : std::clamp(beforeInsert_, 0, static_cast<int>(rowIds_.size()) - 1);
    pending_.clear();
    SetState(TDataSetState::dsBrowse);
}

void TTable::Delete() {
    RequireActive();
    if (State() == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (rowIds_.empty()) throw EDBEngineError("Cannot perform this operation on an empty dataset");
    const long long id = CurrentRowId();
    File().Remove(id);
    InvalidateRows();
    rowIds_.erase(rowIds_.begin() + current_);
    count_ = rowIds_.size();
    current_ = std::min(current_, static_cast<int>(rowIds_.size()) - 1);
    eof_ = rowIds_.empty();
    bof_ = rowIds_.empty();
    pending_.clear();
    if (State() != TDataSetState::dsBrowse) SetState(TDataSetState::dsBrowse);
    Notify(TDataEvent::DataSetChange);
}
