#include "taskviews/gui/tasks_view_controller.h"

#include "taskviews/gui/desktop_task_feedback.h"
#include "taskviews/gui/tasks_print.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QVBoxLayout>

TDTasksViewController::TDTasksViewController(TDLibraryManager& libraryManager, QWidget* parent)
    : QWidget(parent),
      m_controller(std::make_unique<TDTasksController>(libraryManager)),
      m_model(std::make_unique<TDTaskTreeModel>(m_controller.get())),
      m_view(new TDTasksView(*m_controller, *m_model, this)),
      m_feedback(std::make_unique<TDDesktopTaskFeedback>(*m_view)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_controller->setPresentation(m_view);
    m_controller->setFeedback(m_feedback.get());
    m_controller->setLinkOpener(m_feedback.get());
    m_controller->setMode(0);
    setFocusProxy(m_view);
}

TDTasksViewController::~TDTasksViewController() {
    m_controller->setPresentation(nullptr);
    m_controller->setFeedback(nullptr);
    m_controller->setLinkOpener(nullptr);
    delete m_view;
}

std::unique_ptr<TDPrintRenderer> TDTasksViewController::makePrintRenderer(platform::UserDefaults& defaults) {
    return std::make_unique<TDTasksPrintJob>(*this, defaults);
}
