#include "auxiliary/gui/application_preferences.h"

#include "auxiliary/gui/general_preferences_pane.h"
#include "auxiliary/gui/keyboard_preferences_pane.h"
#include "auxiliary/gui/placeholder_preference_pane.h"
#include "auxiliary/gui/preference_icons.h"

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
         [] {
             return std::make_unique<TDPlaceholderPreferencePane>(tr("The sync service is set up here."),
                                                                  QString());
         }},
        {TDCalendarSyncPreferencePane, tr("Calendar Sync"),
         TDPreferenceIcon(TDPreferenceIconKind::CalendarSync),
         [] {
             return std::make_unique<TDPlaceholderPreferencePane>(tr("Calendar sync is set up here."),
                                                                  QString());
         }},
        {TDKeyboardPreferencePane, tr("Shortcuts"), TDPreferenceIcon(TDPreferenceIconKind::Keyboard),
         [context] { return std::make_unique<TDKeyboardPreferencesController>(context); }},
    };
    return configuration;
}
