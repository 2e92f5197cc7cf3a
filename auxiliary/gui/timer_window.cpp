#include "auxiliary/gui/timer_window.h"

#include "app/main_window_layout.h"
#include "auxiliary/gui/timer_lcd_view.h"
#include "auxiliary/gui/timer_window_controls.h"
#include "auxiliary/timer_window_controller.h"
#include "controls/gui/window_animator.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/all_workspaces.h"
#include "taskviews/gui/single_task_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QScreen>

namespace {

const QString kAlwaysOnTop = QStringLiteral("timerAlwaysOnTop");
const QString kAllSpaces = QStringLiteral("showTimerInAllSpaces");
const QString kWidth = QStringLiteral("taskTimerWindowWidth");

constexpr int kMargin = 6;
constexpr int kGripWidth = 10;
constexpr int kRowHeight = 28;

QColor grey(int level) {
    return QColor(level, level, level);
}

// A fine grain over the panel, the same every time it is drawn.
const QImage& grain() {
    static const QImage image = [] {
        QImage made(64, 64, QImage::Format_ARGB32_Premultiplied);
        QRandomGenerator random(7);
        for (int y = 0; y < made.height(); ++y)
            for (int x = 0; x < made.width(); ++x) {
                const int alpha = int(random.bounded(10));
                made.setPixel(x, y, qRgba(alpha, alpha, alpha, alpha));
            }
        return made;
    }();
    return image;
}

}  // namespace

TDTimerWindow::TDTimerWindow(TDTimerWindowController& controller, platform::UserDefaults& defaults,
                             TDMenuBarEvents* menuBarEvents)
    : TDFloatingPanel(nullptr, menuBarEvents),
      m_controller(controller),
      m_defaults(defaults),
      m_lcd(new TDTimerLCDView(defaults, this)),
      m_taskView(new TDSingleTaskView(this)),
      m_checkbox(new TDTimerCheckbox(m_taskView)),
      m_pauseButton(new TDTimerButton(TDTimerButton::Glyph::Pause, this)),
      m_stopButton(new TDTimerButton(TDTimerButton::Glyph::Stop, this)),
      m_revealButton(new TDTimerButton(TDTimerButton::Glyph::Reveal, m_taskView)),
      m_grip(new TDTimerWindowResizeHandle(this)) {
    setObjectName(QStringLiteral("timer"));
    setWindowTitle(tr("Timer"));
    setAttribute(Qt::WA_TranslucentBackground);
    // Clicked, the panel takes the keys (Space, Esc); shown, it leaves them where they are.
    setCanBecomeKeyWindow(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMinimumSize(kMinimumWidth, kHeight);
    setMaximumHeight(kHeight);
    resize(kMinimumWidth, kHeight);

    m_lcd->setDelegate(&controller);
    m_pauseButton->setToolTip(tr("Pause (Space)"));
    m_stopButton->setToolTip(tr("Stop Timing (Esc)"));
    m_revealButton->setToolTip(tr("Show the task in the main window"));
    m_checkbox->setToolTip(tr("Mark as Completed"));
    connect(m_pauseButton, &TDTimerButton::clicked, &controller, [this] { m_controller.pauseOrResume(); });
    connect(m_stopButton, &TDTimerButton::clicked, &controller, [this] { m_controller.stopAndClose(); });
    connect(m_revealButton, &TDTimerButton::clicked, &controller, [this] { m_controller.revealTask(); });
    connect(m_checkbox, &TDTimerCheckbox::clicked, &controller, [this] { m_controller.toggleCompleted(); });
    connect(m_taskView, &TDSingleTaskView::doubleClicked, this, &TDTimerWindow::toggleWidth);
    connect(m_grip, &TDTimerWindowResizeHandle::doubleClicked, this, &TDTimerWindow::toggleWidth);
    connect(m_lcd, &TDTimerLCDView::digitAdded, this, &TDTimerWindow::p_growLeft);

    setFloatingPanel(m_defaults.boolean(kAlwaysOnTop));
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == kAlwaysOnTop) setFloatingPanel(m_defaults.boolean(kAlwaysOnTop));
    });
    p_layout();
}

TDTimerWindow::~TDTimerWindow() = default;

// --- TDTimerPanel

void TDTimerWindow::setTask(TDTask* task) {
    m_taskView->setTask(task);
    m_checkbox->setTask(task);
}

void TDTimerWindow::reloadTask() {
    m_taskView->reloadTask();
    m_checkbox->update();
}

void TDTimerWindow::setTime(double seconds) {
    m_lcd->setTime(seconds);
}

void TDTimerWindow::setPaused(bool paused) {
    m_pauseButton->setGlyph(paused ? TDTimerButton::Glyph::Play : TDTimerButton::Glyph::Pause);
    m_pauseButton->setToolTip(paused ? tr("Resume (Space)") : tr("Pause (Space)"));
    if (paused)
        m_lcd->pause();
    else
        m_lcd->resume();
    m_checkbox->update();
}

void TDTimerWindow::updateDisplayMode() {
    m_lcd->updateUI();
}

void TDTimerWindow::showWindow() {
    if (isWindowVisible()) return;
    m_closing = false;
    if (!isVisible()) {
        p_restoreFrame();
        // Window managers read the workspace once, when the window is mapped.
        TDShowOnAllWorkspaces(*this, m_defaults.boolean(kAllSpaces));
    }
    if (QWidget* active = QApplication::activeWindow(); active && active != this) m_keyWindowBefore = active;
    TDWindowAnimator::animatorWithWindow(this)->orderFront();
}

void TDTimerWindow::closeWindow(bool animate) {
    if (!isVisible()) return;
    p_saveFrame();
    m_closing = true;
    if (animate)
        TDWindowAnimator::animatorWithWindow(this)->close();
    else
        close();
}

bool TDTimerWindow::isWindowVisible() const {
    return isVisible() && !m_closing;
}

void TDTimerWindow::cancelOperation() {
    m_stopButton->click();
}

void TDTimerWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        m_pauseButton->click();
        return;
    }
    TDFloatingPanel::keyPressEvent(event);
}

void TDTimerWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->position().x() >= width() - kGripWidth) {
        event->accept();
        toggleWidth();
        return;
    }
    TDFloatingPanel::mouseDoubleClickEvent(event);
}

// --- Width and frame

void TDTimerWindow::toggleWidth() {
    const QScreen* screen = this->screen();
    const QRect screenFrame = screen ? screen->geometry() : QRect();
    QRect frame = geometry();
    const int screenRight = screenFrame.x() + screenFrame.width();
    if (frame.width() - minimumWidth() < 1) {
        // Never stored, the width reads 0: the expansion then keeps the minimum.
        const int width = std::max(minimumWidth(), int(m_defaults.real(kWidth)));
        if (screen && frame.x() + width > screenRight) frame.moveLeft(screenRight - width);
        frame.setWidth(width);
    } else {
        m_defaults.setValue(kWidth, double(frame.width()));
        // A panel at the right edge stays there.
        if (screen && frame.x() + frame.width() >= screenRight - 10)
            frame.moveLeft(screenRight - minimumWidth());
        frame.setWidth(minimumWidth());
    }
    setGeometry(frame);
}

void TDTimerWindow::p_growLeft(int width) {
    setMinimumWidth(minimumWidth() + width);
    QRect frame = geometry();
    frame.setLeft(frame.left() - width);
    if (const QScreen* screen = this->screen(); screen && frame.left() < screen->geometry().left())
        frame.moveLeft(screen->geometry().left());
    setGeometry(frame);
}

void TDTimerWindow::p_saveFrame() {
    m_defaults.setValue(FrameKey, TDMainWindowLayout::frameToString(geometry()));
}

void TDTimerWindow::p_restoreFrame() {
    const QRect saved = TDMainWindowLayout::frameFromString(m_defaults.string(FrameKey));
    if (saved.isValid()) {
        setGeometry(QRect(saved.topLeft(), QSize(std::max(saved.width(), minimumWidth()), kHeight)));
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    setGeometry(frame);
}

// --- Layout and drawing

void TDTimerWindow::resizeEvent(QResizeEvent* event) {
    TDFloatingPanel::resizeEvent(event);
    p_layout();
    // Kept as it changes, so a quit or a crash with the panel open loses nothing.
    if (isWindowVisible()) p_saveFrame();
}

void TDTimerWindow::moveEvent(QMoveEvent* event) {
    TDFloatingPanel::moveEvent(event);
    if (isWindowVisible()) p_saveFrame();
}

void TDTimerWindow::p_layout() {
    const QSize lcd = m_lcd->sizeHint();
    m_lcd->setGeometry(kMargin, (height() - lcd.height()) / 2, lcd.width(), lcd.height());
    const int rowLeft = m_lcd->geometry().right() + 1 + kMargin;
    const int rowWidth = width() - rowLeft - kGripWidth - 2;
    m_taskView->setGeometry(rowLeft, kMargin, rowWidth, kRowHeight);
    m_checkbox->setGeometry(4, 4, 20, 18);
    m_revealButton->setGeometry(rowWidth - 20, 5, 18, 17);
    const int buttonsTop = kMargin + kRowHeight + 4;
    m_pauseButton->setGeometry(rowLeft, buttonsTop, 34, 22);
    m_stopButton->setGeometry(rowLeft + 38, buttonsTop, 34, 22);
    m_grip->setGeometry(width() - kGripWidth, 0, kGripWidth, height());
    // No room for both: the checkbox stays, the reveal button goes.
    m_revealButton->setVisible(m_checkbox->geometry().right() + 1 < m_revealButton->geometry().left());
}

void TDTimerWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) {
        // The panel takes the keyboard only when clicked: a platform that activates every window it
        // shows gets the keyboard handed back to the window that had it.
        if (isActiveWindow() && !m_clicked && m_keyWindowBefore && m_keyWindowBefore->isVisible())
            m_keyWindowBefore->activateWindow();
        if (!isActiveWindow()) m_clicked = false;
        update();
    }
    TDFloatingPanel::changeEvent(event);
}

void TDTimerWindow::mousePressEvent(QMouseEvent* event) {
    m_clicked = true;
    activateWindow();
    TDFloatingPanel::mousePressEvent(event);
}

void TDTimerWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF bounds = rect();
    const bool key = isActiveWindow();
    QLinearGradient background(bounds.topLeft(), bounds.bottomLeft());
    background.setColorAt(0, key ? grey(0x64) : grey(0x54));
    background.setColorAt(1, key ? QColor(0x3b, 0x3b, 0x3c) : QColor(0x2b, 0x2b, 0x2c));
    QPainterPath outer;
    outer.addRoundedRect(bounds, 5, 5);
    painter.fillPath(outer, background);
    painter.save();
    painter.setClipPath(outer);
    painter.fillRect(bounds, QBrush(grain()));
    // The gloss survives only as a one-point rim along the top and the sides.
    QLinearGradient gloss(bounds.topLeft(), bounds.bottomLeft());
    gloss.setColorAt(0, QColor(255, 255, 255, 51));
    gloss.setColorAt(0.4, QColor(255, 255, 255, 0));
    painter.fillPath(outer, gloss);
    QPainterPath inner;
    inner.addRoundedRect(bounds.adjusted(1, 1, -1, 0), 4, 4);
    painter.setClipPath(inner, Qt::IntersectClip);
    painter.fillPath(inner, background);
    painter.fillRect(bounds, QBrush(grain()));
    painter.restore();
}
