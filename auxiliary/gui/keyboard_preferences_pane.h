#pragma once

#include "auxiliary/gui/application_preferences.h"
#include "auxiliary/gui/preference_pane.h"
#include "auxiliary/shortcut_record.h"

#include <QString>

#include <memory>

class QGridLayout;
class QKeySequence;
class TDShortcutRecorder;
class QLabel;

// The Shortcuts pane: two recorders for the global shortcuts that open quick entry, empty or with the
// context of the window in front. A recorded chord is stored at once (see TDShortcutRecord) and the hot
// keys take it up; a key without a modifier is refused with a word under its recorder. While a recorder
// has the focus the hot keys let go of their keys, so the combination in use can be recorded again.
// Where the session lets no program take keys from others, it shows the commands to bind in the
// desktop's own shortcut settings instead.
class TDKeyboardPreferencesController final : public TDPreferencePane {
public:
    explicit TDKeyboardPreferencesController(TDPreferencesContext context);
    ~TDKeyboardPreferencesController() override;

    QWidget* view() override;
    QString helpAnchor() const override;
    // Shows the stored shortcuts.
    void setupPreferencePaneController(TDPreferencesController& controller) override;

private:
    struct Recorder {
        QString identifier;
        TDShortcutRecorder* edit = nullptr;
        QLabel* message = nullptr;
    };
    // Where no hot key can be taken: the commands to bind in the desktop's settings.
    void p_showDesktopCommands();
    void p_addRecorder(Recorder& recorder, const QString& title, QGridLayout& grid, int row);
    void p_recorded(Recorder& recorder, const TDShortcutRecord& record);
    void p_showStored(Recorder& recorder);

    TDPreferencesContext m_context;
    std::unique_ptr<QWidget> m_view;
    Recorder m_quickEntry{TDQuickEntryHotKey};
    Recorder m_quickEntryContext{TDQuickEntryContextHotKey};
};
