#pragma once

#include <QObject>

// The pointer hidden while the keyboard works: hidden until the mouse moves. While "really stay
// hidden" is set, a request to show it again hides it instead (the outline sets it while it moves
// editing from cell to cell, so the ends and restarts of editing do not flash it).
class TDCursor final : public QObject {
    Q_OBJECT

public:
    static void setReallyStayHiddenUntilMouseMoves(bool stayHidden);
    static bool reallyStaysHiddenUntilMouseMoves();
    static void setHiddenUntilMouseMoves(bool hidden);
    static bool isHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static TDCursor& p_shared();
    void p_hide();
    void p_show();

    bool m_hidden = false;
    bool m_reallyStayHidden = false;
};
