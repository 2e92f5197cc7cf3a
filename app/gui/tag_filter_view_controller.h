#pragma once

#include "app/gui/command_view_controller.h"

#include <QMetaObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class QMenu;
class TDTag;
class TDTagButton;
class TDTagFilterView;

// The command bar's tag filter: a toggle button with a count for each tag of the shown tasks, and the
// title filter field.
class TDTagFilterViewController final : public TDCommandViewController {
    Q_OBJECT
public:
    explicit TDTagFilterViewController(QObject* parent = nullptr);
    ~TDTagFilterViewController() override;

    // The bar rebuilds whenever the controller's tag information changes; the field filters its titles.
    void setTasksController(TDTasksController* controller) override;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    // The title filter field.
    QLineEdit* searchField();
    TDTagFilterView* filterView();
    TDTagButton* overflowButton();
    QLabel* noTagsExplanationField();

    // A click on a tag's button or menu item: with Ctrl or Shift the tag joins or leaves the filter,
    // else the filter becomes this tag alone, or nothing when it was just this tag.
    void toggleTagFilter(TDTag* tag, Qt::KeyboardModifiers modifiers);
    // Fills the overflow menu with the tags whose buttons are hidden, checked when they filter.
    void populateOverflowMenu(QMenu& menu);

protected:
    QWidget* makeView() override;

private:
    void p_layoutBar(QWidget* bar);
    void p_showOverflowMenu();

    TDTagFilterView* m_filterView = nullptr;
    TDTagButton* m_overflowButton = nullptr;
    QLabel* m_noTagsExplanationField = nullptr;
    QLineEdit* m_searchField = nullptr;
    QMetaObject::Connection m_tagInfoConnection;
    bool m_enabled = true;
};
