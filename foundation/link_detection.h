#pragma once

#include "foundation/range.h"

#include <QList>
#include <QString>
#include <QUrl>

// Finds the web and mail addresses in plain text: URLs with a scheme ("https://…", "mailto:…"),
// host names that begin with "www." (taken as http) and mail addresses (taken as mailto). Punctuation
// that ends a sentence or closes a bracket opened before the address is not part of it. The text is
// read one word at a time, so the work grows with the text's length and nothing else.
struct TDDetectedLink {
    TDRange range;
    QUrl url;
};

QList<TDDetectedLink> detectedLinks(const QString& text);
