#include "auxiliary/gui/preferences_controller.h"
#include "auxiliary/gui/previous_window.h"

#include "auxiliary/gui/preference_pane.h"
#include "auxiliary/gui/preferences_window.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kSelectedPane = QStringLiteral("selectedPreferencePaneIdentifier");
constexpr int kResizeMilliseconds = 200;
// Space between a tab's frame and its pane.
constexpr int kTabMargin = 30;

QPointer<TDPreferencesController> sharedInstance;

// A hidden page must not hold the window at its size.
void setShown(QWidget* page, bool shown) {
    page->setSizePolicy(shown ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                        shown ? QSizePolicy::Preferred : QSizePolicy::Ignored);
}

}  // namespace

TDPreferencesController::TDPreferencesController(platform::UserDefaults& defaults,
                                                 std::function<void(const QString&)> showHelp,
                                                 QObject* parent)
    : QObject(parent), m_defaults(defaults), m_showHelp(std::move(showHelp)) {
}

TDPreferencesController::~TDPreferencesController() {
    // Each pane deletes its own view, which leaves the window's page; then the window goes.
    m_selectedPane = nullptr;
    m_panes.clear();
    m_window.reset();
}

TDPreferencesController& TDPreferencesController::sharedController(
    std::function<void(const QString&)> showHelp) {
    if (!sharedInstance) {
        sharedInstance = new TDPreferencesController(platform::UserDefaults::standard(), std::move(showHelp));
        connect(sharedInstance.data(), &TDPreferencesController::windowClosed, sharedInstance.data(),
                &QObject::deleteLater);
    }
    return *sharedInstance;
}

bool TDPreferencesController::hasSharedController() {
    return !sharedInstance.isNull();
}

void TDPreferencesController::releaseSharedController() {
    delete sharedInstance.data();
}

void TDPreferencesController::setConfiguration(TDPreferencesConfiguration configuration) {
    m_configuration = std::move(configuration);
}

void TDPreferencesController::showWindow() {
    if (!m_window) {
        p_buildWindow();
        const QRect screen = m_window->screen()->availableGeometry();
        QRect frame = m_window->geometry();
        frame.moveCenter(screen.center());
        m_window->move(frame.topLeft());
    }
    if (!m_window->isVisible()) m_previousWindow = TDWindowBefore(m_window.get());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QString TDPreferencesController::p_initialIdentifier() const {
    const QString stored = m_defaults.string(kSelectedPane);
    if (m_configuration.entry(stored)) return stored;
    logWithLevel(TDLogDebug, "DEBUG", "Did not find preference pane. Defaulting to the first pane.");
    return m_configuration.panes.isEmpty() ? QString() : m_configuration.panes.first().identifier;
}

void TDPreferencesController::p_buildWindow() {
    m_window = std::make_unique<TDPreferencesWindow>(*this);
    const QString initial = p_initialIdentifier();
    if (usesToolbar()) {
        m_toolbar = new QToolBar(m_window.get());
        m_toolbar->setObjectName(QStringLiteral("Preferences"));
        m_toolbar->setMovable(false);
        m_toolbar->setFloatable(false);
        m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
        m_toolbar->toggleViewAction()->setVisible(false);
        m_toolbarActions = new QActionGroup(m_toolbar);
        m_toolbarActions->setExclusive(true);
        for (const TDPreferencePaneEntry& entry : std::as_const(m_configuration.panes)) {
            QAction* item = m_toolbar->addAction(entry.icon, entry.name);
            item->setObjectName(entry.identifier);
            item->setData(entry.identifier);
            item->setCheckable(true);
            m_toolbarActions->addAction(item);
            const QString identifier = entry.identifier;
            connect(item, &QAction::triggered, this, [this, identifier] {
                if (!selectPreferencePaneWithIdentifier(identifier)) validateSelectableItems();
            });
        }
        m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
        // The toolbar's buttons take no focus; the keys that step through tabs step through the panes.
        for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                         std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
            auto* stepper = new QAction(m_window.get());
            stepper->setShortcut(keys);
            m_window->addAction(stepper);
            const int delta = step;
            connect(stepper, &QAction::triggered, this, [this, delta] { p_selectNeighbour(delta); });
        }
        m_stack = new QStackedWidget(m_window.get());
        m_blankView = new QWidget(m_stack);
        m_stack->addWidget(m_blankView);
        m_window->setCentralWidget(m_stack);
        if (!initial.isEmpty()) selectPreferencePaneWithIdentifier(initial);
        return;
    }
    m_window->setWindowTitle(tr("Preferences"));
    m_tabs = new QTabWidget(m_window.get());
    m_tabs->setDocumentMode(false);
    for (const TDPreferencePaneEntry& entry : std::as_const(m_configuration.panes)) {
        auto* holder = new QWidget(m_tabs);
        holder->setObjectName(entry.identifier);
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(kTabMargin, kTabMargin, kTabMargin, kTabMargin);
        m_tabs->addTab(holder, entry.icon, entry.name);
    }
    m_window->setCentralWidget(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TDPreferencesController::p_selectTab);
    const int index = m_configuration.indexOf(initial);
    if (m_tabs->currentIndex() == index)
        p_selectTab(index);
    else
        m_tabs->setCurrentIndex(index);
}

TDPreferencePane* TDPreferencesController::p_pane(const TDPreferencePaneEntry& entry) {
    auto found = m_panes.find(entry.identifier);
    if (found == m_panes.end()) found = m_panes.emplace(entry.identifier, entry.makePane()).first;
    return found->second.get();
}

QWidget* TDPreferencesController::p_page(const QString& identifier) {
    if (QWidget* page = m_pages.value(identifier)) return page;
    TDPreferencePane* pane = m_panes.at(identifier).get();
    auto* page = new QWidget;
    page->setObjectName(identifier + QStringLiteral("Page"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pane->view(), 1);
    const QString anchor = pane->helpAnchor();
    if (m_showHelp && !anchor.isEmpty()) {
        auto* help = new QPushButton(QStringLiteral("?"), page);
        help->setObjectName(QStringLiteral("helpButton"));
        help->setFixedWidth(help->sizeHint().height());
        help->setToolTip(tr("Help"));
        help->setFocusPolicy(Qt::TabFocus);
        connect(help, &QPushButton::clicked, this, [this, anchor] { m_showHelp(anchor); });
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(help);
        layout->addLayout(row);
    }
    m_pages.insert(identifier, page);
    return page;
}

bool TDPreferencesController::p_mayOrderOut(std::function<void()> retry) {
    return !m_selectedPane || m_selectedPane->shouldOrderOutPreferencePane(*this, std::move(retry));
}

bool TDPreferencesController::selectPreferencePaneWithIdentifier(const QString& identifier) {
    const TDPreferencePaneEntry* entry = m_configuration.entry(identifier);
    if (!entry || !m_window) return false;
    if (identifier == m_selectedIdentifier) return true;
    QPointer<TDPreferencesController> self(this);
    const bool mayOrderOut = p_mayOrderOut([self, identifier] {
        if (self) self->selectPreferencePaneWithIdentifier(identifier);
    });
    if (!mayOrderOut) return false;
    if (!usesToolbar()) {
        const int index = m_configuration.indexOf(identifier);
        if (m_tabs->currentIndex() != index) m_tabs->setCurrentIndex(index);
        return m_selectedIdentifier == identifier;
    }
    return p_selectInToolbar(*entry);
}

void TDPreferencesController::p_selectNeighbour(int step) {
    const QStringList selectable = selectableIdentifiers();
    const int count = static_cast<int>(m_configuration.panes.size());
    const int current = m_configuration.indexOf(m_selectedIdentifier);
    // Round the ends, skipping panes that cannot be switched to now.
    for (int offset = 1; offset < count; ++offset) {
        const int index = ((current + step * offset) % count + count) % count;
        const QString& next = m_configuration.panes.at(index).identifier;
        if (selectable.contains(next)) {
            selectPreferencePaneWithIdentifier(next);
            return;
        }
    }
}

bool TDPreferencesController::p_selectInToolbar(const TDPreferencePaneEntry& entry) {
    // Ends any edit in the pane that goes.
    if (QWidget* focused = m_window->focusWidget()) focused->clearFocus();
    TDPreferencePane* pane = p_pane(entry);
    QWidget* page = p_page(entry.identifier);
    if (m_stack->indexOf(page) < 0) m_stack->addWidget(page);
    pane->setupPreferencePaneController(*this);
    for (QAction* item : m_toolbarActions->actions())
        if (item->data().toString() == entry.identifier) item->setChecked(true);
    m_selectedPane = pane;
    m_selectedIdentifier = entry.identifier;
    m_defaults.setValue(kSelectedPane, entry.identifier);
    validateSelectableItems();
    for (int i = 0; i < m_stack->count(); ++i) setShown(m_stack->widget(i), false);
    m_stack->setCurrentWidget(m_blankView);
    const QString identifier = entry.identifier;
    QPointer<QWidget> shownPage(page);
    p_resizeTo(page, [this, shownPage, identifier] {
        // A later switch may have overtaken this one while the window resized.
        if (!shownPage || identifier != m_selectedIdentifier) return;
        const TDPreferencePaneEntry* shown = m_configuration.entry(identifier);
        setShown(shownPage, true);
        m_stack->setCurrentWidget(shownPage);
        p_didShow(*shown, m_selectedPane);
    });
    return true;
}

void TDPreferencesController::p_selectTab(int index) {
    if (m_switchingTabs || index < 0 || index >= m_configuration.panes.size()) return;
    const TDPreferencePaneEntry& entry = m_configuration.panes.at(index);
    if (entry.identifier == m_selectedIdentifier) return;
    const int previous = m_configuration.indexOf(m_selectedIdentifier);
    QPointer<TDPreferencesController> self(this);
    const QString identifier = entry.identifier;
    if (!p_mayOrderOut([self, identifier] {
            if (self) self->selectPreferencePaneWithIdentifier(identifier);
        })) {
        // The tab bar has already moved: put it back on the pane that stays.
        m_switchingTabs = true;
        m_tabs->setCurrentIndex(previous);
        m_switchingTabs = false;
        return;
    }
    TDPreferencePane* pane = p_pane(entry);
    QWidget* page = p_page(entry.identifier);
    QWidget* holder = m_tabs->widget(index);
    if (holder->layout()->indexOf(page) < 0) holder->layout()->addWidget(page);
    pane->setupPreferencePaneController(*this);
    m_selectedPane = pane;
    m_selectedIdentifier = entry.identifier;
    m_defaults.setValue(kSelectedPane, entry.identifier);
    validateSelectableItems();
    QPointer<QWidget> shownHolder(holder);
    p_resizeTo(page, [this, identifier, shownHolder] {
        if (!shownHolder || identifier != m_selectedIdentifier) return;
        p_didShow(*m_configuration.entry(identifier), m_selectedPane);
    });
}

void TDPreferencesController::p_resizeTo(QWidget* page, std::function<void()> then) {
    // The frame's top edge stays; the window takes the pane's width and the height of the pane and
    // the bars above it.
    QSize content = page->sizeHint().expandedTo(page->minimumSizeHint());
    if (m_tabs) {
        const int tabBar = m_tabs->tabBar()->sizeHint().height();
        content = QSize(content.width() + 2 * kTabMargin, content.height() + 2 * kTabMargin + tabBar);
    }
    const int toolbarHeight = m_toolbar ? m_toolbar->sizeHint().height() : 0;
    const QRect from = m_window->geometry();
    const QRect to(from.topLeft(), QSize(content.width(), content.height() + toolbarHeight));
    if (!m_animatesResize || !m_window->isVisible() || from == to) {
        m_window->setGeometry(to);
        then();
        return;
    }
    auto* animation = new QPropertyAnimation(m_window.get(), "geometry", m_window.get());
    animation->setDuration(kResizeMilliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(animation, &QPropertyAnimation::finished, this, std::move(then));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TDPreferencesController::p_didShow(const TDPreferencePaneEntry& entry, TDPreferencePane* pane) {
    if (usesToolbar()) m_window->setWindowTitle(entry.name);
    p_focusFirstControl(pane->view());
    Q_EMIT paneShown(entry.identifier);
}

void TDPreferencesController::p_focusFirstControl(QWidget* view) {
    for (QWidget* next = view->nextInFocusChain(); next && next != view; next = next->nextInFocusChain()) {
        if (view->isAncestorOf(next) && (next->focusPolicy() & Qt::TabFocus) && next->isEnabled() &&
            next->isVisibleTo(view)) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    view->setFocus(Qt::OtherFocusReason);
}

QStringList TDPreferencesController::selectableIdentifiers() const {
    if (m_selectedPane &&
        !m_selectedPane->canSwitchOutPreferencePane(const_cast<TDPreferencesController&>(*this)))
        return {m_selectedIdentifier};
    QStringList identifiers;
    for (const TDPreferencePaneEntry& entry : m_configuration.panes) identifiers << entry.identifier;
    return identifiers;
}

void TDPreferencesController::validateSelectableItems() {
    const QStringList selectable = selectableIdentifiers();
    if (m_toolbarActions) {
        for (QAction* item : m_toolbarActions->actions()) {
            item->setEnabled(selectable.contains(item->data().toString()));
            item->setChecked(item->data().toString() == m_selectedIdentifier);
        }
    }
    if (m_tabs)
        for (int i = 0; i < m_configuration.panes.size(); ++i)
            m_tabs->setTabEnabled(i, selectable.contains(m_configuration.panes.at(i).identifier));
}

bool TDPreferencesController::close() {
    return !m_window || !m_window->isVisible() || m_window->close();
}

bool TDPreferencesController::p_shouldClose() {
    QPointer<TDPreferencesController> self(this);
    return p_mayOrderOut([self] {
        if (self) self->close();
    });
}

void TDPreferencesController::p_windowDidClose() {
    TDActivateAgain(m_previousWindow);
    Q_EMIT windowClosed();
}
