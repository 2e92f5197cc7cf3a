#pragma once

#include "taskviews/gui/print_renderer.h"
#include "taskviews/print_options.h"

class TDCardsView;
class TDTasksController;

// Prints the front card as it shows on screen: one page, the list's print choices left alone.
class TDCardPrintJob final : public TDPrintRenderer {
public:
    TDCardPrintJob(const TDCardsView& cards, const TDTasksController& controller,
                   platform::UserDefaults& defaults);

    QString jobTitle() const override;
    TDPrintOptions& options() override { return m_options; }
    bool hasOptions() const override { return false; }
    void preparePrinter(QPrinter& printer) const override;
    int print(QPrinter& printer) override;

private:
    const TDCardsView& m_cards;
    const TDTasksController& m_controller;
    TDPrintOptions m_options;
};
