#pragma once

#include <QFont>
#include <QString>

#include <optional>

// Fonts are named by fontconfig names: a family, optionally followed by properties, such as
// "DejaVu Sans" or "Helvetica:style=Bold".

// The font the name stands for, at the size in points (0 or less: the default size); nullopt when the
// name is empty or malformed or when neither its family nor a family fontconfig puts in its place for
// the same metrics is installed.
std::optional<QFont> fontWithName(const QString& name, double pointSize);

// The fontconfig name of a font: its family and, when it has one, its style.
QString fontconfigName(const QFont& font);

// Lets QFont find the design's font families ("Helvetica", "Helvetica Neue") among the installed ones.
void TDInstallFontSubstitutions();
