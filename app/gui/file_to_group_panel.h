#pragma once

#include "app/file_to_group_controller.h"
#include "controls/gui/completion_view_controller.h"
#include "language/gui/abbreviation_complete_field.h"

#include <QPointer>

#include <memory>

class QPushButton;
class QToolButton;
class TDBalloonPanel;
class TDMainWindow;

// The panel's content: the abbreviation field, the two arrows and the done and cancel buttons.
class TDFileToGroupPanelContentView final : public TDCompletionViewController {
    Q_OBJECT
public:
    explicit TDFileToGroupPanelContentView(QWidget* parent = nullptr);

    TDAbbreviationCompleteField* searchField() const { return m_searchField; }
    QToolButton* arrowButton(int segment) const { return m_arrows[segment == 1 ? 1 : 0]; }
    QPushButton* doneButton() const { return m_doneButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    QSize sizeHint() const override;
    bool cancelOperation() override;

Q_SIGNALS:
    void canceled();
    // The balloon went away without done or cancel (a click elsewhere).
    void hidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TDAbbreviationCompleteField* m_searchField;
    QToolButton* m_arrows[2];
    QPushButton* m_doneButton;
    QPushButton* m_cancelButton;
};

// File Task's balloon under the selected task: it takes the keyboard while open (a pop-up over the main
// window) and gives it back to the task list when it closes. The source list shows the matches; the
// marked one carries the outlined second selection.
class TDFileToGroupPanel final : public QObject,
                                 private TDFileToGroupWindow,
                                 private TDAbbreviationCompleteFieldDelegate {
    Q_OBJECT
public:
    explicit TDFileToGroupPanel(TDMainWindow& window);
    ~TDFileToGroupPanel() override;

    TDFileToGroupController& controller() { return m_controller; }
    // Opens the balloon for the tasks; the tasks view's mode (0 outline, 1 cards) places it.
    void showForTasks(const QList<TDTask*>& tasks, int mode);
    bool isVisible() const;
    TDBalloonPanel* balloon() const { return m_balloon; }
    TDFileToGroupPanelContentView* contentView() const { return m_content; }

private:
    bool isSourceListHidden() const override;
    void toggleSourceList() override;
    void shake() override;
    void closePanel() override;
    QStringList completionsForString(TDAbbreviationCompleteField* field, const QString& typed) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void p_cycle(bool up);
    void p_done();
    void p_updateUI();
    void p_markGroup(TDGroup* group);
    QRect p_targetFrame(int mode) const;

    TDMainWindow& m_window;
    TDFileToGroupController m_controller;
    QPointer<TDBalloonPanel> m_balloon;
    QPointer<TDFileToGroupPanelContentView> m_content;
    bool m_closing = false;
};
