#pragma once

#include <QList>
#include <QObject>

namespace platform {
class UserDefaults;
}

// What the command bar can show; the numbers are the stored modes of the bar.
enum class TDCommandKind { Hints = 1, TagFilter = 2, Goto = 3 };

// Where a command view slides in from.
enum class TDCommandSlide { FromAbove = 0, FromBelow = 2, FromLeft = 3 };

// What the command bar's state asks of the widgets that show it.
class TDCommandBarPresentation {
public:
    virtual ~TDCommandBarPresentation() = default;
    // The bar shows this command alone.
    virtual void showCommand(TDCommandKind kind) = 0;
    // Slides the command in over the shown one; with `push` the covered view moves out of the way.
    virtual void slideInCommand(TDCommandKind kind, TDCommandSlide from, bool push, bool animated) = 0;
    // Slides the top command away, uncovering the one under it.
    virtual void slideBackTo(TDCommandKind uncovered, bool animated) = 0;
    // Opens or closes the bar's pane; calls animationDidStop on the state when the motion ends.
    virtual void openBar(bool animated) = 0;
    virtual void closeBar(bool animated) = 0;
    // The keyboard goes back to the window's first field (the task list).
    virtual void focusInitialFirstResponder() = 0;
};

// The command bar's logic without its widgets: whether it is open, opening or closing, the stack of
// commands it shows (go-to slides over the hints or the tag filter and back), and the mode the user
// default "commandBarMode" keeps. The status-bar buttons mirror the mode. Main thread.
class TDCommandBarState final : public QObject {
    Q_OBJECT
public:
    static inline const QString ModeKey = QStringLiteral("commandBarMode");
    // The bar's height when opened, and never less.
    static constexpr int kBarHeight = 38;

    enum class BarState { Closed = 0, Open = 1, Opening = 2, Closing = 3 };
    enum Mode { ClosedMode = 0, HintsMode = 1, TagFilterMode = 2, GotoMode = 3 };

    explicit TDCommandBarState(platform::UserDefaults& defaults, QObject* parent = nullptr);

    // Not owned; nullptr for none.
    void setPresentation(TDCommandBarPresentation* presentation) { m_presentation = presentation; }
    // Whether the bar's motions are animated (off in tests and while the window is hidden).
    void setAnimates(bool animates) { m_animates = animates; }

    BarState barState() const { return m_barState; }
    bool isOpen() const { return m_barState == BarState::Open || m_barState == BarState::Opening; }
    const QList<TDCommandKind>& commandStack() const { return m_stack; }
    // The command on top; only with a non-empty stack.
    bool hasTopCommand() const { return !m_stack.isEmpty(); }
    TDCommandKind topCommand() const { return m_stack.last(); }
    int mode() const { return m_mode; }

    bool isTaskSubmenuOpen() const { return p_isOpenWithTop(TDCommandKind::Hints); }
    bool isTagFilterOpen() const { return p_isOpenWithTop(TDCommandKind::TagFilter); }
    bool isGotoOpen() const { return p_isOpenWithTop(TDCommandKind::Goto); }

    // Go-to open over the wanted command only closes; any other go-to is closed before it is replaced.
    void openTaskSubmenu() { p_openAlone(TDCommandKind::Hints); }
    void openTagFilter() { p_openAlone(TDCommandKind::TagFilter); }
    // Go-to slides in from below over an open bar; a closed bar opens with go-to alone.
    void openGoto();
    // Go-to gives way to the command under it, or the bar closes when there is none.
    void closeGoto(bool animated);
    void toggleTaskSubmenu() { p_toggle(TDCommandKind::Hints); }
    void toggleTagFilter() { p_toggle(TDCommandKind::TagFilter); }
    void toggleGoto();
    void closeCommandBar();

    // The bar's own motions.
    void open();
    void close();
    // The motion that open or close began has ended.
    void animationDidStop();

    // The stack grows by slides, shrinks by slides back, and showCommand makes it one command.
    void setCommand(TDCommandKind kind);
    void transitionToCommand(TDCommandKind kind, TDCommandSlide from, bool push);
    void transitionBack(bool animated);

    // The bar as it was left: the tag filter or the hints open again; go-to and a closed bar stay closed.
    void restore();
    // The mode to keep at quit: go-to over another command keeps that command.
    int modeToSave() const;
    void saveMode();

    // The bar's height for a proposed one: at most half the space above the status bar.
    static int clampedHeight(int proposedHeight, int spaceAboveStatusBar);

Q_SIGNALS:
    void modeChanged(int mode);
    // Go-to is about to leave the bar (closed, covered by another command, or the bar closing): it puts
    // back what it changed. Once per closing.
    void gotoClosing();
    // A command is about to show (made and loaded by the window).
    void commandWillShow(TDCommandKind kind);

private:
    bool p_isOpenWithTop(TDCommandKind kind) const;
    void p_openAlone(TDCommandKind kind);
    void p_goToWillBeDropped();
    void p_toggle(TDCommandKind kind);
    void p_setMode(int mode);

    platform::UserDefaults& m_defaults;
    TDCommandBarPresentation* m_presentation = nullptr;
    QList<TDCommandKind> m_stack;
    BarState m_barState = BarState::Closed;
    int m_mode = ClosedMode;
    bool m_animates = true;
    bool m_closingGoto = false;
};
