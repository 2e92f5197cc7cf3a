#pragma once

#include "auxiliary/gui/preferences_configuration.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QActionGroup;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QWidget;
class TDPreferencePane;
class TDPreferencesWindow;

namespace platform {
class UserDefaults;
}

// The preferences window: one pane at a time, chosen from a toolbar of the configuration's panes (or
// from tabs). Panes are made on first use and kept while the controller lives; the pane shown is stored
// as "selectedPreferencePaneIdentifier" on every switch, so the window reopens on it. Between panes of
// different sizes the window keeps its top edge and resizes to the pane, with an animation.
// Main thread only.
class TDPreferencesController final : public QObject {
    Q_OBJECT
public:
    // `showHelp` opens a pane's help anchor; the help buttons are hidden without it.
    explicit TDPreferencesController(platform::UserDefaults& defaults,
                                     std::function<void(const QString& anchor)> showHelp = {},
                                     QObject* parent = nullptr);
    ~TDPreferencesController() override;

    // The one controller the menus open, made on first use over the program's settings. It goes when its
    // window closes, so the next call makes a fresh one.
    static TDPreferencesController& sharedController(
        std::function<void(const QString& anchor)> showHelp = {});
    static bool hasSharedController();
    // Deletes the shared controller and its window now (when what its panes work with goes away).
    static void releaseSharedController();

    // Takes effect when the window is built (the first showWindow).
    void setConfiguration(TDPreferencesConfiguration configuration);
    const TDPreferencesConfiguration& configuration() const { return m_configuration; }
    bool usesToolbar() const { return !m_configuration.useTabs; }

    // Builds the window on first use, on the pane shown last, and shows it.
    void showWindow();
    // Shows the pane. False when the current pane defers the switch (or no pane has the identifier).
    bool selectPreferencePaneWithIdentifier(const QString& identifier);
    TDPreferencePane* selectedPreferencePane() const { return m_selectedPane; }
    QString selectedPreferencePaneIdentifier() const { return m_selectedIdentifier; }
    // The panes a person may switch to now: all, or only the current one while it cannot switch out.
    QStringList selectableIdentifiers() const;
    // Asks the current pane again whether it can switch out; a pane calls it when its answer changes.
    void validateSelectableItems();

    // Nullptr before the first showWindow.
    TDPreferencesWindow* window() const { return m_window.get(); }
    // Closes the window unless the current pane defers. True when the window closed.
    bool close();
    // The resizing animation; off, the window takes the pane's size at once.
    void setAnimatesResize(bool animates) { m_animatesResize = animates; }

Q_SIGNALS:
    // The pane shown changed (after any resize has ended).
    void paneShown(const QString& identifier);
    void windowClosed();

private:
    friend class TDPreferencesWindow;
    // The window's close: asks the pane, with a retry that closes again.
    bool p_shouldClose();
    void p_windowDidClose();
    void p_buildWindow();
    QString p_initialIdentifier() const;
    TDPreferencePane* p_pane(const TDPreferencePaneEntry& entry);
    QWidget* p_page(const QString& identifier);
    bool p_mayOrderOut(std::function<void()> retry);
    bool p_selectInToolbar(const TDPreferencePaneEntry& entry);
    void p_selectNeighbour(int step);
    void p_selectTab(int index);
    void p_resizeTo(QWidget* page, std::function<void()> then);
    void p_focusFirstControl(QWidget* page);
    void p_didShow(const TDPreferencePaneEntry& entry, TDPreferencePane* pane);

    platform::UserDefaults& m_defaults;
    std::function<void(const QString&)> m_showHelp;
    TDPreferencesConfiguration m_configuration;
    // Declared before the panes, so the panes (and their views) go first.
    std::unique_ptr<TDPreferencesWindow> m_window;
    std::map<QString, std::unique_ptr<TDPreferencePane>> m_panes;
    // Each pane's view wrapped with its help button, owned by the window.
    QHash<QString, QWidget*> m_pages;
    QStackedWidget* m_stack = nullptr;
    QWidget* m_blankView = nullptr;
    QTabWidget* m_tabs = nullptr;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_toolbarActions = nullptr;
    TDPreferencePane* m_selectedPane = nullptr;
    QString m_selectedIdentifier;
    // The window that was active before this one opened; it gets the keyboard back at the close.
    QPointer<QWidget> m_previousWindow;
    bool m_animatesResize = true;
    bool m_switchingTabs = false;
};
