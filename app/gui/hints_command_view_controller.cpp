#include "app/gui/hints_command_view_controller.h"

#include "app/gui/dark_button.h"
#include "controls/gui/dark_search_field.h"
#include "foundation/gui/tooltip_shortcut.h"
#include "taskviews/task_menus.h"
#include "taskviews/tasks_controller.h"

#include <QKeySequence>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

constexpr int kBarHeight = 38;
constexpr int kMargin = 8;
constexpr int kButtonGap = 6;
constexpr int kButtonHeight = 20;
constexpr int kSearchFieldWidth = 128;
// A button this close to the search field gives way.
constexpr int kSearchFieldClearance = 6;

// The strips fill the container; each frame change lays out the strip shown.
class StripContainer final : public QWidget {
public:
    std::function<void()> frameDidChange;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        for (QWidget* strip : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            strip->setGeometry(rect());
        if (frameDidChange) frameDidChange();
    }
};

struct ButtonEntry {
    const char* title;
    const char* action;
    // The key shown; the Task menu's own when empty.
    QKeyCombination key;
};

const ButtonEntry kButtons[] = {
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Complete"), "toggleCompleted", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Cancel"), "toggleCanceled", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Begin Timing"), "beginTiming", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Start Today"), "toggleStartToday", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Tag"), "tag", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Edit"), "edit", QKeyCombination(Qt::Key_Tab)},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Estimate"), "editEstimate", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "File Task"), "showFileToGroupWindow", {}},
    {QT_TRANSLATE_NOOP("TDHintsCommandViewController", "Archive"), "hideCompletedTasks", {}},
};

QLabel* helpLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(11);
    label->setFont(font);
    QPalette colors = label->palette();
    colors.setColor(QPalette::WindowText, QColor::fromRgbF(0.85f, 0.85f, 0.85f));
    label->setPalette(colors);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TDHintsCommandViewController::TDHintsCommandViewController(QObject* parent)
    : TDCommandViewController(parent) {
}

TDHintsCommandViewController::~TDHintsCommandViewController() {
    disconnect(m_selectionConnection);
}

void TDHintsCommandViewController::setTasksController(TDTasksController* controller) {
    if (controller == tasksController()) return;
    disconnect(m_selectionConnection);
    TDCommandViewController::setTasksController(controller);
    if (controller)
        m_selectionConnection = connect(controller, &TDTasksController::selectionChanged, this,
                                        &TDHintsCommandViewController::p_scheduleButtonStateUpdate);
    p_scheduleButtonStateUpdate();
}

QWidget* TDHintsCommandViewController::makeView() {
    auto* container = new StripContainer;
    container->resize(600, kBarHeight);
    m_container = container;
    p_makeMainButtons(container);
    m_titleHelpView = p_makeHelpStrip(container,
                                      tr("\u21A9 Done    Ctrl+\u21A9 New Task Below    \u21E7\u21A9 New "
                                         "Child Task    tab Next Column    esc Cancel"),
                                      tr("Type / before a word to tag the task, @ for a context"));
    const QList<QLabel*> titleLabels = m_titleHelpView->findChildren<QLabel*>();
    m_titleKeyGuideField = titleLabels.value(0);
    m_titleMessageField = titleLabels.value(1);
    m_noteHelpView = p_makeHelpStrip(
        container, tr("Text, links and dropped files go into the note    esc or a click outside Done"));
    m_dateHelpView = p_makeHelpStrip(
        container, tr("Type a date as you would say it: \u201Ctomorrow\u201D, \u201Cnext friday\u201D, "
                      "\u201Cin 3 days\u201D, \u201Cdec 24\u201D    \u21A9 Done    esc Cancel"));
    m_estimateHelpView = p_makeHelpStrip(container, tr("Type a duration: \u201C45m\u201D, \u201C1.5h\u201D, "
                                                       "\u201C1w 2d\u201D    \u21A9 Done    esc Cancel"));
    for (QWidget* strip :
         {m_mainButtonsView, m_titleHelpView, m_noteHelpView, m_dateHelpView, m_estimateHelpView})
        strip->setGeometry(container->rect());
    for (QWidget* strip : {m_titleHelpView, m_noteHelpView, m_dateHelpView, m_estimateHelpView})
        strip->hide();
    container->frameDidChange = [this] { p_layoutShownStrip(); };
    p_layoutShownStrip();
    return container;
}

void TDHintsCommandViewController::p_makeMainButtons(QWidget* container) {
    m_mainButtonsView = new QWidget(container);
    TDTaskMenu menu = TDTaskMenuTemplate();
    for (const ButtonEntry& entry : kButtons) {
        auto* button = new TDDarkButton(m_mainButtonsView);
        const QString action = QLatin1String(entry.action);
        button->setText(tr(entry.title));
        QKeyCombination key = entry.key;
        if (const TDTaskMenuItem* item = menu.itemWithAction(action)) {
            if (key.key() == Qt::Key_unknown && !item->shortcut.isEmpty())
                key = QKeySequence(item->shortcut, QKeySequence::PortableText)[0];
            // The button writes its key short; the tip spells it out.
            const QString spelled = TDShortcutLabel(key);
            button->setToolTip(spelled.isEmpty() ? item->title
                                                 : item->title + QStringLiteral(" (%1)").arg(spelled));
        }
        button->setKeyEquivalent(key);
        button->resize(button->compactSize().width(), kButtonHeight);
        connect(button, &QAbstractButton::clicked, this, [this, action] { p_perform(action); });
        m_buttons.append(button);
    }
    m_searchField = new TDDarkSearchField(m_mainButtonsView);
    m_searchField->setPlaceholderText(tr("Filter by Title"));
    connect(m_searchField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (tasksController() && tasksController()->titleFilterString() != text)
            tasksController()->setTitleFilterString(text);
    });
    p_applyButtonStates();
}

QWidget* TDHintsCommandViewController::p_makeHelpStrip(QWidget* container, const QString& keys,
                                                       const QString& message) {
    auto* strip = new QWidget(container);
    QLabel* keyLabel = helpLabel(keys, strip);
    keyLabel->adjustSize();
    keyLabel->move(kMargin + 4, (kBarHeight - keyLabel->height()) / 2);
    if (!message.isEmpty()) {
        QLabel* messageLabel = helpLabel(message, strip);
        QPalette colors = messageLabel->palette();
        colors.setColor(QPalette::WindowText, QColor::fromRgbF(0.7f, 0.7f, 0.7f));
        messageLabel->setPalette(colors);
        messageLabel->adjustSize();
    }
    return strip;
}

void TDHintsCommandViewController::showMainButtons() {
    p_showStrip(mainButtonsView());
}

void TDHintsCommandViewController::showTitleHelp() {
    view();
    p_showStrip(m_titleHelpView);
}

void TDHintsCommandViewController::showNoteHelp() {
    view();
    p_showStrip(m_noteHelpView);
}

void TDHintsCommandViewController::showDateHelp() {
    view();
    p_showStrip(m_dateHelpView);
}

void TDHintsCommandViewController::showEstimateHelp() {
    view();
    p_showStrip(m_estimateHelpView);
}

void TDHintsCommandViewController::p_showStrip(QWidget* strip) {
    if (!strip->isHidden()) return;
    for (QWidget* other :
         {m_mainButtonsView, m_titleHelpView, m_noteHelpView, m_dateHelpView, m_estimateHelpView})
        if (other != strip) other->hide();
    strip->setGeometry(m_container->rect());
    strip->show();
    p_layoutShownStrip();
}

QWidget* TDHintsCommandViewController::shownStrip() const {
    for (QWidget* strip :
         {m_mainButtonsView, m_titleHelpView, m_noteHelpView, m_dateHelpView, m_estimateHelpView})
        if (strip && !strip->isHidden()) return strip;
    return nullptr;
}

QWidget* TDHintsCommandViewController::mainButtonsView() {
    view();
    return m_mainButtonsView;
}

QLineEdit* TDHintsCommandViewController::searchField() {
    view();
    return m_searchField;
}

TDDarkButton* TDHintsCommandViewController::button(Button which) {
    view();
    return m_buttons.value(which);
}

void TDHintsCommandViewController::filterByTitle() {
    showMainButtons();
    searchField()->setFocus(Qt::ShortcutFocusReason);
}

void TDHintsCommandViewController::p_layoutShownStrip() {
    QWidget* shown = shownStrip();
    if (shown == m_mainButtonsView)
        p_layoutMainButtons();
    else if (shown == m_titleHelpView)
        p_layoutTitleHelp();
}

void TDHintsCommandViewController::p_layoutMainButtons() {
    const QRect bounds = m_mainButtonsView->rect();
    TDDarkButton* archive = m_buttons.at(Archive);
    archive->move(bounds.width() - kMargin - archive->width(), (bounds.height() - kButtonHeight) / 2);
    const QSize fieldSize(kSearchFieldWidth, m_searchField->sizeHint().height());
    m_searchField->setGeometry(QRect(
        QPoint(archive->x() - kButtonGap - fieldSize.width(), (bounds.height() - fieldSize.height()) / 2),
        fieldSize));
    // Task buttons that would run into the search field give way, from the right.
    int x = kMargin;
    for (TDDarkButton* button : m_buttons) {
        if (button == archive) continue;
        button->move(x, (bounds.height() - kButtonHeight) / 2);
        x += button->width() + kButtonGap;
        button->setHidden(button->x() + button->width() + kSearchFieldClearance > m_searchField->x());
    }
}

void TDHintsCommandViewController::p_layoutTitleHelp() {
    const QRect bounds = m_titleHelpView->rect();
    m_titleMessageField->move(bounds.width() - kMargin - 4 - m_titleMessageField->width(),
                              (bounds.height() - m_titleMessageField->height()) / 2);
    m_titleMessageField->setHidden(
        m_titleMessageField->geometry().intersects(m_titleKeyGuideField->geometry()));
}

void TDHintsCommandViewController::p_perform(const QString& action) {
    TDTasksController* controller = tasksController();
    if (!controller) return;
    TDTaskMenu menu = TDTaskMenuTemplate();
    if (const TDTaskMenuItem* item = menu.itemWithAction(action)) controller->perform(*item);
}

void TDHintsCommandViewController::p_scheduleButtonStateUpdate() {
    // The selection settles within the event that changed it; the buttons follow on the next turn.
    if (m_updateScheduled) return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_updateScheduled = false;
        updateButtonState();
    });
}

void TDHintsCommandViewController::updateButtonState() {
    TDTasksController* controller = tasksController();
    TDTaskMenu menu = TDTaskMenuTemplate();
    const auto validated = [&](const char* action) {
        const TDTaskMenuItem* item = menu.itemWithAction(QLatin1String(action));
        return controller && item && controller->validateMenuItem(*item);
    };
    m_completeButtonEnabled = validated("toggleCompleted");
    m_cancelButtonEnabled = validated("toggleCanceled");
    m_beginButtonEnabled = validated("beginTiming");
    m_todayButtonEnabled = validated("toggleStartToday");
    m_tagButtonEnabled = validated("tag");
    m_fileButtonEnabled = validated("showFileToGroupWindow");
    p_applyButtonStates();
    Q_EMIT buttonStateChanged();
}

void TDHintsCommandViewController::p_applyButtonStates() {
    if (m_buttons.isEmpty()) return;
    m_buttons.at(Complete)->setEnabled(m_completeButtonEnabled);
    m_buttons.at(Cancel)->setEnabled(m_cancelButtonEnabled);
    m_buttons.at(BeginTiming)->setEnabled(m_beginButtonEnabled);
    m_buttons.at(StartToday)->setEnabled(m_todayButtonEnabled);
    m_buttons.at(Tag)->setEnabled(m_tagButtonEnabled);
    m_buttons.at(FileTask)->setEnabled(m_fileButtonEnabled);
}
