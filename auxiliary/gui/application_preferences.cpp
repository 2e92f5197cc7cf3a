#include "auxiliary/gui/application_preferences.h"

#include "auxiliary/gui/placeholder_preference_pane.h"
#include "sync/gui/calendar_sync_preference_pane.h"
#include "sync/gui/corvane_sync_preference_pane.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TDApplicationPreferences", text);
}

}  // namespace

TDPreferencesConfiguration TDApplicationPreferencesConfiguration(const TDPreferencesContext& context) {
    TDPreferencesConfiguration configuration;
    configuration.panes = {
        {TDGeneralPreferencePane, tr("General"), QIcon::fromTheme(QStringLiteral("preferences-system")),
         [] {
             return std::make_unique<TDPlaceholderPreferencePane>(tr("General settings."),
                                                                  QStringLiteral("prefs_general"));
         }},
        {TDCorvaneSyncPreferencePane, tr("Sync Service"),
         QIcon::fromTheme(QStringLiteral("emblem-synchronizing")),
         [context]() -> std::unique_ptr<TDPreferencePane> {
             if (!context.syncWindows)
                 return std::make_unique<TDPlaceholderPreferencePane>(
                     tr("The sync service is not available."), QStringLiteral("prefs_online_sync"));
             return std::make_unique<TDCorvaneSyncPane>(context.manager, context.prompter,
                                                        *context.syncWindows, context.defaults);
         }},
        {TDCalendarSyncPreferencePane, tr("Calendar Sync"),
         QIcon::fromTheme(QStringLiteral("x-office-calendar")),
         [context] {
             return std::make_unique<TDCalendarSyncPane>(context.manager, context.calendarSync,
                                                         context.prompter);
         }},
        {TDKeyboardPreferencePane, tr("Shortcuts"),
         QIcon::fromTheme(QStringLiteral("preferences-desktop-keyboard")),
         [] {
             return std::make_unique<TDPlaceholderPreferencePane>(tr("Shortcuts."),
                                                                  QStringLiteral("prefs_shortcuts"));
         }},
    };
    return configuration;
}
