#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <optional>

// A colour from hexadecimal text: six digits are red, green and blue, two each, over 255; one or two
// digits a grey of that level over 255; three digits one per channel, each over 255. Other lengths
// and text that is not hexadecimal log a warning and give nullopt.
std::optional<QColor> colorWithHexString(const QString& text, double alpha);

// A colour's stored form: a keyed archive of class "TDColor" (red, green, blue, alpha in 0...1).
QByteArray colorData(const QColor& color);
Result<QColor> colorWithData(const QByteArray& data);
