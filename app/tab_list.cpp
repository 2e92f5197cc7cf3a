#include "app/tab_list.h"

#include "app/tab_layout.h"

#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <utility>

namespace {

QString keyPrefix(const QString& name) {
    return QStringLiteral("TDTabControl %1 ").arg(name);
}

}  // namespace

TDTabList::TDTabList(platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent), m_defaults(defaults) {
    m_tabs.reserve(10);
}

void TDTabList::clearUserDefaultsForAutosaveName(platform::UserDefaults& defaults, const QString& name) {
    const QString prefix = keyPrefix(name);
    for (const QString& key : defaults.storedKeys())
        if (key.startsWith(prefix)) defaults.removeValue(key);
}

void TDTabList::setAutosaveName(const QString& name) {
    if (name == m_autosaveName) return;
    m_autosaveName = name;
    loadTabs();
}

QVariant TDTabList::representedObjectAtTabIndex(int index) const {
    return index >= 0 && index < numberOfTabs() ? m_tabs.at(index).representedObject : QVariant();
}

QVariantMap TDTabList::userInfoAtTabIndex(int index) const {
    return index >= 0 && index < numberOfTabs() ? m_tabs.at(index).userInfo : QVariantMap();
}

QString TDTabList::titleAtTabIndex(int index) const {
    return index >= 0 && index < numberOfTabs() ? m_tabs.at(index).title : QString();
}

void TDTabList::setUserInfoValue(int index, const QString& key, const QVariant& value) {
    if (index >= 0 && index < numberOfTabs()) m_tabs[index].userInfo.insert(key, value);
}

void TDTabList::removeUserInfoValue(int index, const QString& key) {
    if (index >= 0 && index < numberOfTabs()) m_tabs[index].userInfo.remove(key);
}

bool TDTabList::p_hasDelegateOrWarn() const {
    if (m_delegate) return true;
    logWithLevel(TDLogWarning, "WARNING", "Tab control doesn't have delegate. Not doing anything");
    return false;
}

void TDTabList::addTabWithRepresentedObject(const QVariant& object, const QVariantMap& userInfo) {
    if (!p_hasDelegateOrWarn() || !object.isValid()) return;
    m_tabs.append(TDTab{{}, userInfo, {}});
    const int index = numberOfTabs() - 1;
    Q_EMIT tabInserted(index);
    setRepresentedObject(object, index);
    if (numberOfTabs() == 1 && !m_loading) selectTabAtIndex(0, true);
}

void TDTabList::setRepresentedObject(const QVariant& object, int index) {
    if (!p_hasDelegateOrWarn() || index < 0 || index >= numberOfTabs()) return;
    m_tabs[index].representedObject = object;
    m_tabs[index].title = m_delegate->titleForTab(*this, index);
    Q_EMIT tabChanged(index);
    m_delegate->tabListDidSetRepresentedObject(*this, index);
}

void TDTabList::removeTabAtIndex(int index) {
    if (index < 0 || index >= numberOfTabs() || numberOfTabs() == 1) return;
    const int selected = m_selectedTabIndex;
    const int next = tab_layout::selectionAfterRemoval(index, selected, numberOfTabs());
    m_tabs.removeAt(index);
    if (index == selected) {
        m_selectedTabIndex = NotFound;
        Q_EMIT tabRemoved(index);
        selectTabAtIndex(next, true);
        return;
    }
    m_selectedTabIndex = next;
    Q_EMIT tabRemoved(index);
}

void TDTabList::removeAllTabs() {
    m_tabs.clear();
    m_selectedTabIndex = NotFound;
    Q_EMIT tabsReloaded();
}

void TDTabList::selectTabAtIndex(int index, bool force) {
    if (index < 0 || index >= numberOfTabs()) return;
    if (index == m_selectedTabIndex && !force) return;
    if (m_delegate) m_delegate->tabListWillSelectTab(*this, index);
    const int previous = m_selectedTabIndex;
    m_selectedTabIndex = index;
    if (m_delegate) m_delegate->tabListDidSelectTab(*this, index);
    Q_EMIT selectionChanged(previous, index);
}

void TDTabList::moveTab(int from, int to) {
    if (from < 0 || from >= numberOfTabs() || to < 0 || to >= numberOfTabs()) return;
    if (from != to) {
        m_tabs.move(from, to);
        Q_EMIT tabMoved(from, to);
    }
    // The moved tab was pressed, hence selected; it keeps the selection in its new place.
    const int previous = m_selectedTabIndex;
    m_selectedTabIndex = to;
    if (previous != to) Q_EMIT selectionChanged(previous, to);
}

void TDTabList::newTab() {
    if (!p_hasDelegateOrWarn()) return;
    addTabWithRepresentedObject(m_delegate->representedObjectForNewTab(*this));
    selectTabAtIndex(numberOfTabs() - 1);
}

void TDTabList::closeTab(int index) {
    removeTabAtIndex(index == NotFound ? m_selectedTabIndex : index);
}

void TDTabList::nextTab() {
    if (numberOfTabs() == 0) return;
    selectTabAtIndex((m_selectedTabIndex + 1) % numberOfTabs());
}

void TDTabList::previousTab() {
    if (numberOfTabs() == 0) return;
    selectTabAtIndex(m_selectedTabIndex - 1 < 0 ? numberOfTabs() - 1 : m_selectedTabIndex - 1);
}

QString TDTabList::p_key(const QString& suffix) const {
    return keyPrefix(m_autosaveName) + suffix;
}

void TDTabList::loadTabs() {
    if (m_autosaveName.isEmpty() || !m_delegate) return;
    m_loading = true;
    const QVariantList objects = m_defaults.value(p_key(QStringLiteral("objects"))).toList();
    const QVariantList userInfos = m_defaults.value(p_key(QStringLiteral("userInfo"))).toList();
    const bool withUserInfo = objects.size() == userInfos.size();
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const QVariant object = m_delegate->representedObjectForPersistentObject(*this, objects.at(i));
        if (!object.isValid()) continue;
        addTabWithRepresentedObject(object, withUserInfo ? userInfos.at(i).toMap() : QVariantMap());
    }
    const int stored = m_defaults.value(p_key(QStringLiteral("selected index"))).toInt();
    if (userInfos.size() == numberOfTabs() && stored >= 0 && stored < numberOfTabs())
        selectTabAtIndex(stored, true);
    else if (numberOfTabs() > 0)
        selectTabAtIndex(0, true);
    m_loading = false;
    Q_EMIT tabsReloaded();
}

void TDTabList::saveTabs() {
    if (m_autosaveName.isEmpty() || !m_delegate) return;
    m_delegate->tabListWillAutosave(*this);
    QVariantList objects;
    QVariantList userInfos;
    for (const TDTab& tab : std::as_const(m_tabs)) {
        objects.append(m_delegate->persistentObjectForRepresentedObject(*this, tab.representedObject));
        userInfos.append(persistentUserInfoDictionaryForTab(tab));
    }
    m_defaults.setValue(p_key(QStringLiteral("objects")), objects);
    m_defaults.setValue(p_key(QStringLiteral("selected index")), m_selectedTabIndex);
    m_defaults.setValue(p_key(QStringLiteral("userInfo")), userInfos);
}

void TDTabList::clearOptions() {
    for (TDTab& tab : m_tabs) tab.userInfo = QVariantMap();
}

QVariantMap TDTabList::persistentUserInfoDictionaryForTab(const TDTab& tab) const {
    QVariantMap saved;
    if (!m_delegate) return saved;
    for (const QString& key : m_delegate->persistentUserInfoKeys(*this))
        if (tab.userInfo.contains(key)) saved.insert(key, tab.userInfo.value(key));
    return saved;
}
