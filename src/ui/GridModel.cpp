#include "ui/GridModel.h"

#include <QFont>
#include <QPainter>

#include "archive/RowCursor.h"

namespace brivano {

TGridModel::TGridModel(TRowCursor& cursor, std::vector<TGridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), cursor_(cursor), columns_(std::move(columns)) {
    Reload();
    listener_ = cursor_.Subscribe([this](TCursorEvent event) {
        if (event != TCursorEvent::RowsChanged) return;
        beginResetModel();
        Reload();
        endResetModel();
    });
}

TGridModel::~TGridModel() {
    cursor_.Unsubscribe(listener_);
}

void TGridModel::Reload() {
    rows_ = cursor_.Active() ? cursor_.RowCount() : 0;
    fieldIndex_.clear();
    for (const TGridColumn& c : columns_) fieldIndex_.push_back(cursor_.FieldIndex(c.field));
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const TGridColumn& column = columns_[static_cast<size_t>(index.column())];
    switch (role) {
        case Qt::DisplayRole: {
            const int field = fieldIndex_[static_cast<size_t>(index.column())];
            if (field < 0 || !cursor_.Active()) return {};
            try {
                const TFieldValue value = cursor_.ValueAt(index.row() + 1, field);
                return value ? QString::fromStdString(*value) : QString();
            } catch (const std::exception&) {
                // A row that cannot be read shows empty; the grid goes on painting.
                return {};
            }
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(column.alignment | Qt::AlignVCenter);
        case Qt::BackgroundRole:
            return column.colour ? QVariant(*column.colour) : QVariant();
        case Qt::FontRole:
            if (!column.bold) return {};
            {
                QFont font;
                font.setBold(true);
                return font;
            }
        default:
            return {};
    }
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const auto s = static_cast<size_t>(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
    if (role != Qt::DisplayRole) return {};
    if (!columns_[s].title.isEmpty()) return columns_[s].title;
    const int field = fieldIndex_[s];
    if (field >= 0) return QString::fromStdString(cursor_.FieldNames()[static_cast<size_t>(field)]);
    return QString::fromStdString(columns_[s].field);
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TRowLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
}

void TGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    if (OnRowDoubleClick) OnRowDoubleClick();
}

}  // namespace brivano
