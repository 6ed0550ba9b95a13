#include "app/ui/lrcrowview.h"

#include "app/lrcdata.h"
#include "app/ui/appmessages.h"
#include "app/ui/layoutview.h"

#include <QCoreApplication>
#include <QHeaderView>

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

    QTreeWidgetItem* reselect = nullptr;
    const LrcRegionTable regions = doc->regionTable();
    for (int n = 1; n <= doc->rowCount(); ++n) {
        const QString text = QString::fromStdWString(doc->rowText(n));
        const int rowData = CLrcData::regionTag(n, 0);
        auto* row = new QTreeWidgetItem(QStringList(text));
        row->setData(0, kDataRole, rowData);
        addTopLevelItem(row);
        if (rowData == remembered)
            reselect = row;
        int count = 0;
        for (int k = 1; k <= CLrcData::kMaxRegions; ++k) {
            const MgShape* sp = regions.find(n, k - 1);
            if (!sp)
                continue;
            auto* child = new QTreeWidgetItem(QStringList(QString::fromStdWString(doc->FormatRegion(sp))));
            child->setData(0, kDataRole, CLrcData::regionTag(n, k));
            row->addChild(child);
            ++count;
            if (CLrcData::regionTag(n, k) == remembered)
                reselect = child;
        }
        if (count > 0)
            row->setText(0, text + QString::asprintf(" (%d)", count));
    }
    expandAll();
    // Selecting it again tells the layout view, as a user's choice would, so the row stays
    // current and its regions selected.
    if (reselect) {
        setCurrentItem(reselect);
        scrollToItem(reselect);
    }
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

QTreeWidgetItem* CLrcRowView::findItemByData(int data) const
{
    // Depth first: an item, its children recursively, then its next sibling.
    struct Walk {
        static QTreeWidgetItem* find(QTreeWidgetItem* item, int data)
        {
            if (item->data(0, kDataRole).toInt() == data)
                return item;
            for (int i = 0; i < item->childCount(); ++i)
                if (QTreeWidgetItem* hit = find(item->child(i), data))
                    return hit;
            return nullptr;
        }
    };
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (QTreeWidgetItem* hit = Walk::find(topLevelItem(i), data))
            return hit;
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
            item->setText(0, QString::fromStdWString(m_doc->FormatRegion(sp)));
        }
        setCurrentItem(item);
        scrollToItem(item);
    }
    --m_guard;
}
