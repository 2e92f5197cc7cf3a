#pragma once

#include <QtGlobal>

// How the checkbox of a task row is drawn for the task's checkbox state: a running timer and a past
// due date show an icon in place of the box until the pointer is over the row's task cell.
struct TDTaskCheckboxLook {
    enum class Face { Box, TimerIcon, OverdueIcon };
    enum class Mark { None, Mixed, Check, Cross, Repeat };

    Face face = Face::Box;
    qreal boxFillAlpha = 0.75;      // the white square behind the box
    bool highlightFill = false;     // the button is held down on it
    qreal backgroundOpacity = 1.0;  // the box's outline
    Mark mark = Mark::None;
    qreal markOpacity = 1.0;

    friend bool operator==(const TDTaskCheckboxLook&, const TDTaskCheckboxLook&) = default;
};

TDTaskCheckboxLook TDTaskCheckboxLookFor(qint64 state, bool recurring, bool pointerOver,
                                         bool applicationActive, bool highlighted);
