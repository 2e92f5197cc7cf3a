#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {
class UserDefaults;
}

// Placeholder title text of task cells and title editing: the one character U+200B.
inline const QString TDZeroWidthSpace = QString(QChar(0x200B));

// The program-wide colours, fonts and column order. Fonts are read from the font settings once, when
// the constants are built; a font whose name stands for no installed font is nullopt.
struct TDConstants {
    // Built on first use from the standard user defaults (after registerDefaultSettings and once the
    // application object exists) and kept for the life of the process.
    static const TDConstants& shared();
    // Built from the given settings, for tests.
    static TDConstants make(const platform::UserDefaults& defaults);

    QBrush TDNotebookPatternColor;  // the image ":/images/notebook_background.png" as a pattern
    QColor TDSelectionBlendColor;
    QColor TDYellowBackgroundColor;
    QColor TDLaunchBackgroundColor;
    QColor TDMarginLineColor;
    QColor TDGridColor;
    QColor TDListHeaderHighlightColor;
    QColor TDAlternateColumnOverlayColor;
    QColor TDAlternateColumnBackgroundColor;
    QColor TDTagTokenColor;
    QColor TDContextTagTokenColor;
    QColor TDCompletedTaskTextColor;
    QColor TDCanceledTaskTextColor;
    QColor TDNoteTextColor;
    QColor TDGroupingHeaderTextColor;
    QColor TDKeyWindowActiveColor;
    QColor TDKeyWindowInactiveColor;

    std::optional<QFont> TDListHeaderFont;
    std::optional<QFont> TDTasksGroupingHeaderFont;
    std::optional<QFont> TDColumnCellFont;
    std::optional<QFont> TDTaskFont;
    std::optional<QFont> TDTaskPastDueFont;
    std::optional<QFont> TDTaskDueSoonFont;
    std::optional<QFont> TDTaskPastStartFont;
    std::optional<QFont> TDTaskTagFont;
    std::optional<QFont> TDOtherColumnFont;
    std::optional<QFont> TDOtherColumnBoldFont;
    std::optional<QFont> TDTaskNoteFont;
    std::optional<QFont> TDTaskNoteSummaryFont;

    // The identifiers of the task outline's columns in the order it shows them.
    QStringList TDTaskColumnOrder;
};
