#include "taskviews/task_checkbox_look.h"

TDTaskCheckboxLook TDTaskCheckboxLookFor(qint64 state, bool recurring, bool pointerOver,
                                         bool applicationActive, bool highlighted) {
    using Look = TDTaskCheckboxLook;
    Look look;
    if (!pointerOver && state == 3) {
        look.face = Look::Face::TimerIcon;
        return look;
    }
    if (!pointerOver && state == 4) {
        look.face = Look::Face::OverdueIcon;
        return look;
    }
    const bool done = state == 1 || state == 2;
    look.boxFillAlpha = !applicationActive ? 0.15 : done ? 0.25 : 0.75;
    look.highlightFill = highlighted;
    look.backgroundOpacity = done || !applicationActive ? 0.75 : 1.0;
    look.markOpacity = done ? 0.5 : 1.0;
    switch (state) {
        case -1:
            look.mark = Look::Mark::Mixed;
            break;
        case 1:
            look.mark = Look::Mark::Check;
            break;
        case 2:
            look.mark = Look::Mark::Cross;
            break;
        case 5:
            look.mark = Look::Mark::Repeat;
            break;
        default:
            look.mark = recurring ? Look::Mark::Repeat : Look::Mark::None;
    }
    return look;
}
