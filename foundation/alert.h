#pragma once

#include "platform/base/error.h"

#include <QObject>
#include <QString>
#include <QStringList>

// User-info key of an error: a QObject* (not owned) whose view the user interface shows inside the alert.
inline const QString TDAccessoryViewController = QStringLiteral("TDAccessoryViewController");

// The alert that shows an error, before any window exists: the user interface turns it into a dialog.
struct TDAlert {
    QString messageText;      // the error's description
    QString informativeText;  // its recovery suggestion
    QStringList buttons;      // its recovery options, or "OK"; the first is the default
    QObject* accessoryViewController = nullptr;
};

TDAlert alertWithOrdelloError(const TDError& error);

// Asks the user a modal question. The user interface implements it with a dialog; tests script the answers.
class TDAlertPrompter {
public:
    virtual ~TDAlertPrompter() = default;
    // The index of the button chosen.
    virtual int runModal(const TDAlert& alert) = 0;
};

// Shows the error and, when it has a recovery attempter, lets it act on the option chosen. True when
// the attempter recovered.
bool presentError(const TDError& error, TDAlertPrompter& prompter);
