#pragma once

#include "app/groups_controller.h"
#include "app/source_list_presentation.h"
#include "controls/gui/extended_outline_view.h"

#include <QPersistentModelIndex>
#include <QPointer>

#include <memory>

class QMenu;
class TDAlertPrompter;

// The source list: an outline over the groups controller's model and selection, one column of
// TDSourceListCells, on the source-list blue (grey while the window is inactive). A click selects a
// group (Ctrl-click opens it in a new tab) and hands the keyboard back to the window; a double click
// renames a group in place unless it is special. A second, outlined selection marks the row another
// window points at (the file-to-list panel's target).
class TDGroupsView : public TDExtendedOutlineView, public TDSourceListPresentation {
    Q_OBJECT

public:
    explicit TDGroupsView(QWidget* parent = nullptr);
    ~TDGroupsView() override;
    using TDExtendedOutlineView::edit;

    // Not owned. The prompter shows the refusal of a title that cannot be taken.
    void setController(TDGroupsController* controller, TDAlertPrompter* prompter);
    TDGroupsController* controller() const { return m_controller; }

    QModelIndex secondarySelectedItem() const { return m_secondarySelectedItem; }
    void setSecondarySelectedItem(const QModelIndex& item);

    // The background: the source-list colour of the window's state.
    QColor backgroundColor() const;
    // The selected row's fill: the source-list selection blue in the active window, a light shade otherwise.
    QColor selectionColor() const;

    // Source-list presentation.
    bool isEditingTitle() const override;
    void commitEditing() override;
    void editTitle(const QModelIndex& index) override;
    void centerSelectionIfNotFullyVisible() override {
        TDExtendedOutlineView::centerSelectionIfNotFullyVisible();
    }

    // The context menu for a click at the point of the viewport: nullptr on a top-level section header.
    std::unique_ptr<QMenu> contextMenuAt(const QPoint& point);

Q_SIGNALS:
    // A click or an edit ended: the window's first control should have the keyboard again.
    void focusReturnRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void p_syncExpansionFromModel(const QModelIndex& parent);
    bool p_hasDisclosure(const QModelIndex& index) const;

    QPointer<TDGroupsController> m_controller;
    TDAlertPrompter* m_prompter = nullptr;
    QPersistentModelIndex m_secondarySelectedItem;
    QPersistentModelIndex m_editedItem;
    // A refused title keeps its editor open.
    bool m_refusedEdit = false;
    QList<QMetaObject::Connection> m_controllerConnections;
};
