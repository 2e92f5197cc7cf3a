#pragma once

#include "app/dropped_data.h"
#include "app/tab_list.h"
#include "platform/objectstore/managed_object_context.h"

#include <QHash>

#include <memory>

class TDGroup;
class TDLibrary;
class TDLibraryChangeSignals;
class TDTasksController;

// What the group tabs ask of the window that holds them, as the selection moves away from a tab: the
// group it shows, and the view options and source-list history to keep with that tab.
class TDGroupTabsHost {
public:
    virtual ~TDGroupTabsHost() = default;
    virtual TDGroup* shownGroup() const = 0;
    virtual QVariantMap tabViewOptions() const = 0;
    virtual QVariantMap groupHistoryState() const = 0;
};

// The tabs of the main window, each showing a group of the library: a tab stands for its group's UID
// (or "today" for the Today group until a group is set on it) and keeps "title", "tabType",
// "viewOptions" and, while the program runs, "history". Titles follow renames of the groups set on
// tabs. Saved under the autosave name "tabs". Main thread.
class TDGroupTabs : public TDTabList, private TDTabListDelegate {
    Q_OBJECT
public:
    static inline const QString TodayTabObject = QStringLiteral("today");
    static inline const QString TitleKey = QStringLiteral("title");
    static inline const QString TabTypeKey = QStringLiteral("tabType");
    static inline const QString ViewOptionsKey = QStringLiteral("viewOptions");
    static inline const QString HistoryKey = QStringLiteral("history");

    explicit TDGroupTabs(platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~TDGroupTabs() override;

    void setHost(TDGroupTabsHost* host) { m_host = host; }
    // Restores the saved tabs; without any, one Today tab.
    void restoreTabs();
    // The open library (nullptr: none; a library about to be replaced is let go of). The selected tab's
    // group is announced at once; the other tabs take their groups on the next turn of the event loop.
    void setLibrary(TDLibrary* library);
    TDLibrary* library() const { return m_library; }

    // The group of a tab or of the selected tab; nullptr when it is not in the library.
    TDGroup* groupAtTabIndex(int index) const;
    TDGroup* selectedGroup() const { return groupAtTabIndex(selectedTabIndex()); }
    // "today" for the Today tab, else the tab's "tabType", else "list".
    QString tabTypeAtIndex(int index) const;

    void addTabWithGroup(TDGroup* group);
    // A new tab with the group, selected.
    void openGroupInNewTab(TDGroup* group);
    void setGroup(TDGroup* group, int index);
    // The last tab showing the group, or NotFound.
    int indexOfTabWithGroup(const TDGroup* group) const;
    bool selectTabWithGroup(const TDGroup* group);
    void removeTabAtIndex(int index) override;
    // One Today tab, selected (a new library starts so).
    void resetToToday();
    void stopObserving();

    // Drops of tasks on a tab other than the selected one: moved into its group (tagged for a tag, dated
    // for Today), or made there from task copies, files, links and text. Tasks already in the group,
    // folders and smart folders but Today are refused.
    TDDragOperation validateDrop(int index, const QMimeData* data, bool allowsMove) const;
    bool performDrop(int index, const QMimeData* data, bool allowsMove);
    // The window's task outline keeps its scroll and selection through a drop (not owned; may be nullptr).
    void setTasksController(TDTasksController* tasks) { m_tasksController = tasks; }

Q_SIGNALS:
    // The selection is about to move to the tab (the window closes what belongs to the old one).
    void tabWillBeSelected(int index);
    // A tab was selected; its group, when the library has it, with the tab's source-list history.
    void tabWasSelected(int index);
    void currentGroupChanged(TDGroup* group, const QVariantMap& history);

private:
    QString titleForTab(const TDTabList& tabs, int index) override;
    QVariant representedObjectForNewTab(const TDTabList& tabs) override;
    QVariant persistentObjectForRepresentedObject(const TDTabList& tabs, const QVariant& object) override;
    QVariant representedObjectForPersistentObject(const TDTabList& tabs, const QVariant& stored) override;
    QStringList persistentUserInfoKeys(const TDTabList& tabs) override;
    void tabListWillSelectTab(TDTabList& tabs, int index) override;
    void tabListDidSelectTab(TDTabList& tabs, int index) override;
    void tabListWillAutosave(TDTabList& tabs) override;

    TDGroup* p_groupForObject(const QVariant& object) const;
    void p_storeShownGroup(int index);
    void p_loadOtherTabs();
    void p_groupsUpdated(const QList<TDGroup*>& groups, const platform::ChangedKeys& keys);
    void p_stopObservingGroupOfTab(int index);

    TDLibrary* m_library = nullptr;
    // Compared only, never followed: its reset ends following titles.
    const void* m_context = nullptr;
    TDGroupTabsHost* m_host = nullptr;
    TDTasksController* m_tasksController = nullptr;
    // The groups whose titles the tabs follow (with their UIDs), once each however many tabs show them.
    QHash<TDGroup*, QString> m_observedGroups;
    std::unique_ptr<TDLibraryChangeSignals> m_changes;
};
