#pragma once

#include <QTextBlockFormat>

// The default paragraph format with centred alignment. Formats are values, so each caller gets its own
// copy to change.
QTextBlockFormat centeredParagraphStyle();
