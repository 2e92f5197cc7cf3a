#include "app/hints_strip.h"

#include "taskviews/task_cell_values.h"

TDHintsStrip TDHintsStripForEditing(const TDEditingFocus& focus) {
    if (focus.note) return TDHintsStrip::NoteHelp;
    if (focus.title) return TDHintsStrip::TitleHelp;
    switch (TDTaskColumn(focus.editedColumn)) {
        case TDTaskColumn::Task:
            return TDHintsStrip::TitleHelp;
        case TDTaskColumn::Start:
        case TDTaskColumn::Due:
            return TDHintsStrip::DateHelp;
        case TDTaskColumn::Estimate:
            return TDHintsStrip::EstimateHelp;
        default:
            return TDHintsStrip::MainButtons;
    }
}
