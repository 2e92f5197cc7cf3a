#include "taskviews/gui/card_print_job.h"

#include "model/group.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/tasks_print.h"
#include "taskviews/tasks_controller.h"

#include <QPrinter>

TDCardPrintJob::TDCardPrintJob(const TDCardsView& cards, const TDTasksController& controller,
                               platform::UserDefaults& defaults)
    : m_cards(cards), m_controller(controller), m_options(defaults) {
}

QString TDCardPrintJob::jobTitle() const {
    const TDGroup* group = m_controller.group();
    return group ? group->title() : QStringLiteral("Ordello");
}

void TDCardPrintJob::preparePrinter(QPrinter& printer) const {
    printer.setDocName(jobTitle());
    printer.setFullPage(false);
    printer.setPageMargins(TDTasksPrintJob::kMargins, QPageLayout::Point);
    // Pixels as large as the screen's, so the card prints at its size on screen.
    printer.setResolution(m_cards.logicalDpiY());
}

int TDCardPrintJob::print(QPrinter& printer) {
    preparePrinter(printer);
    return m_cards.printFrontCard(printer) ? 1 : 0;
}
