#include "auxiliary/gui/application_preferences.h"

#include "auxiliary/gui/general_preferences_pane.h"
#include "auxiliary/gui/keyboard_preferences_pane.h"
#include "auxiliary/gui/placeholder_preference_pane.h"
#include "auxiliary/gui/preference_icons.h"
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
        {TDGeneralPreferencePane, tr("General"), TDPreferenceIcon(TDPreferenceIconKind::General),
         [context] { return std::make_unique<TDGeneralPreferencesController>(context); }},
        {TDCorvaneSyncPreferencePane, tr("Sync Service"), TDPreferenceIcon(TDPreferenceIconKind::Sync),
         [context]() -> std::unique_ptr<TDPreferencePane> {
             if (!context.syncWindows)
                 return std::make_unique<TDPlaceholderPreferencePane>(
                     tr("The sync service is not available."), QStringLiteral("prefs_online_sync"));
             return std::make_unique<TDCorvaneSyncPane>(context.manager, context.prompter,
                                                        *context.syncWindows, context.defaults);
         }},
        {TDCalendarSyncPreferencePane, tr("Calendar Sync"),
         TDPreferenceIcon(TDPreferenceIconKind::CalendarSync),
         [context] {
             return std::make_unique<TDCalendarSyncPane>(context.manager, context.calendarSync,
                                                         context.prompter);
         }},
        {TDKeyboardPreferencePane, tr("Shortcuts"), TDPreferenceIcon(TDPreferenceIconKind::Keyboard),
         [context] { return std::make_unique<TDKeyboardPreferencesController>(context); }},
    };
    return configuration;
}
