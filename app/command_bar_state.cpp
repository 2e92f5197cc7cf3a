#include "app/command_bar_state.h"

#include "platform/defaults/user_defaults.h"

#include <QScopedValueRollback>
#include <QtGlobal>

TDCommandBarState::TDCommandBarState(platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent), m_defaults(defaults) {
}

bool TDCommandBarState::p_isOpenWithTop(TDCommandKind kind) const {
    return isOpen() && hasTopCommand() && topCommand() == kind;
}

void TDCommandBarState::p_setMode(int mode) {
    m_defaults.setValue(ModeKey, mode);
    if (mode == m_mode) return;
    m_mode = mode;
    Q_EMIT modeChanged(mode);
}

// --- The stack

void TDCommandBarState::setCommand(TDCommandKind kind) {
    if (kind != TDCommandKind::Goto) p_goToWillBeDropped();
    Q_EMIT commandWillShow(kind);
    m_stack = {kind};
    if (m_presentation) m_presentation->showCommand(kind);
}

void TDCommandBarState::transitionToCommand(TDCommandKind kind, TDCommandSlide from, bool push) {
    if (hasTopCommand() && topCommand() == kind) return;
    Q_EMIT commandWillShow(kind);
    m_stack.append(kind);
    if (m_presentation) m_presentation->slideInCommand(kind, from, push, m_animates);
}

void TDCommandBarState::transitionBack(bool animated) {
    if (m_stack.size() < 2) return;
    m_stack.removeLast();
    if (m_presentation) {
        m_presentation->slideBackTo(topCommand(), animated && m_animates);
        m_presentation->focusInitialFirstResponder();
    }
}

// --- Opening and closing the bar

void TDCommandBarState::open() {
    if (isOpen()) return;
    m_barState = BarState::Opening;
    if (m_presentation)
        m_presentation->openBar(m_animates);
    else
        animationDidStop();
}

void TDCommandBarState::close() {
    if (!isOpen()) return;
    p_goToWillBeDropped();
    m_barState = BarState::Closing;
    if (m_presentation) {
        m_presentation->focusInitialFirstResponder();
        m_presentation->closeBar(m_animates);
    } else {
        animationDidStop();
    }
}

void TDCommandBarState::animationDidStop() {
    if (m_barState == BarState::Opening) {
        m_barState = BarState::Open;
    } else if (m_barState == BarState::Closing) {
        m_barState = BarState::Closed;
        // A closed bar shows nothing.
        m_stack.clear();
    }
}

// --- The window's commands

void TDCommandBarState::p_goToWillBeDropped() {
    // Go-to puts back what it changed before its view goes, however the bar lets it go.
    if (!m_closingGoto && isGotoOpen()) {
        QScopedValueRollback<bool> closing(m_closingGoto, true);
        Q_EMIT gotoClosing();
    }
}

void TDCommandBarState::p_openAlone(TDCommandKind kind) {
    if (isGotoOpen()) {
        closeGoto(false);
        if (p_isOpenWithTop(kind)) {
            p_setMode(int(kind));
            return;
        }
    }
    setCommand(kind);
    open();
    p_setMode(int(kind));
}

void TDCommandBarState::closeCommandBar() {
    close();
    p_setMode(ClosedMode);
}

void TDCommandBarState::p_toggle(TDCommandKind kind) {
    if (isGotoOpen()) {
        closeGoto(true);
        if (p_isOpenWithTop(kind)) return;
    }
    if (p_isOpenWithTop(kind))
        closeCommandBar();
    else
        p_openAlone(kind);
}

void TDCommandBarState::openGoto() {
    if (isOpen()) {
        transitionToCommand(TDCommandKind::Goto, TDCommandSlide::FromBelow, false);
    } else {
        setCommand(TDCommandKind::Goto);
        open();
    }
    p_setMode(GotoMode);
}

void TDCommandBarState::closeGoto(bool animated) {
    if (m_closingGoto) return;
    QScopedValueRollback<bool> closing(m_closingGoto, true);
    Q_EMIT gotoClosing();
    if (m_stack.size() < 2) {
        if (m_presentation) m_presentation->focusInitialFirstResponder();
        closeCommandBar();
        return;
    }
    transitionBack(animated);
    p_setMode(int(topCommand()));
}

void TDCommandBarState::toggleGoto() {
    if (isGotoOpen())
        closeGoto(true);
    else
        openGoto();
}

// --- Kept between runs

void TDCommandBarState::restore() {
    switch (m_defaults.integer(ModeKey)) {
        case TagFilterMode:
            openTagFilter();
            break;
        case HintsMode:
            openTaskSubmenu();
            break;
        default:
            closeCommandBar();
            break;
    }
}

int TDCommandBarState::modeToSave() const {
    if (isOpen() && m_stack.size() > 1 && topCommand() == TDCommandKind::Goto) return int(m_stack.first());
    return m_mode;
}

void TDCommandBarState::saveMode() {
    m_defaults.setValue(ModeKey, modeToSave());
}

int TDCommandBarState::clampedHeight(int proposedHeight, int spaceAboveStatusBar) {
    return qMin(proposedHeight, qMax(0, spaceAboveStatusBar) / 2);
}
