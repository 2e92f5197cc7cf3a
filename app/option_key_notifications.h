#pragma once

#include <QString>

// Posted (no sender) when either Alt key goes down and when it comes up again; the program losing the
// focus counts as Alt coming up.
inline const QString TDOptionKeyDown = QStringLiteral("TDOptionKeyDown");
inline const QString TDOptionKeyUp = QStringLiteral("TDOptionKeyUp");
