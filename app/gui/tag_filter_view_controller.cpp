#include "app/gui/tag_filter_view_controller.h"

#include "app/gui/tag_button.h"
#include "app/gui/tag_filter_view.h"
#include "app/tag_filter_toggle.h"
#include "controls/gui/dark_search_field.h"
#include "model/tag.h"
#include "taskviews/tasks_controller.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace {

constexpr int kBarHeight = 38;
constexpr int kMargin = 8;
constexpr int kSearchFieldWidth = 180;
constexpr int kOverflowButtonWidth = 26;

class TagFilterBar final : public QWidget {
public:
    std::function<void()> frameDidChange;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (frameDidChange) frameDidChange();
    }
};

}  // namespace

TDTagFilterViewController::TDTagFilterViewController(QObject* parent) : TDCommandViewController(parent) {
}

TDTagFilterViewController::~TDTagFilterViewController() {
    disconnect(m_tagInfoConnection);
}

void TDTagFilterViewController::setTasksController(TDTasksController* controller) {
    if (controller == tasksController()) return;
    disconnect(m_tagInfoConnection);
    TDCommandViewController::setTasksController(controller);
    if (controller)
        m_tagInfoConnection = connect(controller, &TDTasksController::filterTagInfoChanged, this, [this] {
            if (m_filterView) m_filterView->reloadData();
        });
    if (m_filterView) {
        m_filterView->setTasksController(controller);
        m_filterView->reloadData();
    }
}

QWidget* TDTagFilterViewController::makeView() {
    auto* bar = new TagFilterBar;
    bar->resize(600, kBarHeight);
    m_filterView = new TDTagFilterView(bar);
    m_filterView->setTasksController(tasksController());
    m_filterView->setTagButtonsEnabled(m_enabled);
    connect(m_filterView, &TDTagFilterView::tagClicked, this, &TDTagFilterViewController::toggleTagFilter);

    m_overflowButton = new TDTagButton(bar);
    m_overflowButton->setCheckable(false);
    m_overflowButton->setText(QString(QChar(0x00BB)));
    m_overflowButton->setToolTip(tr("More tags"));
    m_overflowButton->hide();
    connect(m_overflowButton, &QAbstractButton::clicked, this,
            &TDTagFilterViewController::p_showOverflowMenu);
    m_filterView->setOverflowButton(m_overflowButton);

    m_noTagsExplanationField =
        new QLabel(tr("The shown tasks have no tags. Type / and a word in a task's title to tag it."), bar);
    QFont font = m_noTagsExplanationField->font();
    font.setPixelSize(11);
    m_noTagsExplanationField->setFont(font);
    QPalette colors = m_noTagsExplanationField->palette();
    colors.setColor(QPalette::WindowText, QColor::fromRgbF(0.8f, 0.8f, 0.8f));
    m_noTagsExplanationField->setPalette(colors);
    m_noTagsExplanationField->hide();
    m_filterView->setNoTagsExplanationField(m_noTagsExplanationField);

    m_searchField = new TDDarkSearchField(bar);
    m_searchField->setPlaceholderText(tr("Filter by Title"));
    connect(m_searchField, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (tasksController() && tasksController()->titleFilterString() != text)
            tasksController()->setTitleFilterString(text);
    });
    bar->frameDidChange = [this, bar] { p_layoutBar(bar); };
    p_layoutBar(bar);
    return bar;
}

void TDTagFilterViewController::p_layoutBar(QWidget* bar) {
    const QRect bounds = bar->rect();
    const int fieldHeight = m_searchField->sizeHint().height();
    m_searchField->setGeometry(bounds.width() - kMargin - kSearchFieldWidth,
                               (bounds.height() - fieldHeight) / 2, kSearchFieldWidth, fieldHeight);
    const int rowHeight = 24;
    const int rowY = (bounds.height() - rowHeight) / 2;
    const int overflowX = m_searchField->x() - kMargin - kOverflowButtonWidth;
    m_overflowButton->setGeometry(overflowX, rowY + 3, kOverflowButtonWidth, 18);
    m_filterView->setGeometry(2, rowY, std::max(0, overflowX - 4 - 2), rowHeight);
    m_noTagsExplanationField->adjustSize();
    m_noTagsExplanationField->move(kMargin + 4, (bounds.height() - m_noTagsExplanationField->height()) / 2);
}

void TDTagFilterViewController::setEnabled(bool enabled) {
    if (enabled == m_enabled) return;
    m_enabled = enabled;
    if (m_filterView) m_filterView->setTagButtonsEnabled(enabled);
}

QLineEdit* TDTagFilterViewController::searchField() {
    view();
    return m_searchField;
}

TDTagFilterView* TDTagFilterViewController::filterView() {
    view();
    return m_filterView;
}

TDTagButton* TDTagFilterViewController::overflowButton() {
    view();
    return m_overflowButton;
}

QLabel* TDTagFilterViewController::noTagsExplanationField() {
    view();
    return m_noTagsExplanationField;
}

void TDTagFilterViewController::toggleTagFilter(TDTag* tag, Qt::KeyboardModifiers modifiers) {
    TDTasksController* controller = tasksController();
    if (!controller || !tag) return;
    const bool additive = modifiers.testAnyFlags(Qt::ControlModifier | Qt::ShiftModifier);
    controller->setFilterTags(TDTagFilterAfterToggling(controller->filterTags(), tag, additive));
    if (m_filterView) m_filterView->updateButtonStates();
}

void TDTagFilterViewController::populateOverflowMenu(QMenu& menu) {
    menu.clear();
    TDTasksController* controller = tasksController();
    if (!controller || !m_filterView) return;
    for (TDTagButton* button : m_filterView->tagButtons()) {
        if (!button->isHidden()) continue;
        TDTag* tag = button->tagObject();
        QAction* item = menu.addAction(tag->title());
        item->setCheckable(true);
        item->setChecked(controller->filterTags().contains(tag));
        connect(item, &QAction::triggered, this,
                [this, tag] { toggleTagFilter(tag, QGuiApplication::keyboardModifiers()); });
    }
}

void TDTagFilterViewController::p_showOverflowMenu() {
    QMenu menu;
    populateOverflowMenu(menu);
    menu.exec(m_overflowButton->mapToGlobal(QPoint(0, m_overflowButton->height())));
}
