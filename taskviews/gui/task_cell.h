#pragma once

#include "taskviews/gui/note_text_drawing.h"
#include "taskviews/gui/task_row_layout_cache.h"
#include "taskviews/task_row_layout.h"
#include "taskviews/task_row_tracking.h"

#include <QSet>
#include <QStyledItemDelegate>

#include <functional>

class TDTask;

// The task column of the task outline: the checkbox, the styled title and the notes line of the row's
// task (the tree model's task role). The checkbox's icons give way to the box while the pointer is over
// its tracked area (over the cell, outside an outline); a click released in the checkbox asks for the
// task's completion or cancellation to toggle.
class TDTaskCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // 1 and 3 draw on the yellow notebook, 2 and 4 on white.
    void setDisplayMode(int displayMode) { m_displayMode = displayMode; }
    int displayMode() const { return m_displayMode; }
    void setTitleFilterText(const QString& text) { m_titleFilterText = text; }
    void setDrawCheckbox(bool draw) { m_drawCheckbox = draw; }
    // Tasks (by uid) whose notes are open in full.
    void setExpandedNotes(const QSet<QString>& uids) { m_expandedNotes = uids; }
    void setExpandAllNotes(bool expand) { m_expandAllNotes = expand; }
    // The outline's hover tracking; without it the item view's hover state counts.
    void setTracking(const TDTaskRowTracking* tracking) { m_tracking = tracking; }
    // Whether a task's title or notes are being edited: its title is then ruled off from its notes.
    void setEditingQuery(std::function<bool(const TDTask*)> isEditing) { m_isEditing = std::move(isEditing); }

    static TDTask* taskForIndex(const QModelIndex& index);
    TDTaskRowLayout rowLayout(const QStyleOptionViewItem& option, const QModelIndex& index,
                              bool measuring = false) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The notes font of the rows.
    static QFont noteFont();

Q_SIGNALS:
    void toggleCompletionRequested(TDTask* task);
    void toggleCancellationRequested(TDTask* task);

private:
    TDTitleContext p_titleContext(const QStyleOptionViewItem& option) const;
    TDTaskRowLayout p_rowLayout(const QStyleOptionViewItem& option, const TDTask* task,
                                const TDTaskRowFacts& facts, bool measuring) const;
    bool p_isNoteExpanded(const TDTask* task) const;

    int m_displayMode = 1;
    QString m_titleFilterText;
    bool m_drawCheckbox = true;
    bool m_expandAllNotes = false;
    const TDTaskRowTracking* m_tracking = nullptr;
    std::function<bool(const TDTask*)> m_isEditing;
    QSet<QString> m_expandedNotes;
    TDNoteTextDrawing m_noteDrawing;
    // Painting and measuring the same rows again reuses their set text.
    mutable TDTaskRowLayoutCache m_layouts;
    QPersistentModelIndex m_pressedIndex;
    QPointF m_pressedPoint;
};
