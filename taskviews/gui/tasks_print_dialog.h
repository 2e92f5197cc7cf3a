#pragma once

#include <QWidget>

class QCheckBox;
class TDPrintOptions;
class TDPrintRenderer;

// The print dialog's tab with the four print choices; each change is stored and applied to the list
// being printed at once.
class TDPrintingAccessoryView final : public QWidget {
    Q_OBJECT

public:
    explicit TDPrintingAccessoryView(TDPrintOptions& options, QWidget* parent = nullptr);

    QCheckBox& expandAllTasksBox() const { return *m_expandAllTasks; }
    QCheckBox& expandAllNotesBox() const { return *m_expandAllNotes; }
    QCheckBox& headerAndFooterBox() const { return *m_headerAndFooter; }
    QCheckBox& linesBox() const { return *m_lines; }

private:
    QCheckBox* m_expandAllTasks;
    QCheckBox* m_expandAllNotes;
    QCheckBox* m_headerAndFooter;
    QCheckBox* m_lines;
};

// Asks where to print, with the print choices as a tab of the dialog, and prints. A PDF file is one
// of the destinations, so printing needs no printer. False when cancelled or nothing was printed.
bool TDRunPrintDialog(TDPrintRenderer& renderer, QWidget* parent);
