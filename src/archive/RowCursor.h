#pragma once
// A cursor over the rows of one table file. Row values are read only when
// looked at, a block of rows at a time, and only a bounded number of blocks is
// kept, so moving through a large table costs little memory.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveError.h"

class TArchiveSession;
class TTableFile;
class TRowStream;

// A field's value; empty fields are null.
using TFieldValue = std::optional<std::string>;

enum class TCursorState { Closed, Browsing, Editing, Inserting };

enum class TCursorEvent {
    RowsChanged,        // opened, closed, or the rows themselves changed
    CurrentRowChanged,  // the current row moved, or its values or the state changed
};

class TRowCursor {
  public:
    explicit TRowCursor(TArchiveSession& session);
    virtual ~TRowCursor();
    TRowCursor(const TRowCursor&) = delete;
    TRowCursor& operator=(const TRowCursor&) = delete;

    TArchiveSession& Session() const { return session_; }
    const std::string& Alias() const { return aliasName_; }
    void SetAlias(const std::string& alias);  // cursor must be closed

    bool Active() const { return state_ != TCursorState::Closed; }
    void Open();   // no effect when already open
    void Close();  // drops a pending new or edited row
    TCursorState State() const { return state_; }

    void First();
    void Next();
    void Prior();
    void Last();
    bool AtEnd() const;
    bool AtStart() const;
    bool HasNoRows() const;
    int RowCount() const;
    int RowNumber() const;          // 1-based; 0 when there is no current row
    void MoveToRow(int rowNumber);  // moves to that row (clamped)

    // Field names as the table defines them, in column order.
    const std::vector<std::string>& FieldNames() const;
    int FieldIndex(const std::string& name) const;  // without regard to case; -1 when absent
    // Value of a field of the current row (the pending values while editing).
    TFieldValue FieldValue(const std::string& name) const;
    // Value of row `rowNumber` (1-based) without moving the cursor: for grids.
    TFieldValue ValueAt(int rowNumber, int fieldIndex) const;

    // Row ids in cursor order, all of them: the rest of the list is read
    // first, ids only. With the file's path, work that looks at every row
    // at once (a search) can read the file in one pass on its own.
    const std::vector<long long>& RowIds() const;
    // The open table file.
    const std::filesystem::path& FilePath() const;

    // Windows subscribe to hear about changes; returns an id for Unsubscribe.
    int Subscribe(std::function<void(TCursorEvent)> listener);
    void Unsubscribe(int id);

  protected:
    // The file to open, and how its rows come: either all row ids in cursor
    // order at once, or a stream read forward as rows are looked at.
    struct TRows {
        std::vector<long long> ids;
        std::unique_ptr<TRowStream> stream;
        size_t count = 0;  // for a stream
    };
    virtual std::shared_ptr<TTableFile> OpenFile() = 0;
    virtual TRows LoadRows(TTableFile& file) = 0;

    void RequireActive() const;
    void RequireBrowse(const char* operation) const;
    void Notify(TCursorEvent event);
    void SetState(TCursorState state);
    // Forgets the row values read so far (after rows were written or removed).
    void InvalidateRows();
    // Values of the row at a cursor position, read a block of rows at a time.
    const std::vector<TFieldValue>& RowAt(int index) const;
    long long CurrentRowId() const;
    // Reads the stream's next row id (and values, when asked) into rowIds_;
    // false when there is none. The stream goes once it is read to its end.
    bool ReadStreamRow(std::vector<TFieldValue>* values) const;

    TTableFile& File() const { return *file_; }
    int Count() const { return static_cast<int>(count_); }
    // Row ids by cursor position: all of them, or as far as the stream has read.
    mutable std::vector<long long> rowIds_;  // grows as a stream is read
    size_t count_ = 0;
    int current_ = -1;  // index into rowIds_, -1 when empty
    bool eof_ = true, bof_ = true;
    // Values of the row being inserted or edited, by column.
    std::vector<TFieldValue> pending_;

  private:
    TArchiveSession& session_;
    std::string aliasName_;
    TCursorState state_ = TCursorState::Closed;
    std::shared_ptr<TTableFile> file_;
    mutable std::unique_ptr<TRowStream> stream_;  // declared after file_: finalised first
    mutable std::map<int, std::vector<std::vector<TFieldValue>>> blocks_;
    std::map<int, std::function<void(TCursorEvent)>> listeners_;
    int nextListener_ = 1;
};
