#pragma once

#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QCoreApplication>

#include <memory>

namespace taskviewstest {

// A tasks controller fixture (`Base`) with a real outline over the controller: the model of its rows and
// the view, the controller's presentation in mode 0. The fixture opens it in its SetUp; the outline goes,
// view first, before the controller does.
template <class Base = TasksControllerTest>
class OutlineTest : public Base {
protected:
    // The view is neither sized nor shown; `window`, when given, is its window before the controller
    // meets it.
    void openOutline(TDTaskWindowContext* window = nullptr) {
        model = std::make_unique<TDTaskTreeModel>(this->controller.get());
        view = std::make_unique<TDTasksView>(*this->controller, *model);
        if (window) view->setWindowContext(window);
        this->controller->setPresentation(view.get());
        this->controller->setMode(0);
    }

    void TearDown() override {
        this->controller->setPresentation(nullptr);
        view.reset();
        model.reset();
        Base::TearDown();
    }

    // The end of an event: the context's notifications, the events they posted, then the rows' layout.
    void settleOutline() {
        this->processChanges();
        QCoreApplication::processEvents();
        view->doItemsLayout();
    }

    std::unique_ptr<TDTaskTreeModel> model;
    std::unique_ptr<TDTasksView> view;
};

}  // namespace taskviewstest
