#include "taskviews/gui/tasks_view.h"

#include "taskviews/tasks_controller.h"

#include <QScrollBar>

void TDTasksView::setPrinting(bool printing) {
    m_printing = printing;
    // On paper the list's title heads every mode's rows.
    m_controller.setPrinting(printing);
    // A page has no scroll bars and the column titles go into its top margin.
    const Qt::ScrollBarPolicy bars = printing ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    setHeaderHidden(printing);
    p_changeColors();
    viewport()->update();
}

void TDTasksView::setPrintsLines(bool printsLines) {
    m_printsLines = printsLines;
    viewport()->update();
}
