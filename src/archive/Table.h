#pragma once
// A table component: a read-write cursor over one table file in the table's
// own order (the order rows were added).

#include <string>

#include "archive/RowCursor.h"

class TTableCursor : public TRowCursor {
  public:
    explicit TTableCursor(TArchiveSession& session) : TRowCursor(session) {}

    const std::string& TableName() const { return tableName_; }
    void SetFileName(const std::string& fileName);  // table must be closed

    // A new blank row at the end becomes the current row, in insert mode.
    void Append();
    // The current row enters edit mode; no effect while editing or inserting;
    // on an empty table a new row is started as by Append.
    void Edit();
    // Writes the new or changed row (one transaction); the row stays current.
    void Post();
    // Drops a new row or the changes to an existing one.
    void Cancel();
    // Removes the current row; the following row (else the preceding) becomes
    // current. Raises "Cannot perform this operation on an empty dataset".
    void Delete();

    // Sets a field of the row being inserted or edited; empty text is null.
    // Text longer than a CHAR(n) column allows is refused here and by Post.
    void SetFieldValue(const std::string& name, const TFieldValue& value);

  protected:
    std::shared_ptr<TTableFile> OpenFile() override;
    TRows LoadRows(TTableFile& file) override;

  private:
    void RequireEditing() const;
    std::string tableName_;
    int beforeInsert_ = -1;  // current row before Append, restored by Cancel
};
