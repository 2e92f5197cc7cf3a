#include "taskviews/print_options.h"

#include "platform/defaults/user_defaults.h"
#include "taskviews/task_presentation.h"

#include <QCoreApplication>

TDPrintOptions::TDPrintOptions(platform::UserDefaults& defaults, TDTaskPresentation* presentation)
    : m_defaults(defaults), m_presentation(nullptr) {
    setPresentation(presentation);
}

void TDPrintOptions::setPresentation(TDTaskPresentation* presentation) {
    if (presentation == m_presentation) return;
    m_presentation = presentation;
    if (!m_presentation) return;
    m_initialExpandedState = m_presentation->expandedState();
    p_applyExpansion();
    m_presentation->setExpandAllNotes(expandAllNotes());
}

bool TDPrintOptions::expandAllTasks() const {
    return m_defaults.boolean(ExpandAllTasksKey);
}

void TDPrintOptions::setExpandAllTasks(bool expand) {
    m_defaults.setValue(ExpandAllTasksKey, expand);
    p_applyExpansion();
}

bool TDPrintOptions::expandAllNotes() const {
    return m_defaults.boolean(ExpandAllNotesKey);
}

void TDPrintOptions::setExpandAllNotes(bool expand) {
    m_defaults.setValue(ExpandAllNotesKey, expand);
    if (m_presentation) m_presentation->setExpandAllNotes(expand);
}

bool TDPrintOptions::printHeaderAndFooter() const {
    return m_defaults.boolean(PrintHeaderAndFooterKey);
}

void TDPrintOptions::setPrintHeaderAndFooter(bool print) {
    m_defaults.setValue(PrintHeaderAndFooterKey, print);
}

bool TDPrintOptions::printLines() const {
    return m_defaults.boolean(PrintLinesKey);
}

void TDPrintOptions::setPrintLines(bool print) {
    m_defaults.setValue(PrintLinesKey, print);
}

QList<TDPrintOptions::SummaryItem> TDPrintOptions::summaryItems() const {
    const auto onOff = [](bool on) {
        return on ? QCoreApplication::translate("TDPrintOptions", "On")
                  : QCoreApplication::translate("TDPrintOptions", "Off");
    };
    return {{QCoreApplication::translate("TDPrintOptions", "Expand all tasks"), onOff(expandAllTasks())},
            {QCoreApplication::translate("TDPrintOptions", "Expand notes"), onOff(expandAllNotes())},
            {QCoreApplication::translate("TDPrintOptions", "Print headers and footers"),
             onOff(printHeaderAndFooter())},
            {QCoreApplication::translate("TDPrintOptions", "Print lines"), onOff(printLines())}};
}

void TDPrintOptions::p_applyExpansion() {
    if (!m_presentation) return;
    if (expandAllTasks())
        m_presentation->expandAll();
    else
        m_presentation->setExpandedState(m_initialExpandedState);
}
