#include "archive/RowCursor.h"

#include <strings.h>

#include <algorithm>

#include "archive/Session.h"
#include "archive/TableFile.h"

namespace {
// Rows are read in blocks; a bound on the blocks kept keeps memory flat
// however large the table, while a grid's few screens of rows stay cached.
constexpr int kBlockRows = 128;
constexpr size_t kCachedBlocks = 32;
}  // namespace

TRowCursor::TRowCursor(TArchiveSession& session) : session_(session) {}
TRowCursor::~TRowCursor() = default;

void TRowCursor::SetAlias(const std::string& alias) {
    if (Active()) throw EArchiveError("Cannot perform this operation on an open dataset");
    aliasName_ = alias;
}

void TRowCursor::Open() {
    if (Active()) return;
    std::shared_ptr<TTableFile> file = OpenFile();
    TRows rows = LoadRows(*file);
    file_ = std::move(file);
    count_ = rows.stream ? rows.count : rows.ids.size();
    rowIds_ = std::move(rows.ids);
    stream_ = std::move(rows.stream);
    blocks_.clear();
    current_ = count_ == 0 ? -1 : 0;
    bof_ = true;
    eof_ = count_ == 0;
    state_ = TCursorState::Browsing;
    Notify(TCursorEvent::RowsChanged);
}

void TRowCursor::Close() {
    if (!Active()) return;
    stream_.reset();
    file_.reset();
    rowIds_.clear();
    count_ = 0;
    blocks_.clear();
    pending_.clear();
    current_ = -1;
    bof_ = eof_ = true;
    state_ = TCursorState::Closed;
    Notify(TCursorEvent::RowsChanged);
}

void TRowCursor::RequireActive() const {
    if (!Active()) throw EArchiveError("Cannot perform this operation on a closed dataset");
}

void TRowCursor::RequireBrowse(const char* operation) const {
    RequireActive();
    if (state_ != TCursorState::Browsing)
        throw EArchiveError(std::string("Cannot ") + operation + " while a row is being edited");
}

void TRowCursor::First() {
    RequireBrowse("move");
    current_ = count_ == 0 ? -1 : 0;
    bof_ = true;
    eof_ = count_ == 0;
    Notify(TCursorEvent::CurrentRowChanged);
}

void TRowCursor::Last() {
    RequireBrowse("move");
    current_ = Count() - 1;
    eof_ = true;
    bof_ = count_ == 0;
    Notify(TCursorEvent::CurrentRowChanged);
}

void TRowCursor::Next() {
    RequireBrowse("move");
    if (current_ + 1 < Count()) {
        ++current_;
        bof_ = false;
        Notify(TCursorEvent::CurrentRowChanged);
    } else {
        eof_ = true;
    }
}

void TRowCursor::Prior() {
    RequireBrowse("move");
    if (current_ > 0) {
        --current_;
        eof_ = false;
        Notify(TCursorEvent::CurrentRowChanged);
    } else {
        bof_ = true;
    }
}

void TRowCursor::MoveToRow(int rowNumber) {
    RequireBrowse("move");
    if (count_ == 0) return;
    int index = std::clamp(rowNumber, 1, Count()) - 1;
    if (index == current_) return;
    current_ = index;
    bof_ = eof_ = false;
    Notify(TCursorEvent::CurrentRowChanged);
}

bool TRowCursor::AtEnd() const {
    return !Active() || eof_;
}
bool TRowCursor::AtStart() const {
    return !Active() || bof_;
}
bool TRowCursor::HasNoRows() const {
    return count_ == 0;
}
int TRowCursor::RowCount() const {
    RequireActive();
    return Count();
}
int TRowCursor::RowNumber() const {
    return current_ + 1;
}

const std::vector<std::string>& TRowCursor::FieldNames() const {
    static const std::vector<std::string> none;
    return file_ ? file_->ColumnNames() : none;
}

int TRowCursor::FieldIndex(const std::string& name) const {
    const std::vector<std::string>& names = FieldNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

TFieldValue TRowCursor::FieldValue(const std::string& name) const {
    RequireActive();
    int index = FieldIndex(name);
    if (index < 0) throw EArchiveError("Field '" + name + "' not found");
    if (state_ == TCursorState::Editing || state_ == TCursorState::Inserting)
        return pending_.at(static_cast<size_t>(index));
    if (current_ < 0) return std::nullopt;
    return RowAt(current_).at(static_cast<size_t>(index));
}

TFieldValue TRowCursor::ValueAt(int rowNumber, int fieldIndex) const {
    RequireActive();
    if (rowNumber < 1 || rowNumber > Count() || fieldIndex < 0 ||
        fieldIndex >= static_cast<int>(FieldNames().size()))
        return std::nullopt;
    return RowAt(rowNumber - 1)[static_cast<size_t>(fieldIndex)];
}

const std::vector<TFieldValue>& TRowCursor::RowAt(int index) const {
    const int block = index / kBlockRows;
    auto it = blocks_.find(block);
    if (it != blocks_.end()) return it->second.at(static_cast<size_t>(index - block * kBlockRows));
    if (blocks_.size() >= kCachedBlocks) blocks_.clear();

    const size_t first = static_cast<size_t>(block) * kBlockRows;
    const size_t count = std::min<size_t>(kBlockRows, count_ - first);
    std::vector<std::vector<TFieldValue>> rows;
    const size_t known = std::min(rowIds_.size(), first + count);
    if (known > first) rows = file_->Rows(rowIds_.data() + first, known - first);
    rows.resize(count, std::vector<TFieldValue>(FieldNames().size()));
    // Read the stream forward to the end of the block: rows before it give
    // only their ids, the block's own rows their values as well.
    while (rowIds_.size() < first + count) {
        const bool inBlock = rowIds_.size() >= first;
        std::vector<TFieldValue> values;
        if (!ReadStreamRow(inBlock ? &values : nullptr)) break;
        if (inBlock) rows[rowIds_.size() - 1 - first] = std::move(values);
    }
    it = blocks_.emplace(block, std::move(rows)).first;
    return it->second.at(static_cast<size_t>(index - block * kBlockRows));
}

bool TRowCursor::ReadStreamRow(std::vector<TFieldValue>* values) const {
    long long id = 0;
    if (!stream_ || rowIds_.size() >= count_ || !stream_->Next(id, values)) {
        // A finished stream still holds the file's read lock until it goes.
        stream_.reset();
        return false;
    }
    rowIds_.push_back(id);
    if (rowIds_.size() >= count_) stream_.reset();
    return true;
}

const std::vector<long long>& TRowCursor::RowIds() const {
    RequireActive();
    while (ReadStreamRow(nullptr)) {
    }
    return rowIds_;
}

const std::filesystem::path& TRowCursor::FilePath() const {
    RequireActive();
    return file_->Path();
}

void TRowCursor::InvalidateRows() {
    blocks_.clear();
}

long long TRowCursor::CurrentRowId() const {
    return rowIds_.at(static_cast<size_t>(current_));
}

void TRowCursor::SetState(TCursorState state) {
    state_ = state;
    Notify(TCursorEvent::CurrentRowChanged);
}

int TRowCursor::Subscribe(std::function<void(TCursorEvent)> listener) {
    listeners_[nextListener_] = std::move(listener);
    return nextListener_++;
}

void TRowCursor::Unsubscribe(int id) {
    listeners_.erase(id);
}

void TRowCursor::Notify(TCursorEvent event) {
    // A listener may unsubscribe while being told; work on a copy.
    auto listeners = listeners_;
    for (auto& [id, listener] : listeners) listener(event);
}
