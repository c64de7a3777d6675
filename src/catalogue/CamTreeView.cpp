#include "catalogue/CamTreeView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace {

// Hot tracking: the row under the mouse is drawn like a link. The full text is the tooltip only
// where the row cuts it.
class TCamTreeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver) {
            option->font.setUnderline(true);
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Link));
        }
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : view->style();
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        const int needed = item.fontMetrics.horizontalAdvance(item.text) + 2 * 3;
        const int visibleRight = view->viewport()->width();
        if (needed > textRect.width() || textRect.left() + needed > visibleRight)
            QToolTip::showText(event->globalPos(), item.text, view);
        else
            QToolTip::hideText();
        return true;
    }
};

} // namespace

TCamTreeView::TCamTreeView(QWidget* parent)
    : QTreeView(parent) {
    setFrameShape(QFrame::NoFrame);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(false);
    setIndentation(15);
    setUniformRowHeights(true);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(11, 9));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setItemDelegate(new TCamTreeDelegate(this));
    // The chosen cam stays marked while the focus is elsewhere in the window.
    QPalette colours = palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

QItemSelectionModel::SelectionFlags TCamTreeView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
    if (!index.isValid() || (CanSelect && !CanSelect(index)))
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

void TCamTreeView::mousePressEvent(QMouseEvent* event) {
    Q_EMIT MouseDown(indexAt(event->position().toPoint()));
    QTreeView::mousePressEvent(event);
}

void TCamTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}
