#pragma once

#include <QTreeView>
#include <functional>

// The cam tree's view: no expand buttons and no lines, indent 15, the row under the mouse
// highlighted, the selection visible without focus, and a row whose text is cut shows it in full
// as its tooltip. Categories open by a mouse press (the window's handler) and by the keyboard.
class TCamTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TCamTreeView(QWidget* parent = nullptr);

    // Asked before the user's mouse or keys move the selection to a node; false keeps it where it is.
    std::function<bool(const QModelIndex& node)> CanSelect;

Q_SIGNALS:
    // Any mouse button pressed over the tree, with the node under the pointer (invalid for none).
    void MouseDown(const QModelIndex& node);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click is a press like the first.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
