#pragma once

#include "taskviews/task_row_layout.h"

#include <QHash>
#include <QPair>

// The task rows' layouts kept per row, so that repainting a row shapes its text only when what it shows
// or its width changed: a scroll lays out only the rows it brings into view. An entry is used only when
// its input equals the new one but for the row's position; the layout is moved to that position.
class TDTaskRowLayoutCache {
public:
    // Rows kept at most: a few screens of rows in each of the layouts a row is asked for.
    static constexpr qsizetype kCapacity = 2048;

    TDTaskRowLayout layOut(const void* row, const TDTaskRowLayoutInput& input);
    void clear() { m_entries.clear(); }

private:
    struct Entry {
        TDTaskRowLayoutInput input;  // at the origin
        QFont titleFont;             // the task font the title was set in
        TDTaskRowLayout layout;      // at the origin
    };
    // By row and by whether the row was measured (an unbounded height) or framed.
    QHash<QPair<const void*, bool>, Entry> m_entries;
};
