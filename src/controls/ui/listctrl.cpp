#include "controls/ui/listctrl.h"

#include "controls/listcompare.h"

#include <QHeaderView>

namespace {

class CXListItem : public QTableWidgetItem
{
public:
    explicit CXListItem(const QString& text) : QTableWidgetItem(text) {}

    // The model sorts one column at a time; for descending order it swaps the operands.
    bool operator<(const QTableWidgetItem& other) const override { return CompareListCells(text(), other.text()) < 0; }
};

} // namespace

CXListCtrl::CXListCtrl(QWidget* parent) : QTableWidget(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setSortingEnabled(false); // rows stay where they are put until a column is sorted
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CXListCtrl::OnHeaderClicked);
}

int CXListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment alignment, int width)
{
    column = qBound(0, column, columnCount());
    insertColumn(column);
    auto* header = new QTableWidgetItem(heading);
    header->setTextAlignment(alignment | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    m_columnAlignment.insert(column, alignment);
    if (width >= 0)
        setColumnWidth(column, width);
    return column;
}

int CXListCtrl::InsertItem(int row, const QString& text)
{
    if (row < 0 || row > rowCount())
        row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column)
        SetItemText(row, column, column == 0 ? text : QString());
    return row;
}

void CXListCtrl::SetItemText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return;
    if (QTableWidgetItem* existing = item(row, column)) {
        existing->setText(text);
        return;
    }
    auto* cell = new CXListItem(text);
    cell->setTextAlignment(m_columnAlignment.value(column, Qt::AlignLeft) | Qt::AlignVCenter);
    setItem(row, column, cell);
}

QString CXListCtrl::GetItemText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CXListCtrl::SetItemData(int row, qint64 data)
{
    if (QTableWidgetItem* cell = item(row, 0))
        cell->setData(Qt::UserRole, data);
}

qint64 CXListCtrl::GetItemData(int row) const
{
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(Qt::UserRole).toLongLong() : -1;
}

void CXListCtrl::DeleteAllItems()
{
    clearSelection();
    setRowCount(0);
}

int CXListCtrl::GetFirstSelectedItem() const
{
    int first = -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void CXListCtrl::SelectItem(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item(row, 0));
}

void CXListCtrl::SortItems(int column, bool ascending)
{
    if (column < 0 || column >= columnCount())
        return;
    m_nSortColumn = column;
    m_bSortAscending = ascending;
    const Qt::SortOrder order = ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    sortItems(column, order);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, order);
}

void CXListCtrl::SetSortable(bool sortable)
{
    m_bSortable = sortable;
    horizontalHeader()->setSectionsClickable(sortable);
}

void CXListCtrl::SetAllowColumnResizing(bool allow)
{
    m_bAllowColumnResizing = allow;
    horizontalHeader()->setSectionResizeMode(allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void CXListCtrl::OnHeaderClicked(int column)
{
    if (!m_bSortable)
        return;
    // A new column starts ascending; the same column again turns the order round.
    SortItems(column, column == m_nSortColumn ? !m_bSortAscending : true);
}
