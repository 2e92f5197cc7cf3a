#pragma once

// Which strip the hints bar shows: the task buttons, or a short help while something is edited.
enum class TDHintsStrip { MainButtons, TitleHelp, NoteHelp, DateHelp, EstimateHelp };

// What the keyboard is in: a note editor, a title editor, or another cell editor of the task list (its
// column; -1 when none) or a date or estimate balloon of it.
struct TDEditingFocus {
    bool note = false;
    bool title = false;
    int editedColumn = -1;
};

TDHintsStrip TDHintsStripForEditing(const TDEditingFocus& focus);
