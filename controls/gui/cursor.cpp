#include "controls/gui/cursor.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>

TDCursor& TDCursor::p_shared() {
    static TDCursor shared;
    return shared;
}

void TDCursor::setReallyStayHiddenUntilMouseMoves(bool stayHidden) {
    p_shared().m_reallyStayHidden = stayHidden;
}

bool TDCursor::reallyStaysHiddenUntilMouseMoves() {
    return p_shared().m_reallyStayHidden;
}

void TDCursor::setHiddenUntilMouseMoves(bool hidden) {
    TDCursor& cursor = p_shared();
    if (hidden || cursor.m_reallyStayHidden)
        cursor.p_hide();
    else
        cursor.p_show();
}

bool TDCursor::isHidden() {
    return p_shared().m_hidden;
}

void TDCursor::p_hide() {
    if (m_hidden || !qApp) return;
    m_hidden = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    qApp->installEventFilter(this);
}

void TDCursor::p_show() {
    if (!m_hidden || !qApp) return;
    m_hidden = false;
    qApp->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
}

bool TDCursor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::HoverMove) p_show();
    return QObject::eventFilter(watched, event);
}
