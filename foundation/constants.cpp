#include "foundation/constants.h"

#include "foundation/color_additions.h"
#include "foundation/font_names.h"
#include "foundation/user_defaults_additions.h"
#include "platform/defaults/user_defaults.h"

#include <QImage>

namespace {

QColor hex(const char* digits, double alpha) {
    return colorWithHexString(QString::fromLatin1(digits), alpha).value_or(QColor());
}

QColor rgb(int red, int green, int blue) {
    return QColor::fromRgbF(red / 255.0f, green / 255.0f, blue / 255.0f);
}

QColor white(double level, double alpha) {
    return QColor::fromRgbF(float(level), float(level), float(level), float(alpha));
}

// The colour moved towards white by the fraction, as a highlight of it.
QColor highlighted(const QColor& color, float fraction) {
    auto lift = [fraction](float c) { return c + (1.0f - c) * fraction; };
    return QColor::fromRgbF(lift(color.redF()), lift(color.greenF()), lift(color.blueF()), color.alphaF());
}

}  // namespace

const TDConstants& TDConstants::shared() {
    static const TDConstants constants = make(platform::UserDefaults::standard());
    return constants;
}

TDConstants TDConstants::make(const platform::UserDefaults& defaults) {
    TDInstallFontSubstitutions();
    TDConstants c;
    const QImage notebook(QStringLiteral(":/images/notebook_background.png"));
    if (!notebook.isNull()) c.TDNotebookPatternColor = QBrush(notebook);
    c.TDSelectionBlendColor = hex("fff5b3", 1.0);
    c.TDYellowBackgroundColor = hex("fefab3", 1.0);
    c.TDLaunchBackgroundColor = white(0.9, 1.0);
    c.TDMarginLineColor = hex("fbab52", 0.4);
    c.TDGridColor = rgb(199, 219, 197);
    c.TDListHeaderHighlightColor = white(1.0, 0.5);
    c.TDAlternateColumnOverlayColor = hex("883300", 0.03);
    c.TDAlternateColumnBackgroundColor = hex("faefae", 1.0);
    c.TDTagTokenColor = hex("ffea00", 1.0);
    c.TDContextTagTokenColor = highlighted(hex("feb4d2", 1.0), 0.15f);
    c.TDCompletedTaskTextColor = white(0.45, 1.0);
    c.TDCanceledTaskTextColor = white(0.45, 1.0);
    c.TDNoteTextColor = white(0.3, 1.0);
    c.TDGroupingHeaderTextColor = white(0.25, 1.0);
    c.TDKeyWindowActiveColor = rgb(209, 221, 229);
    c.TDKeyWindowInactiveColor = white(232 / 255.0, 1.0);

    c.TDListHeaderFont = fontForKey(defaults, QStringLiteral("listHeaderFont"));
    c.TDTasksGroupingHeaderFont = fontForKey(defaults, QStringLiteral("tasksGroupingHeaderFont"));
    c.TDColumnCellFont = fontWithName(QStringLiteral("Helvetica"), 11);
    c.TDTaskFont = fontForKey(defaults, QStringLiteral("taskFont"));
    // The past-due and due-soon fonts take their sizes from the registered size settings, so that
    // they are not drawn at the default size until someone stores one.
    c.TDTaskPastDueFont = fontWithName(defaults.string(QStringLiteral("taskPastDueFontName")),
                                       defaults.real(QStringLiteral("taskColumnPastDueFontSize")));
    c.TDTaskDueSoonFont = fontWithName(defaults.string(QStringLiteral("taskDueSoonFontName")),
                                       defaults.real(QStringLiteral("taskColumnDueSoonFontSize")));
    c.TDTaskPastStartFont = fontForKey(defaults, QStringLiteral("taskPastStartFont"));
    c.TDTaskTagFont = fontForKey(defaults, QStringLiteral("taskTagFont"));
    c.TDOtherColumnFont = fontForKey(defaults, QStringLiteral("otherColumnFont"));
    if (c.TDOtherColumnFont) {
        QFont bold = *c.TDOtherColumnFont;
        bold.setStyleName(QString());
        bold.setBold(true);
        c.TDOtherColumnBoldFont = bold;
    }
    c.TDTaskNoteFont = fontForKey(defaults, QStringLiteral("taskNoteFont"));
    c.TDTaskNoteSummaryFont = fontForKey(defaults, QStringLiteral("taskNoteSummaryFont"));

    c.TDTaskColumnOrder = {QStringLiteral("list"),  QStringLiteral("priority"), QStringLiteral("task"),
                           QStringLiteral("start"), QStringLiteral("due"),      QStringLiteral("estimate")};
    return c;
}
