#pragma once

#include <QPixmap>
#include <QStandardItemModel>
#include <QWidget>

#include <memory>

class TDTask;
class QStyleOptionViewItem;
class TDTaskCell;

// One task drawn as the outline draws it, on a rounded plate: style 0 is the timer panel's row (a
// light gradient under a faint line), any other style the look of a dragged task (a pale plate with a
// white rim and the task's checkbox). A double click asks the window to toggle its width.
class TDSingleTaskView final : public QWidget {
    Q_OBJECT
public:
    explicit TDSingleTaskView(QWidget* parent = nullptr);
    ~TDSingleTaskView() override;

    TDTask* task() const { return m_task; }
    // Not owned; the library's context keeps it.
    void setTask(TDTask* task);
    // The task changed: draw it again.
    void reloadTask();
    int style() const { return m_style; }
    void setStyle(int style);
    // Where the task cell is drawn: 26 points on the left for the checkbox, 20 on the right.
    QRect cellFrame() const;

    // A task as it follows the pointer in a drag: style 1 at 60% opacity.
    static QPixmap dragPicture(TDTask* task, int width, qreal devicePixelRatio = 1.0);

Q_SIGNALS:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void p_paint(QPainter& painter);
    void p_paintCell(QPainter& painter, const QStyleOptionViewItem& option, const QRect& shown);

    TDTask* m_task = nullptr;
    int m_style = 0;
    QStandardItemModel m_row;
    std::unique_ptr<TDTaskCell> m_cell;
};
