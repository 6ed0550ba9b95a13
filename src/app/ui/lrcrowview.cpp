#include "app/ui/lrcrowview.h"

#include "app/lrcdata.h"
#include "app/ui/appmessages.h"
#include "app/ui/layoutview.h"
#include "app/ui/widetext.h"

#include <QCoreApplication>
#include <QHeaderView>

/// A row item. A fill makes one for each of up to 65,535 rows, so it holds no more than its row
/// and region count: the data comes from the row number, and the text is made from the tree's
/// document the first time it is asked for, which for most rows is never.
class CLrcRowView::RowItem final : public QTreeWidgetItem {
public:
    RowItem(int row, int regionCount)
        : QTreeWidgetItem(QTreeWidgetItem::UserType)
        , m_row(row)
        , m_regionCount(regionCount)
    {
        if (regionCount > 0)
            setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }

    [[nodiscard]] QVariant data(int column, int role) const override
    {
        if (column == 0 && role == kDataRole)
            return CLrcData::regionTag(m_row, 0);
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return text();
        return QTreeWidgetItem::data(column, role);
    }

    void setData(int column, int role, const QVariant& value) override
    {
        if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) {
            m_text = value.toString();
            m_textMade = true;
            emitDataChanged();
        } else if (!(column == 0 && role == kDataRole)) {
            QTreeWidgetItem::setData(column, role, value);
        }
    }

    [[nodiscard]] int row() const noexcept { return m_row; }

    bool populated = false; ///< its region items were made

private:
    /// The row's text, followed by " (n)" when it has regions.
    [[nodiscard]] const QString& text() const
    {
        if (!m_textMade) {
            const auto* tree = qobject_cast<const CLrcRowView*>(treeWidget());
            if (!tree || !tree->document())
                return m_text; // not in a filled tree (yet): nothing to show
            m_text = wideToQString(tree->document()->rowText(m_row));
            if (m_regionCount > 0)
                m_text += QStringLiteral(" (") + QString::number(m_regionCount) + QLatin1Char(')');
            m_textMade = true;
        }
        return m_text;
    }

    int m_row;
    int m_regionCount; ///< regions listed when the tree was filled
    mutable QString m_text;
    mutable bool m_textMade = false;
};

CLrcRowView::CLrcRowView(QWidget* parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true); // buttons and lines at the root
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setBackgroundRole(QPalette::Base);
    setFrameShape(QFrame::Box);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CLrcRowView::onSelectionChanged);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (item->type() == QTreeWidgetItem::UserType)
            populate(static_cast<RowItem*>(item));
    });
}

void CLrcRowView::Fill(CLrcData* doc, CLayoutView* view)
{
    m_doc = doc;
    m_view = view;
    const int remembered = selectedData();

    // Deleting the items is no choice of the user: the view hears nothing of it.
    blockSignals(true);
    clear();
    blockSignals(false);
    if (!doc)
        return;

    const LrcRegionTable regions = doc->regionTable();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(doc->rowCount());
    for (int n = 1; n <= doc->rowCount(); ++n) {
        int count = 0;
        for (int k = 0; k < CLrcData::kMaxRegions; ++k)
            count += regions.find(n, k) != nullptr ? 1 : 0;
        rows.append(new RowItem(n, count));
    }
    // One insertion for all rows: the model announces them once.
    addTopLevelItems(rows);

    // Selecting it again tells the layout view, as a user's choice would, so the row stays
    // current and its regions selected.
    if (remembered != 0) {
        if (QTreeWidgetItem* reselect = findItemByData(remembered)) {
            setCurrentItem(reselect);
            scrollToItem(reselect);
        }
    }
}

void CLrcRowView::populate(RowItem* row)
{
    if (row->populated || !m_doc)
        return;
    row->populated = true;
    QList<QTreeWidgetItem*> children;
    for (int k = 1; k <= CLrcData::kMaxRegions; ++k) {
        const MgShape* sp = m_doc->FindRegion(row->row(), k - 1);
        if (!sp)
            continue;
        auto* child = new QTreeWidgetItem(QStringList(wideToQString(m_doc->FormatRegion(sp))));
        child->setData(0, kDataRole, CLrcData::regionTag(row->row(), k));
        children.append(child);
    }
    row->addChildren(children);
    row->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void CLrcRowView::onSelectionChanged()
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    if (items.isEmpty() || !m_doc)
        return;
    const int data = items.front()->data(0, kDataRole).toInt();
    if (data < 0x10000)
        return;
    m_doc->setCurrentRow(data >> 16);
    if (m_guard != 0 || !m_view)
        return;
    ++m_guard;
    CAppMessage msg(kMsgRowChosen, data & 0xFFFF, 0);
    QCoreApplication::sendEvent(m_view, &msg);
    --m_guard;
}

QTreeWidgetItem* CLrcRowView::findItemByData(int data)
{
    // Row items stand in row order and every item's data is unique, so the item is found from
    // the data itself rather than by walking the tree.
    const int n = data >> 16;
    if (n < 1 || n > topLevelItemCount())
        return nullptr;
    QTreeWidgetItem* rowItem = topLevelItem(n - 1);
    if (rowItem->type() != QTreeWidgetItem::UserType)
        return nullptr;
    auto* row = static_cast<RowItem*>(rowItem);
    if ((data & 0xFFFF) == 0)
        return row;
    populate(row);
    for (int i = 0; i < row->childCount(); ++i)
        if (row->child(i)->data(0, kDataRole).toInt() == data)
            return row->child(i);
    return nullptr;
}

int CLrcRowView::selectedData() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? 0 : items.front()->data(0, kDataRole).toInt();
}

void CLrcRowView::SelectTag(bool several, int tag)
{
    if (tag == 0 || m_guard != 0)
        return;
    ++m_guard;
    if (QTreeWidgetItem* item = findItemByData(tag)) {
        if (several && item->parent()) {
            item = item->parent();
        } else if (!several && m_doc && item->parent()) {
            // The region may just have been moved or resized: show its coordinates now.
            const MgShape* sp = m_doc->FindRegion(tag >> 16, (tag & 0xFFFF) - 1);
            item->setText(0, wideToQString(m_doc->FormatRegion(sp)));
        }
        setCurrentItem(item);
        scrollToItem(item);
    }
    --m_guard;
}
