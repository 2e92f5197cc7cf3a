#include "taskviews/gui/tasks_view_controller.h"

#include "taskviews/card_deck.h"
#include "taskviews/gui/card_print_job.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/desktop_task_feedback.h"
#include "taskviews/gui/tasks_print.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QStackedLayout>

TDTasksViewController::TDTasksViewController(TDLibraryManager& libraryManager, QWidget* parent)
    : QWidget(parent),
      m_controller(std::make_unique<TDTasksController>(libraryManager)),
      m_model(std::make_unique<TDTaskTreeModel>(m_controller.get())),
      m_view(new TDTasksView(*m_controller, *m_model, this)),
      m_layout(new QStackedLayout(this)),
      m_feedback(std::make_unique<TDDesktopTaskFeedback>(*m_view)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_view);
    connect(m_controller.get(), &TDTasksController::modeChanged, this, &TDTasksViewController::p_modeChanged);
    m_controller->setPresentation(m_view);
    m_controller->setFeedback(m_feedback.get());
    m_controller->setLinkOpener(m_feedback.get());
    m_controller->setMode(0);
    setFocusProxy(m_view);
}

void TDTasksViewController::setURLHandler(TDURLHandler* handler) {
    m_feedback->setURLHandler(handler);
}

void TDTasksViewController::setAlertPrompter(TDAlertPrompter* prompter) {
    m_feedback->setAlertPrompter(prompter);
}

void TDTasksViewController::p_modeChanged(qint64 mode) {
    const bool hadFocus = focusWidget() != nullptr;
    if (mode == 1 && !m_cardsView && m_controller->cardDeck()) {
        m_cardsView = new TDCardsView(*m_controller, *m_controller->cardDeck(), this);
        m_layout->addWidget(m_cardsView);
    }
    QWidget* shown = mode == 1 && m_cardsView ? static_cast<QWidget*>(m_cardsView) : m_view;
    m_layout->setCurrentWidget(shown);
    setFocusProxy(shown);
    if (hadFocus) shown->setFocus(Qt::OtherFocusReason);
}

TDTasksViewController::~TDTasksViewController() {
    m_controller->setPresentation(nullptr);
    m_controller->setFeedback(nullptr);
    m_controller->setLinkOpener(nullptr);
    delete m_cardsView;
    delete m_view;
}

std::unique_ptr<TDPrintRenderer> TDTasksViewController::makePrintRenderer(platform::UserDefaults& defaults) {
    // In card mode the front card prints.
    if (m_controller->mode() == 1 && m_cardsView && !m_cardsView->frontCardSize().isEmpty())
        return std::make_unique<TDCardPrintJob>(*m_cardsView, *m_controller, defaults);
    return std::make_unique<TDTasksPrintJob>(*this, defaults);
}
