#pragma once

#include <QString>

class QPrinter;
class TDPrintOptions;

// What prints a task list as one presentation shows it (the outline prints its rows; cards print the
// front card). Made by the tasks view controller for the print command and kept until the print ends.
class TDPrintRenderer {
public:
    virtual ~TDPrintRenderer() = default;
    // The print job's name: the group's title.
    virtual QString jobTitle() const = 0;
    // The remembered choices of the print dialog, applied to what is printed.
    virtual TDPrintOptions& options() = 0;
    // Whether those choices mean anything for what prints (a card has no rows to expand or rule).
    virtual bool hasOptions() const { return true; }
    // Sets the page margins and resolution the pages are laid out with.
    virtual void preparePrinter(QPrinter& printer) const = 0;
    // Prints every page; the number of pages printed, 0 when the printer could not be painted on.
    virtual int print(QPrinter& printer) = 0;
};
