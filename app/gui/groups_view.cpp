#include "app/gui/groups_view.h"

#include "app/groups_controller.h"
#include "app/gui/source_list_cell.h"
#include "controls/gui/key_window_based_color.h"
#include "foundation/alert.h"
#include "foundation/font_names.h"
#include "model/group.h"
#include "model/library.h"

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kIndentation = 14;

}  // namespace

TDGroupsView::TDGroupsView(QWidget* parent) : TDExtendedOutlineView(parent) {
    // The design's Helvetica, from the installed stand-ins.
    TDInstallFontSubstitutions();
    setItemDelegate(new TDSourceListCell(this));
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setIndentation(kIndentation);
    setRootIsDecorated(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformRowHeights(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // The highlight is drawn per row below the cells; the style's own would cover them.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Highlight, Qt::transparent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(palette);
    viewport()->setAutoFillBackground(false);
}

TDGroupsView::~TDGroupsView() = default;

void TDGroupsView::setController(TDGroupsController* controller, TDAlertPrompter* prompter) {
    for (const QMetaObject::Connection& connection : std::as_const(m_controllerConnections))
        disconnect(connection);
    m_controllerConnections.clear();
    if (m_controller) m_controller->setPresentation(nullptr);
    m_controller = controller;
    m_prompter = prompter;
    if (!controller) {
        setModel(nullptr);
        return;
    }
    TDSourceListModel* sourceList = controller->model();
    setModel(sourceList);
    setSelectionModel(controller->selectionModel());
    controller->setPresentation(this);
    m_controllerConnections = {
        connect(sourceList, &TDSourceListModel::expansionChanged, this,
                [this](const QModelIndex& index, bool expanded) { setExpanded(index, expanded); }),
        connect(sourceList, &QAbstractItemModel::modelReset, this,
                [this] { p_syncExpansionFromModel(QModelIndex()); }),
        connect(this, &QTreeView::expanded, sourceList,
                [sourceList](const QModelIndex& index) { sourceList->setExpanded(index, true); }),
        connect(this, &QTreeView::collapsed, sourceList,
                [sourceList](const QModelIndex& index) { sourceList->setExpanded(index, false); }),
    };
    p_syncExpansionFromModel(QModelIndex());
}

void TDGroupsView::p_syncExpansionFromModel(const QModelIndex& parent) {
    const auto* sourceList = m_controller ? m_controller->model() : nullptr;
    if (!sourceList) return;
    for (int row = 0; row < sourceList->rowCount(parent); ++row) {
        const QModelIndex index = sourceList->index(row, 0, parent);
        if (sourceList->rowCount(index) == 0) continue;
        setExpanded(index, sourceList->isExpanded(index));
        p_syncExpansionFromModel(index);
    }
}

void TDGroupsView::setSecondarySelectedItem(const QModelIndex& item) {
    m_secondarySelectedItem = item;
    viewport()->update();
    if (item.isValid()) scrollTo(item);
}

// --- Looks

QColor TDGroupsView::backgroundColor() const {
    return TDSourceListColor(window()).currentColor();
}

QColor TDGroupsView::selectionColor() const {
    if (window()->isActiveWindow()) return QColor(0x74, 0x93, 0xbe);
    return QColor(0, 0, 0, 31);
}

void TDGroupsView::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        painter.fillRect(viewport()->rect(), backgroundColor());
    }
    TDExtendedOutlineView::paintEvent(event);
}

void TDGroupsView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    const QRect row(0, option.rect.y(), viewport()->width(), option.rect.height());
    if (selectionModel() && selectionModel()->isSelected(index)) painter->fillRect(row, selectionColor());
    if (m_secondarySelectedItem.isValid() &&
        index.siblingAtColumn(0) == QModelIndex(m_secondarySelectedItem)) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(0x4a, 0x6a, 0x98), 2.0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(row).adjusted(1.5, 1.5, -1.5, -1.5), 4.0, 4.0);
        painter->restore();
    }
    TDExtendedOutlineView::drawRow(painter, option, index);
}

bool TDGroupsView::p_hasDisclosure(const QModelIndex& index) const {
    if (!model() || model()->rowCount(index) == 0) return false;
    // The Inbox's and the Ordellos' sections always stay open.
    const TDGroup* group = m_controller ? m_controller->model()->groupForIndex(index) : nullptr;
    if (group && m_controller->mode() == 0 && group->isSpecial() &&
        (group->title() == QLatin1String("INBOX") || group->title() == QLatin1String("Ordellos")))
        return false;
    return true;
}

void TDGroupsView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    if (!p_hasDisclosure(index)) return;
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    const QRectF box(rect.right() - kIndentation + 1, rect.y(), kIndentation, rect.height());
    const QPointF centre = box.center();
    QPainterPath triangle;
    if (isExpanded(index)) {
        triangle.moveTo(centre.x() - 4.0, centre.y() - 2.0);
        triangle.lineTo(centre.x() + 4.0, centre.y() - 2.0);
        triangle.lineTo(centre.x(), centre.y() + 3.0);
    } else {
        triangle.moveTo(centre.x() - 2.0, centre.y() - 4.0);
        triangle.lineTo(centre.x() + 3.0, centre.y());
        triangle.lineTo(centre.x() - 2.0, centre.y() + 4.0);
    }
    triangle.closeSubpath();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(selected ? QColor(Qt::white) : QColor(0x7f, 0x8c, 0x99));
    painter->drawPath(triangle);
    painter->restore();
}

void TDGroupsView::changeEvent(QEvent* event) {
    TDExtendedOutlineView::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) viewport()->update();
}

// --- Context menu

std::unique_ptr<QMenu> TDGroupsView::contextMenuAt(const QPoint& point) {
    if (!m_controller) return nullptr;
    TDGroup* clicked = m_controller->model()->groupForIndex(indexAt(point));
    const auto entries = m_controller->contextMenuEntries(clicked);
    if (!entries) return nullptr;
    m_controller->setClickedGroup(clicked);
    auto menu = std::make_unique<QMenu>(this);
    for (const TDGroupsController::MenuEntry& entry : *entries) {
        if (!entry) {
            menu->addSeparator();
            continue;
        }
        const TDGroupsController::Command command = *entry;
        QAction* action = menu->addAction(TDGroupsController::titleForCommand(command));
        action->setEnabled(m_controller->validate(command));
        connect(action, &QAction::triggered, this, [this, command] {
            if (m_controller) m_controller->perform(command);
        });
    }
    // The commands act on the clicked row until the menu has gone.
    connect(menu.get(), &QMenu::destroyed, this, [controller = m_controller] {
        if (controller) controller->setClickedGroup(nullptr);
    });
    return menu;
}

void TDGroupsView::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu = contextMenuAt(event->pos());
    if (!menu) {
        event->ignore();
        return;
    }
    event->accept();
    menu->exec(event->globalPos());
}

// --- Drag and drop

// The model decides what a drop does; the action shown follows it (a file is linked, a task moved).
void TDGroupsView::dragMoveEvent(QDragMoveEvent* event) {
    TDExtendedOutlineView::dragMoveEvent(event);
    if (!event->isAccepted() || !m_controller) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    int row = -1;
    QModelIndex parent;
    switch (dropIndicatorPosition()) {
        case AboveItem:
            row = index.row();
            parent = index.parent();
            break;
        case BelowItem:
            row = index.row() + 1;
            parent = index.parent();
            break;
        case OnItem:
            parent = index;
            break;
        case OnViewport:
            break;
    }
    const bool allowsMove = event->possibleActions().testFlag(Qt::MoveAction);
    const Qt::DropAction action = TDDropActionForOperation(
        m_controller->model()->dropOperation(event->mimeData(), allowsMove, row, parent));
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

// --- Mouse and keys

void TDGroupsView::mousePressEvent(QMouseEvent* event) {
    if (m_controller) m_controller->setEventModifiers(event->modifiers());
    // A click on a disclosure triangle only opens or closes the folder.
    const QModelIndex index = indexAt(event->position().toPoint());
    const int indent = index.isValid() ? visualRect(index).x() : 0;
    if (index.isValid() && p_hasDisclosure(index) && event->position().x() < indent &&
        event->position().x() >= indent - kIndentation) {
        setExpanded(index, !isExpanded(index));
        if (m_controller) m_controller->setEventModifiers(Qt::NoModifier);
        return;
    }
    // Headers take no click: the selection stays where it was.
    if (index.isValid() && !index.flags().testFlag(Qt::ItemIsSelectable)) {
        if (m_controller) m_controller->setEventModifiers(Qt::NoModifier);
        event->accept();
        return;
    }
    TDExtendedOutlineView::mousePressEvent(event);
    if (m_controller) m_controller->setEventModifiers(Qt::NoModifier);
    if (state() != EditingState) Q_EMIT focusReturnRequested();
}

void TDGroupsView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !index.isValid()) return;
    // Special groups keep their titles.
    if (index.flags().testFlag(Qt::ItemIsEditable)) edit(index);
}

void TDGroupsView::keyPressEvent(QKeyEvent* event) {
    if (m_controller) m_controller->setEventModifiers(event->modifiers());
    TDExtendedOutlineView::keyPressEvent(event);
    if (m_controller) m_controller->setEventModifiers(Qt::NoModifier);
}

// --- Editing titles

bool TDGroupsView::isEditingTitle() const {
    return state() == QAbstractItemView::EditingState;
}

void TDGroupsView::commitEditing() {
    if (!isEditingTitle()) return;
    if (auto* editor = viewport()->findChild<QLineEdit*>()) {
        commitData(editor);
        if (!m_refusedEdit) closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDGroupsView::editTitle(const QModelIndex& index) {
    if (!index.isValid() || !index.flags().testFlag(Qt::ItemIsEditable)) return;
    scrollTo(index);
    edit(index);
    if (!isEditingTitle()) return;
    if (auto* line = viewport()->findChild<QLineEdit*>()) line->selectAll();
}

bool TDGroupsView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!TDExtendedOutlineView::edit(index, trigger, event)) return false;
    m_editedItem = index;
    return true;
}

void TDGroupsView::commitData(QWidget* editor) {
    auto* line = qobject_cast<QLineEdit*>(editor);
    const QModelIndex index = m_editedItem;
    if (m_controller && line && index.isValid()) {
        if (const std::optional<TDError> refusal =
                m_controller->model()->validateTitle(index, line->text())) {
            m_refusedEdit = true;
            if (m_prompter) m_prompter->runModal(alertWithOrdelloError(*refusal));
            return;
        }
    }
    TDExtendedOutlineView::commitData(editor);
}

void TDGroupsView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (std::exchange(m_refusedEdit, false)) {
        // The editor stays open on the refused title, for the user to change it.
        editor->setFocus();
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->selectAll();
        return;
    }
    TDExtendedOutlineView::closeEditor(editor, hint);
    Q_EMIT focusReturnRequested();
}
