#pragma once

#include <QString>
#include <QUrl>

// Ordello's help: short HTML pages installed with the program in share/ordello/help, beside the
// folder of the executable (build/app and /usr/bin alike).
QString TDHelpFolder(const QString& executableFolder);

// The help page at the anchor ("repeating_tasks"); the start of the help for an empty anchor or one the
// pages do not have. Invalid when the help is not installed.
QUrl TDHelpURL(const QString& executableFolder, const QString& anchor);
