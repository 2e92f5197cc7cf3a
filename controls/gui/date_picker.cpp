#include "controls/gui/date_picker.h"

#include "language/gregorian_calendar.h"
#include "platform/base/clock.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <cmath>

using namespace ODLDatePickerGeometry;

namespace {

QColor hsb(float hue, float saturation, float brightness) {
    return QColor::fromHsvF(hue, saturation, brightness);
}

QColor grey(float white) {
    return QColor::fromRgbF(white, white, white);
}

QToolButton* headerButton(QWidget* parent, const QString& text, const QString& toolTip) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setText(text);
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(18, 26);
    return button;
}

}  // namespace

ODLDatePicker::ODLDatePicker(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_firstWeekday = sharedGregorianCalendar().firstWeekday();
    m_weekendBitmap = ODLDatePickerGeometry::weekendBitmapOf(locale());
    m_today = TDClock::currentDateTime().date();

    m_previousButton = headerButton(this, QStringLiteral("◀"), tr("Show previous month"));
    m_selectedDateButton = headerButton(this, QStringLiteral("●"), tr("Show selected date"));
    m_nextButton = headerButton(this, QStringLiteral("▶"), tr("Show next month"));
    connect(m_previousButton, &QToolButton::clicked, this,
            [this] { showPreviousMonth(QGuiApplication::keyboardModifiers()); });
    connect(m_nextButton, &QToolButton::clicked, this,
            [this] { showNextMonth(QGuiApplication::keyboardModifiers()); });
    connect(m_selectedDateButton, &QToolButton::clicked, this, &ODLDatePicker::showSelectedDate);

    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kPagingDuration);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { p_setOffset(value.toReal()); });

    m_snapTimer = new QTimer(this);
    m_snapTimer->setSingleShot(true);
    m_snapTimer->setInterval(kPagingDuration);
    connect(m_snapTimer, &QTimer::timeout, this, &ODLDatePicker::p_snap);
    m_holdTimer = new QTimer(this);
    m_holdTimer->setInterval(kHeldPagingInterval);
    connect(m_holdTimer, &QTimer::timeout, this, &ODLDatePicker::p_heldPaging);

    resize(sizeHint());
    scrollToRow(rowForDate(m_today));
}

void ODLDatePicker::changeEvent(QEvent* event) {
    // The weekend and the day and month names follow a change of locale (month titles and weekday
    // labels are drawn from the locale as they are painted).
    if (event->type() == QEvent::LocaleChange) {
        m_weekendBitmap = ODLDatePickerGeometry::weekendBitmapOf(locale());
        update();
    }
    QWidget::changeEvent(event);
}

void ODLDatePicker::setFirstWeekday(int weekday) {
    m_firstWeekday = weekday;
    update();
}

void ODLDatePicker::setToday(const QDate& today) {
    m_today = today;
    update();
}

void ODLDatePicker::setDateValue(const QDate& date) {
    m_dateValue = date;
    if (date.isValid() && topRow() != rowForDate(date)) scrollToRow(rowForDate(date));
    update();
}

int ODLDatePicker::topRow() const {
    return int(std::floor(m_offset + 1e-9));
}

qreal ODLDatePicker::p_maxOffset() const {
    return qreal(kNumberOfRows - 1);
}

void ODLDatePicker::p_setOffset(qreal offset) {
    // Year 0 has no dates: its rows are never shown.
    m_offset = qBound(12.0, offset, p_maxOffset());
    update();
}

void ODLDatePicker::scrollToRow(int row) {
    m_animation->stop();
    p_setOffset(qreal(row));
}

void ODLDatePicker::animateScrollToMonthInDistance(int months, bool animated) {
    if (months == 0) return;
    const int row = int(std::lround(m_offset));
    if ((months < 0 && row <= 12) || (months > 0 && row >= kNumberOfRows - 1)) return;
    const qreal target = qBound(12.0, qreal(row + months), qreal(kNumberOfRows - 1));
    m_animation->stop();
    if (!animated) return p_setOffset(target);
    m_animation->setStartValue(m_offset);
    m_animation->setEndValue(target);
    m_animation->start();
}

void ODLDatePicker::showPreviousMonth(Qt::KeyboardModifiers modifiers) {
    animateScrollToMonthInDistance(-distanceForModifiers(modifiers));
}

void ODLDatePicker::showNextMonth(Qt::KeyboardModifiers modifiers) {
    animateScrollToMonthInDistance(distanceForModifiers(modifiers));
}

void ODLDatePicker::showSelectedDate() {
    const QDate date = m_dateValue.isValid() ? m_dateValue : m_today;
    m_animation->stop();
    m_animation->setStartValue(m_offset);
    m_animation->setEndValue(qreal(rowForDate(date)));
    m_animation->start();
}

void ODLDatePicker::p_snap() {
    const int middleRow = int(std::floor(m_offset + 0.5));
    m_animation->stop();
    m_animation->setStartValue(m_offset);
    m_animation->setEndValue(qreal(middleRow));
    m_animation->start();
}

void ODLDatePicker::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_nextButton->move(width() - 2 - 18 - 5, 2);
    m_selectedDateButton->move(m_nextButton->x() - 18, 2);
    m_previousButton->move(m_selectedDateButton->x() - 18, 2);
}

void ODLDatePicker::wheelEvent(QWheelEvent* event) {
    // A trackpad scrolls as it is moved; a wheel notch a twelfth of its usual distance.
    const qreal delta =
        !event->pixelDelta().isNull() ? event->pixelDelta().y() : event->angleDelta().y() / 8.0 * 20 / 12;
    m_animation->stop();
    p_setOffset(m_offset - delta / p_pageHeight());
    m_snapTimer->start();
    event->accept();
}

QDate ODLDatePicker::dateAt(QPoint point, DayType* type) const {
    if (point.y() < kHeaderHeight) return {};
    const qreal y = m_offset * p_pageHeight() + point.y() - kHeaderHeight;
    const int row = int(std::floor(y / p_pageHeight()));
    const int inPage = int(y - qreal(row) * p_pageHeight());
    const int c = width() / 7;
    const int margin = (width() - 7 * c) / 2;
    const int h = (p_pageHeight() - kGridTop) / 6;
    if (inPage < kGridTop || c <= 0 || h <= 0) return {};
    const int column = (point.x() - margin) / c;
    const int line = (inPage - kGridTop) / h;
    if (column < 0 || column > 6 || line > 5 || !dateAtBeginningOfRow(row).isValid()) return {};
    const DayCell cell = cellsOfRow(row, m_firstWeekday, m_weekendBitmap, m_today).at(line * 7 + column);
    if (type) *type = cell.type;
    const QDate month = dateAtBeginningOfRow(row).addMonths(cell.monthOffset());
    return QDate(month.year(), month.month(), cell.day);
}

QRect ODLDatePicker::rectOfDay(const QDate& date) const {
    const int row = rowForDate(date);
    const int top = int(std::lround((qreal(row) - m_offset) * p_pageHeight())) + kHeaderHeight;
    if (top + p_pageHeight() <= kHeaderHeight || top >= height()) return {};
    const DayRange range = rangeOfDaysInRow(row, m_firstWeekday);
    const int index = range.leading + date.day() - 1;
    const int c = width() / 7;
    const int margin = (width() - 7 * c) / 2;
    const int h = (p_pageHeight() - kGridTop) / 6;
    return QRect(index % 7 * c + margin, top + kGridTop + index / 7 * h, c, h);
}

int ODLDatePicker::p_monthOffsetAt(QPoint point) const {
    DayType type = DayType::Weekday;
    const QDate date = dateAt(point, &type);
    int offset = date.isValid() && (type == DayType::Trailing || type == DayType::Leading)
                     ? (type == DayType::Trailing ? -1 : 1)
                     : 0;
    // Above the grid of the shown month, or below the page.
    if (point.y() < kHeaderHeight + kGridTop) offset = -1;
    if (point.y() > height()) offset = 1;
    return offset;
}

void ODLDatePicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_lastMousePoint = event->position().toPoint();
    // Only a press on a day starts tracking: the month's title and the weekday names are no buttons.
    const QDate pressed = dateAt(m_lastMousePoint);
    if (!pressed.isValid()) return;
    m_tracking = true;
    const int offset = p_monthOffsetAt(m_lastMousePoint);
    if (offset != 0) {
        animateScrollToMonthInDistance(offset, false);
        m_holdTimer->start();
        return;
    }
    m_pressedDate = m_highlightedDate = pressed;
    update();
}

void ODLDatePicker::mouseMoveEvent(QMouseEvent* event) {
    if (!m_tracking) return;
    m_lastMousePoint = event->position().toPoint();
    const int offset = p_monthOffsetAt(m_lastMousePoint);
    if (offset != 0 && !m_holdTimer->isActive()) {
        animateScrollToMonthInDistance(offset, false);
        m_holdTimer->start();
    } else if (offset == 0) {
        m_holdTimer->stop();
    }
    const QDate under = dateAt(m_lastMousePoint);
    if (under != m_highlightedDate) {
        m_highlightedDate = under == m_pressedDate ? under : QDate();
        update();
    }
}

void ODLDatePicker::p_heldPaging() {
    const int offset = m_tracking ? p_monthOffsetAt(m_lastMousePoint) : 0;
    if (offset == 0) return m_holdTimer->stop();
    animateScrollToMonthInDistance(offset, false);
}

void ODLDatePicker::mouseReleaseEvent(QMouseEvent* event) {
    m_holdTimer->stop();
    if (!m_tracking) return;
    m_tracking = false;
    DayType type = DayType::Weekday;
    const QDate date = dateAt(event->position().toPoint(), &type);
    const bool picked =
        date.isValid() && date == m_pressedDate && type != DayType::Trailing && type != DayType::Leading;
    m_pressedDate = m_highlightedDate = QDate();
    update();
    if (!picked) return;
    setDateValue(date);
    Q_EMIT dateSelected(date);
}

void ODLDatePicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int c = width() / 7;
    const int margin = (width() - 7 * c) / 2;
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() - 2);
    painter.setFont(small);
    painter.setPen(grey(0.4f));
    const QLocale locale = this->locale();
    for (int i = 0; i < 7; ++i) {
        // QLocale counts Monday 1 .. Sunday 7; the symbol index Sunday 0 .. Saturday 6.
        const int symbol = weekdaySymbolIndexOfColumn(i, m_firstWeekday);
        const QString name = locale.dayName(symbol == 0 ? 7 : symbol, QLocale::NarrowFormat);
        painter.drawText(QRect(i * c + margin, 33, c, 17), Qt::AlignCenter, name);
    }
    painter.setClipRect(QRect(0, kHeaderHeight, width(), height() - kHeaderHeight));
    const int first = topRow();
    for (int row = first; row <= first + 1 && row < kNumberOfRows; ++row) {
        const int top = int(std::lround((qreal(row) - m_offset) * p_pageHeight())) + kHeaderHeight;
        if (top < height()) p_paintPage(painter, row, top);
    }
    painter.setClipping(false);
    painter.fillRect(QRect(0, kHeaderHeight - 1, width(), 1), grey(0.85f));
}

void ODLDatePicker::p_paintPage(QPainter& painter, int row, int top) const {
    const QDate month = dateAtBeginningOfRow(row);
    if (!month.isValid()) return;
    QFont titleFont = font();
    titleFont.setPointSizeF(font().pointSizeF() + 1);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    painter.drawText(
        QRect(0, top + 14, width(), 20), Qt::AlignCenter,
        locale().standaloneMonthName(month.month()) + QLatin1Char(' ') + QString::number(month.year()));
    const int c = width() / 7;
    const int margin = (width() - 7 * c) / 2;
    const int h = (p_pageHeight() - kGridTop) / 6;
    const QList<DayCell> cells = cellsOfRow(row, m_firstWeekday, m_weekendBitmap, m_today);
    QFont bold = font();
    bold.setBold(true);
    QFont todayFont = bold;
    todayFont.setPointSizeF(font().pointSizeF() + 3);
    const bool selectedRow = m_dateValue.isValid() && rowForDate(m_dateValue) == row;
    const bool highlightedRow = m_highlightedDate.isValid() && rowForDate(m_highlightedDate) == row;
    for (int i = 0; i < kCellsPerPage; ++i) {
        const DayCell& cell = cells.at(i);
        const QRect frame(i % 7 * c + margin, top + kGridTop + i / 7 * h, c, h);
        QColor color;
        switch (cell.type) {
            case DayType::Today:
                color = hsb(0.575f, 0.95f, 0.84f);
                painter.setFont(todayFont);
                break;
            case DayType::Weekday:
                color = grey(0.2f);
                painter.setFont(bold);
                break;
            case DayType::Weekend:
                color = grey(0.55f);
                painter.setFont(bold);
                break;
            case DayType::Trailing:
            case DayType::Leading:
                color = grey(0.8f);
                painter.setFont(font());
                break;
        }
        const bool inMonth = cell.monthOffset() == 0;
        const bool on = inMonth && selectedRow && m_dateValue.day() == cell.day;
        const bool highlighted = inMonth && highlightedRow && m_highlightedDate.day() == cell.day;
        if (on || highlighted) {
            QPainterPath rounded;
            rounded.addRoundedRect(QRectF(frame).adjusted(2, 2, -2, -2), 6, 6);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.fillPath(rounded, highlighted ? grey(0.75f) : hsb(0.575f, 0.95f, 0.94f));
            color = highlighted ? QColor(Qt::black) : QColor(Qt::white);
        }
        painter.setPen(color);
        painter.drawText(frame.adjusted(0, -2, 0, -2), Qt::AlignCenter, QString::number(cell.day));
    }
}
