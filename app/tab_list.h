#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace platform {
class UserDefaults;
}

// One tab: what it stands for, the information its owner keeps with it, and the title shown.
struct TDTab {
    QVariant representedObject;
    QVariantMap userInfo;
    QString title;
};

class TDTabList;

// What a tab list asks of its owner. It knows nothing of what the tabs stand for: titles and what
// is saved come from here. The notifications default to nothing.
class TDTabListDelegate {
public:
    virtual ~TDTabListDelegate() = default;

    virtual QString titleForTab(const TDTabList& tabs, int index) = 0;
    virtual QVariant representedObjectForNewTab(const TDTabList& tabs) = 0;
    // Saving and restoring: the stored form of a represented object and back (an invalid variant
    // drops the stored tab), and the user-information keys that are saved.
    virtual QVariant persistentObjectForRepresentedObject(const TDTabList& tabs, const QVariant& object) = 0;
    virtual QVariant representedObjectForPersistentObject(const TDTabList& tabs, const QVariant& stored) = 0;
    virtual QStringList persistentUserInfoKeys(const TDTabList& tabs) = 0;

    virtual void tabListWillSelectTab(TDTabList& tabs, int index) {
        Q_UNUSED(tabs)
        Q_UNUSED(index)
    }
    virtual void tabListDidSelectTab(TDTabList& tabs, int index) {
        Q_UNUSED(tabs)
        Q_UNUSED(index)
    }
    virtual void tabListDidSetRepresentedObject(TDTabList& tabs, int index) {
        Q_UNUSED(tabs)
        Q_UNUSED(index)
    }
    // Before saving: the owner brings the user information up to date.
    virtual void tabListWillAutosave(TDTabList& tabs) { Q_UNUSED(tabs) }
};

// The ordered tabs of a tab bar and which one is selected, apart from how they are drawn: adding,
// retargeting, selecting, closing and reordering, and saving the tabs in the user defaults under an
// autosave name ("TDTabControl <name> objects", "... userInfo", "... selected index"). The last tab
// cannot be closed. Main thread.
class TDTabList : public QObject {
    Q_OBJECT
public:
    static constexpr int NotFound = -1;

    explicit TDTabList(platform::UserDefaults& defaults, QObject* parent = nullptr);

    // Removes every saved key of that autosave name (a new library starts with fresh tabs).
    static void clearUserDefaultsForAutosaveName(platform::UserDefaults& defaults, const QString& name);

    TDTabListDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDTabListDelegate* delegate) { m_delegate = delegate; }
    QString autosaveName() const { return m_autosaveName; }
    // A different name loads the tabs saved under it at once.
    void setAutosaveName(const QString& name);
    // While the saved tabs are being restored.
    bool isLoading() const { return m_loading; }

    int numberOfTabs() const { return int(m_tabs.size()); }
    int selectedTabIndex() const { return m_selectedTabIndex; }
    const QList<TDTab>& tabs() const { return m_tabs; }
    // Invalid, empty or null for an index out of range.
    QVariant representedObjectAtTabIndex(int index) const;
    QVariantMap userInfoAtTabIndex(int index) const;
    QString titleAtTabIndex(int index) const;
    void setUserInfoValue(int index, const QString& key, const QVariant& value);
    void removeUserInfoValue(int index, const QString& key);

    void addTabWithRepresentedObject(const QVariant& object, const QVariantMap& userInfo = {});
    // Retitles the tab from the delegate.
    void setRepresentedObject(const QVariant& object, int index);
    virtual void removeTabAtIndex(int index);
    // Every tab goes, the last one too; nothing is selected until a tab is added.
    void removeAllTabs();
    void selectTabAtIndex(int index, bool force = false);
    // Moves a tab to another place (a drag); the moved tab is the selected one afterwards.
    void moveTab(int from, int to);

    // The actions of the bar: a new tab for the delegate's object, selected; closing the tab at an index
    // (NotFound: the selected one); the next and previous tab, wrapping around.
    void newTab();
    void closeTab(int index = NotFound);
    void nextTab();
    void previousTab();

    void loadTabs();
    void saveTabs();
    // Forgets every tab's user information.
    void clearOptions();
    // The tab's user information under the delegate's persistent keys only.
    QVariantMap persistentUserInfoDictionaryForTab(const TDTab& tab) const;

Q_SIGNALS:
    void tabInserted(int index);
    void tabRemoved(int index);
    // The title (and what the tab stands for) changed.
    void tabChanged(int index);
    void tabMoved(int from, int to);
    void selectionChanged(int previous, int current);
    // Loading ended: every tab may have changed.
    void tabsReloaded();

private:
    bool p_hasDelegateOrWarn() const;
    QString p_key(const QString& suffix) const;

    platform::UserDefaults& m_defaults;
    QList<TDTab> m_tabs;
    int m_selectedTabIndex = NotFound;
    TDTabListDelegate* m_delegate = nullptr;
    QString m_autosaveName;
    bool m_loading = false;
};
