// The row tree: the left-hand pane listing the lyric rows and, under each row, its regions.
//
// Item data (Qt::UserRole, an int) follows the region tag scheme of the lyric document:
//   row item     (row << 16), rows from 1; text = the row's text, followed by " (n)" with the
//                number of listed regions when there are any;
//   region item  (row << 16) | number, number 1..5, child of its row; text = the region's
//                "left|top|right|bottom" in model coordinates.
// Regions numbered 6, or of row 0, have no item.
//
// Rows are listed collapsed. A document may hold 65,535 rows of five regions, so a row's region
// items are made when they are first needed: when the row is expanded, or when findItemByData,
// SelectTag or a fill's re-selection looks for one of them. A row with regions shows its expand
// button before that.
//
// Choosing an item makes its row the document's current row and sends kMsgRowChosen to the
// layout view. A re-entrancy guard breaks the cycle tree -> view -> frame -> tree: while it is
// set, selection changes are not passed on and selectTag does nothing.
//
// The document and the layout view are not owned; both outlive the tree's use of them.
#pragma once

#include <QTreeWidget>

class CLayoutView;
class CLrcData;

class CLrcRowView : public QTreeWidget {
    Q_OBJECT
public:
    explicit CLrcRowView(QWidget* parent = nullptr);

    /// Rebuilds every row item from doc and keeps the selected item by its data; re-selecting it
    /// tells the layout view as a user's choice would.
    void Fill(CLrcData* doc, CLayoutView* view);
    /// Selects the item with data tag (its row item when several shapes are selected) and
    /// refreshes a region item's text; nothing for tag 0, an unknown tag or while the guard is set.
    void SelectTag(bool several, int tag);

    /// The item whose data equals data, null when none; makes the region items of its row
    /// first when they were not made yet.
    [[nodiscard]] QTreeWidgetItem* findItemByData(int data);
    /// The data of the selected item, 0 when none.
    [[nodiscard]] int selectedData() const;
    [[nodiscard]] CLrcData* document() const noexcept { return m_doc; }

    /// Qt role of the item data.
    static constexpr int kDataRole = Qt::UserRole;

private:
    class RowItem;

    void onSelectionChanged();
    /// Makes the region items of row from the document, once per fill.
    void populate(RowItem* row);

    CLrcData* m_doc = nullptr; ///< not owned; null until the first fill
    CLayoutView* m_view = nullptr; ///< not owned; null until the first fill
    int m_guard = 0; ///< re-entrancy guard, 0 when idle
};
