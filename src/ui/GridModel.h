#pragma once
// A read-only table model over a row cursor. Cells are read from the cursor
// only when the view asks for them (the cursor keeps a bounded cache), so a
// list of any length costs one row id per row.

#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TRowCursor;

namespace brivano {

struct TGridColumn {
    std::string field;  // found without regard to case
    QString title;      // empty: the field's name as the table defines it
    int width = 64;
    Qt::Alignment alignment = Qt::AlignLeft;
    std::optional<QColor> colour;
    bool bold = false;
};

class TGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    TGridModel(TRowCursor& cursor, std::vector<TGridColumn> columns, QObject* parent = nullptr);
    ~TGridModel() override;

    const std::vector<TGridColumn>& Columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void Reload();

    TRowCursor& cursor_;
    std::vector<TGridColumn> columns_;
    std::vector<int> fieldIndex_;  // per column, -1 when the cursor lacks the field
    int rows_ = 0;
    int listener_ = 0;
};

// Draws a line under every row: rows are ruled, columns are not.
class TRowLineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

// A grid whose double-click is reported after the grid has moved its own
// current row to the clicked one, wherever in the grid the click lands.
class TGridView : public QTableView {
  public:
    using QTableView::QTableView;
    std::function<void()> OnRowDoubleClick;

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace brivano
