#include "taskviews/gui/task_cell.h"

#include "foundation/constants.h"
#include "model/task.h"
#include "taskviews/gui/task_checkbox_cell.h"
#include "taskviews/task_tree_model.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QTreeView>

#include <cmath>
#include <limits>

namespace {

const QColor kNoteTextColor = QColor::fromRgbF(0.3f, 0.3f, 0.3f);

bool isYellowLook(int displayMode) {
    return displayMode == 1 || displayMode == 3;
}

}  // namespace

QFont TDTaskCell::noteFont() {
    const TDConstants& constants = TDConstants::shared();
    return TDTitleFonts::rowFont(
        constants.TDTaskNoteSummaryFont.value_or(constants.TDTaskNoteFont.value_or(QFont())));
}

TDTask* TDTaskCell::taskForIndex(const QModelIndex& index) {
    return index.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
}

bool TDTaskCell::p_isNoteExpanded(const TDTask* task) const {
    return m_expandAllNotes || (task && m_expandedNotes.contains(task->uid()));
}

TDTitleContext TDTaskCell::p_titleContext(const QStyleOptionViewItem& option) const {
    TDTitleContext context;
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    // An open editor is a child of the viewport holding the focus.
    const QWidget* focus = QApplication::focusWidget();
    const bool editingSomeRow =
        view && focus && focus != view->viewport() && view->viewport()->isAncestorOf(focus);
    context.selected = option.state.testFlag(QStyle::State_Selected) && !editingSomeRow;
    context.key = option.state.testFlag(QStyle::State_Active) && (!view || view->hasFocus());
    context.yellowLook = isYellowLook(m_displayMode);
    context.filterText = m_titleFilterText;
    return context;
}

TDTaskRowLayout TDTaskCell::rowLayout(const QStyleOptionViewItem& option, const QModelIndex& index,
                                      bool measuring) const {
    const TDTask* task = taskForIndex(index);
    return p_rowLayout(option, task, TDTaskRowFacts::fromTask(task), measuring);
}

TDTaskRowLayout TDTaskCell::p_rowLayout(const QStyleOptionViewItem& option, const TDTask* task,
                                        const TDTaskRowFacts& facts, bool measuring) const {
    TDTaskRowLayoutInput input;
    input.rowRect = QRectF(option.rect);
    if (measuring) input.rowRect.setHeight(std::numeric_limits<double>::max());
    input.title = TDAttributedTitle(facts, p_titleContext(option), true);
    const bool expanded = p_isNoteExpanded(task);
    input.noteText = expanded ? facts.notes : facts.notesSummary;
    input.noteExpanded = expanded;
    input.noteFont = noteFont();
    if (expanded)
        if (std::shared_ptr<QTextDocument> notes = m_noteDrawing.richNotes(task, input.noteFont))
            input.expandedNoteHeight = [notes](qreal width) {
                return TDNoteTextDrawing::height(*notes, width);
            };
    input.drawCheckbox = m_drawCheckbox;
    return m_layouts.layOut(task, input);
}

void TDTaskCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const TDTask* task = taskForIndex(index);
    if (!task) return;
    const TDTaskRowFacts facts = TDTaskRowFacts::fromTask(task);
    const TDTaskRowLayout layout = p_rowLayout(option, task, facts, false);
    painter->save();
    painter->setClipRect(option.rect);
    if (!layout.checkboxFrame.isEmpty()) {
        const bool pointerOver = m_tracking ? m_tracking->isOver(index, TDTrackingArea::Checkbox)
                                            : option.state.testFlag(QStyle::State_MouseOver);
        const bool held = m_pressedIndex == index && QApplication::mouseButtons().testFlag(Qt::LeftButton);
        TDTaskCheckboxCell::draw(*painter, layout.checkboxFrame,
                                 TDTaskCheckboxLookFor(facts.checkboxState, facts.recurring, pointerOver,
                                                       option.state.testFlag(QStyle::State_Active), held));
    }
    // Past-due, due-soon and past-start titles carry no colour of their own: they take the text colour,
    // never a pen the host view left behind.
    painter->setPen(cell.palette.color(QPalette::Text));
    layout.titleLayout->draw(*painter, layout.titleFrame.topLeft());
    if (m_isEditing && m_isEditing(task)) {
        const QRectF rule = TDTitleSeparatorRect(layout);
        if (!rule.isEmpty()) {
            // Fades out toward the right end of the title.
            QLinearGradient fade(rule.topLeft(), rule.topRight());
            fade.setColorAt(0.0, QColor(0, 0, 0, 77));
            fade.setColorAt(0.7, QColor(0, 0, 0, 77));
            fade.setColorAt(1.0, Qt::transparent);
            painter->fillRect(rule, fade);
        }
    }
    if (!layout.noteFrame.isEmpty()) {
        const QFont font = noteFont();
        painter->setFont(font);
        painter->setPen(kNoteTextColor);
        const QString notes = p_isNoteExpanded(task) ? facts.notes : facts.notesSummary;
        const int flags = Qt::AlignLeft | Qt::AlignTop;
        const std::shared_ptr<QTextDocument> richNotes =
            p_isNoteExpanded(task) ? m_noteDrawing.richNotes(task, font) : nullptr;
        if (richNotes)
            TDNoteTextDrawing::draw(*painter, *richNotes, layout.noteFrame, kNoteTextColor);
        else if (p_isNoteExpanded(task))
            painter->drawText(layout.noteFrame, flags | Qt::TextWordWrap, notes);
        else
            painter->drawText(
                layout.noteFrame, flags | Qt::TextSingleLine,
                QFontMetricsF(font).elidedText(notes.simplified(), Qt::ElideRight, layout.noteFrame.width()));
    }
    painter->restore();
}

QSize TDTaskCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (!taskForIndex(index)) return QStyledItemDelegate::sizeHint(option, index);
    // Asked for its size the cell may get no frame: it is as wide as its column.
    QStyleOptionViewItem sized = option;
    if (const auto* tree = qobject_cast<const QTreeView*>(option.widget)) {
        sized.rect.setWidth(tree->columnWidth(index.column()));
        if (index.column() == tree->header()->logicalIndex(0)) {
            int depth = 0;
            for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) ++depth;
            sized.rect.setWidth(sized.rect.width() -
                                tree->indentation() * (depth + (tree->rootIsDecorated() ? 1 : 0)));
        }
    }
    const TDTaskRowLayout layout = rowLayout(sized, index, true);
    return QSize(option.rect.width(), int(std::ceil(layout.height)));
}

bool TDTaskCell::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                             const QModelIndex& index) {
    TDTask* task = taskForIndex(index);
    if (!task) return QStyledItemDelegate::editorEvent(event, model, option, index);
    const TDTaskRowLayout layout = rowLayout(option, index);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton ||
                TDHitTestTaskRow(layout, mouse->position()) != TDTaskRowHit::Checkbox)
                break;
            m_pressedIndex = index;
            m_pressedPoint = mouse->position();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (m_pressedIndex != index) break;
            m_pressedIndex = QPersistentModelIndex();
            switch (TDCheckboxCommandForClick(layout, m_pressedPoint, mouse->position(),
                                              TDTaskRowFacts::fromTask(task))) {
                case TDCheckboxCommand::ToggleCompletion:
                    Q_EMIT toggleCompletionRequested(task);
                    break;
                case TDCheckboxCommand::ToggleCancellation:
                    Q_EMIT toggleCancellationRequested(task);
                    break;
                case TDCheckboxCommand::None:
                    break;
            }
            return true;
        }
        default:
            break;
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

bool TDTaskCell::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                           const QModelIndex& index) {
    const TDTask* task = taskForIndex(index);
    if (!task || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString tip =
        TDTaskRowToolTip(rowLayout(option, index), event->pos(), TDTaskRowFacts::fromTask(task), noteFont());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    QToolTip::showText(event->globalPos(), tip, view);
    return true;
}

void TDTaskCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    if (!taskForIndex(index)) return QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    const TDTaskRowLayout layout = rowLayout(option, index);
    editor->setGeometry(layout.titleFrame.toAlignedRect().intersected(option.rect));
}
