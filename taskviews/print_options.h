#pragma once

#include <QList>
#include <QString>
#include <QVariant>

class TDTaskPresentation;

namespace platform {
class UserDefaults;
}

// What a print of a task list shows: four choices kept in the user defaults, applied to the off-screen
// list that prints. The list's expansion when it was handed over comes back when "Expand all tasks" is
// turned off, so turning it off never leaves a collapsed list.
class TDPrintOptions {
public:
    static inline const QString ExpandAllTasksKey = QStringLiteral("expandAllTasksWhenPrinting");
    static inline const QString ExpandAllNotesKey = QStringLiteral("expandAllNotesWhenPrinting");
    static inline const QString PrintHeaderAndFooterKey = QStringLiteral("printHeaderAndFooter");
    static inline const QString PrintLinesKey = QStringLiteral("drawLinesWhenPrinting");

    // Neither is owned; the presentation may be none until setPresentation.
    explicit TDPrintOptions(platform::UserDefaults& defaults, TDTaskPresentation* presentation = nullptr);

    // The list being printed; its expansion now is the one "Expand all tasks" off returns to. The stored
    // choices are applied to it.
    void setPresentation(TDTaskPresentation* presentation);

    bool expandAllTasks() const;
    void setExpandAllTasks(bool expand);
    bool expandAllNotes() const;
    void setExpandAllNotes(bool expand);
    bool printHeaderAndFooter() const;
    void setPrintHeaderAndFooter(bool print);
    bool printLines() const;
    void setPrintLines(bool print);

    struct SummaryItem {
        QString name;
        QString description;
        bool operator==(const SummaryItem&) const = default;
    };
    // The four choices in the order of the print dialog, each "On" or "Off".
    QList<SummaryItem> summaryItems() const;

private:
    void p_applyExpansion();

    platform::UserDefaults& m_defaults;
    TDTaskPresentation* m_presentation;
    QVariant m_initialExpandedState;
};
