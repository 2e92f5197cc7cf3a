#include "taskviews/gui/card_view.h"

#include "model/task.h"
#include "store/library_manager.h"
#include "taskviews/card_facts.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/priority_box_cell.h"
#include "taskviews/gui/single_task_view.h"
#include "taskviews/gui/task_checkbox_cell.h"
#include "taskviews/gui/task_info_text_field.h"
#include "taskviews/gui/task_menu_builder.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_row_facts.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

namespace {

constexpr int kMargin = 20;
constexpr int kTitleLeft = 46;
constexpr int kFieldGap = 12;
// How far the pointer moves before a press becomes a drag of the task.
constexpr qreal kDragDistance = 5.0;

QColor labelColor() {
    return QColor(0x80, 0x80, 0x80);
}

QFont labelFont(const QWidget* widget) {
    QFont font = widget->font();
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

}  // namespace

TDCardCheckbox::TDCardCheckbox(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
}

void TDCardCheckbox::setState(qint64 state, bool recurring) {
    if (state == m_state && recurring == m_recurring) return;
    m_state = state;
    m_recurring = recurring;
    update();
}

void TDCardCheckbox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    TDTaskCheckboxCell::draw(
        painter, QRectF(rect()),
        TDTaskCheckboxLookFor(m_state, m_recurring, m_pointerOver,
                              QApplication::applicationState() == Qt::ApplicationActive, isDown()));
}

void TDCardCheckbox::enterEvent(QEnterEvent*) {
    m_pointerOver = true;
    update();
}

void TDCardCheckbox::leaveEvent(QEvent*) {
    m_pointerOver = false;
    update();
}

TDCardView::TDCardView(TDTasksController& tasksController, QWidget* parent)
    : QWidget(parent),
      m_tasksController(tasksController),
      m_checkbox(new TDCardCheckbox(this)),
      m_title(new TDTaskTitleTextView(this)),
      m_priority(new TDPriorityButton(this)),
      m_notesLabel(new QLabel(tr("Notes"), this)),
      m_notes(new TDNotesTextView(this)),
      m_subtasks(new QLabel(this)) {
    setObjectName(QStringLiteral("TaskCard"));
    setAcceptDrops(true);
    setFocusPolicy(Qt::NoFocus);
    m_title->setObjectName(QStringLiteral("CardTitle"));
    m_title->setFrameShape(QFrame::NoFrame);
    m_title->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_title->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The title lies on the card itself, framed only while it is edited.
    m_title->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    m_title->document()->setDocumentMargin(2);
    m_priority->resize(17, 18);
    m_notes->setObjectName(QStringLiteral("CardNotes"));
    m_notes->setFrameShape(QFrame::NoFrame);
    m_notesLabel->setFont(labelFont(this));
    m_subtasks->setFont(labelFont(this));
    m_subtasks->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel* label : {m_notesLabel, m_subtasks}) {
        QPalette grey = label->palette();
        grey.setColor(QPalette::WindowText, labelColor());
        label->setPalette(grey);
        // Clicks and drags on the labels act on the card.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    const QString labels[FieldCount] = {tr("Start"), tr("Due"), tr("Estimate")};
    const char* names[FieldCount] = {"CardStart", "CardDue", "CardEstimate"};
    for (int i = 0; i < FieldCount; ++i) {
        m_fieldLabels[i] = new QLabel(labels[i], this);
        m_fieldLabels[i]->setFont(labelFont(this));
        m_fieldLabels[i]->setPalette(m_notesLabel->palette());
        m_fieldLabels[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        // The inspector's fields: a pause in typing opens the calendar or the estimate slider.
        auto* field = new TDInspectorTextField(this);
        field->setFieldType(i == EstimateField ? TDInspectorTextField::Estimate : TDInspectorTextField::Date);
        m_fields[i] = field;
        m_fields[i]->setObjectName(QString::fromLatin1(names[i]));
        m_fields[i]->setFrame(false);
    }
    connect(m_checkbox, &QAbstractButton::clicked, this,
            [this] { Q_EMIT checkboxClicked(QApplication::keyboardModifiers() & Qt::AltModifier); });
    setControlsVisible(false);
}

void TDCardView::setTitleHeight(int height) {
    if (height == m_titleHeight) return;
    m_titleHeight = height;
    p_layout();
    update();
}

void TDCardView::setControlsVisible(bool visible) {
    for (QObject* child : children())
        if (auto* widget = qobject_cast<QWidget*>(child)) widget->setVisible(visible);
}

void TDCardView::resizeEvent(QResizeEvent*) {
    p_layout();
    Q_EMIT resized();
}

void TDCardView::p_layout() {
    const int w = width();
    const int h = height();
    m_checkbox->move(kMargin - 2, 17);
    m_title->setGeometry(kTitleLeft - 4, 12, w - kTitleLeft - kMargin - 17 - 10, m_titleHeight);
    m_priority->move(w - kMargin - 17, 17);
    const int labelsTop = 12 + m_titleHeight + 16;
    m_notesLabel->setGeometry(kMargin, labelsTop, 120, 16);
    m_subtasks->setGeometry(w - kMargin - 200, labelsTop, 200, 16);
    const int fieldLabelTop = h - kMargin - 42;
    const int notesTop = labelsTop + 20;
    m_notes->setGeometry(kMargin + 1, notesTop + 1, w - 2 * kMargin - 2,
                         std::max(fieldLabelTop - 14 - notesTop, 0));
    const int fieldWidth = (w - 2 * kMargin - 2 * kFieldGap) / 3;
    for (int i = 0; i < FieldCount; ++i) {
        const int x = kMargin + i * (fieldWidth + kFieldGap);
        m_fieldLabels[i]->setGeometry(x, fieldLabelTop, fieldWidth, 16);
        m_fields[i]->setGeometry(x + 1, fieldLabelTop + 19, fieldWidth - 2, 22);
    }
}

void TDCardView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect());
    QPainterPath sheet;
    sheet.addRoundedRect(bounds, 4, 4);
    QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
    gradient.setColorAt(0, QColor(252, 252, 252));
    gradient.setColorAt(1, QColor::fromRgbF(0.98, 0.98, 0.98));
    painter.fillPath(sheet, gradient);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.5), 1));
    painter.drawRoundedRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.4), 1));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    if (m_drawDragBorder) {
        painter.setPen(QPen(QColor(0x67, 0x6e, 0x7d), 2));
        painter.drawRoundedRect(bounds.adjusted(2, 2, -2, -2), 4, 4);
    }
    if (!m_task || !m_notes->isVisible()) return;
    // The frames of the notes and the fields; the one being edited in the focus colour.
    painter.setRenderHint(QPainter::Antialiasing, false);
    QList<QWidget*> framed{m_notes};
    for (QLineEdit* field : m_fields) framed << field;
    for (QWidget* widget : framed) {
        const QRect frame = widget->geometry().adjusted(-1, -1, 0, 0);
        painter.setPen(widget->hasFocus() ? palette().color(QPalette::Highlight) : QColor(0xd4, 0xd4, 0xd4));
        painter.setBrush(Qt::white);
        painter.drawRect(frame);
    }
}

QPixmap TDCardView::dragPicture() const {
    const QString title = m_task ? m_task->title() : QString();
    const int width = std::min(QFontMetrics(TDTitleFonts::shared().task).horizontalAdvance(title) + 60, 400);
    return TDSingleTaskView::dragPicture(m_task, std::max(width, 150), devicePixelRatioF());
}

void TDCardView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // The card's task is the selection the Task menu acts on.
    if (!m_task) return;
    if (!m_taskMenu) m_taskMenu = TDTaskMenuBuilder::makeMenu(m_tasksController, &TDTaskMenuTemplate, this);
    m_taskMenu->popup(event->globalPos());
}

void TDCardView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_pressPosition = event->position().toPoint();
}

void TDCardView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !m_task) return;
    if (QLineF(event->position(), m_pressPosition).length() <= kDragDistance) return;
    m_pressed = false;
    std::unique_ptr<QMimeData> data = m_tasksController.writeItems({m_task});
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    drag->setPixmap(dragPicture());
    drag->setHotSpot(QPoint(16, 15));
    drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
}

void TDCardView::mouseReleaseEvent(QMouseEvent*) {
    m_pressed = false;
}

void TDCardView::p_setDrawDragBorder(bool draws) {
    if (draws == m_drawDragBorder) return;
    m_drawDragBorder = draws;
    update();
}

void TDCardView::dragEnterEvent(QDragEnterEvent* event) {
    const TDCardTagDrop drop = TDCardTagDropForData(m_tasksController.library(), m_task, event->mimeData());
    if (!drop.accepted) {
        event->ignore();
        return;
    }
    p_setDrawDragBorder(true);
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void TDCardView::dragMoveEvent(QDragMoveEvent* event) {
    if (!m_drawDragBorder) return event->ignore();
    event->setDropAction(Qt::LinkAction);
    event->accept();
}

void TDCardView::dragLeaveEvent(QDragLeaveEvent*) {
    p_setDrawDragBorder(false);
}

void TDCardView::dropEvent(QDropEvent* event) {
    p_setDrawDragBorder(false);
    if (TDCardPerformTagDrop(m_tasksController.library(), m_task, event->mimeData())) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    } else {
        event->ignore();
    }
}
