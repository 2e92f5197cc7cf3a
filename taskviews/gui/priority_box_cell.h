#pragma once

#include "taskviews/task_row_tracking.h"

#include <QImage>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QWidget>

class QMenu;

// The priority column: a small coloured box with the number (nothing for no priority, a grey "!" box
// while the pointer is over the cell: its tracked area in an outline). A click on the box pops up the nine
// boxes and "None"; the choice is sent as priorityChosen (0 for none), which the outline hands to the tasks
// controller.
class TDPriorityBoxCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The outline's hover tracking; without it the item view's hover state counts.
    void setTracking(const TDTaskRowTracking* tracking) { m_tracking = tracking; }

    static void drawBox(QPainter& painter, const QRectF& box, qint64 priority, bool pointerOver);
    // A 17 by 18 picture of the box, for the menu.
    static QImage boxImageForPriority(qint64 priority);
    // The pop-up menu; its actions carry their tag (-1 for "None") as data and send priorityChosen.
    QMenu* createMenu(QWidget* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

Q_SIGNALS:
    // The rows to change are the outline's selection, which a click on a box selects first.
    void priorityChosen(qint64 priority);

private:
    const TDTaskRowTracking* m_tracking = nullptr;
};

// One priority box as a view.
class TDPriorityView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
    qint64 priority() const { return m_priority; }
    void setPriority(qint64 priority);
    QSize sizeHint() const override { return QSize(17, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    qint64 m_priority = 0;
    bool m_containsMousePointer = false;
};

// The pop-up button form: shows the box, lit up while the pointer is over it (a grey "!" for no
// priority, so a person sees where to click), pops up the menu, never takes the keyboard focus.
class TDPriorityButton : public QToolButton {
    Q_OBJECT

public:
    explicit TDPriorityButton(QWidget* parent = nullptr);
    qint64 priority() const { return m_priority; }
    void setPriority(qint64 priority);
    QMenu* priorityMenu() const { return m_menu; }
    bool containsMousePointer() const { return m_containsMousePointer; }

Q_SIGNALS:
    void priorityChosen(qint64 priority);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TDPriorityBoxCell* m_cell;
    QMenu* m_menu;
    qint64 m_priority = 0;
    bool m_containsMousePointer = false;
};
