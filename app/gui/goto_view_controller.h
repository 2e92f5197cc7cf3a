#pragma once

#include "app/gui/command_view_controller.h"
#include "language/gui/abbreviation_complete_field.h"

class QLabel;
class QToolButton;
class TDGotoController;

// The go-to view of the command bar: the abbreviation field, the arrows that step through the matches,
// the count of matches and a cancel button, over the go-to controller's logic. Return or a click into
// the task list is done; Escape and the cancel button cancel.
class TDGotoViewController final : public TDCommandViewController,
                                   private TDAbbreviationCompleteFieldDelegate {
    Q_OBJECT
public:
    explicit TDGotoViewController(TDGotoController& controller, QObject* parent = nullptr);
    ~TDGotoViewController() override;

    TDGotoController& gotoController() const { return m_controller; }
    TDAbbreviationCompleteField* searchField();
    QLabel* infoField();
    // Segment 0 steps down, 1 up.
    QToolButton* arrowButton(int segment);
    QToolButton* cancelButton();
    // Steps to the next match above (up) or below, showing its name in the field.
    void cycleThroughMatches(bool up);

    void viewDidMoveToSuperview() override;
    void viewDidRemoveFromSuperview() override;

protected:
    QWidget* makeView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList completionsForString(TDAbbreviationCompleteField* field, const QString& typed) override;
    void p_updateInfo();

    TDGotoController& m_controller;
    TDAbbreviationCompleteField* m_searchField = nullptr;
    QLabel* m_infoField = nullptr;
    QToolButton* m_arrows[2] = {nullptr, nullptr};
    QToolButton* m_cancelButton = nullptr;
};
