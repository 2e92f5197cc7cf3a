#pragma once

#include "app/gui/command_view_controller.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class TDDarkButton;

// The command bar's hints: buttons for the selected tasks and the title filter, giving way to a short
// help strip while a title, note, date or estimate is edited.
class TDHintsCommandViewController final : public TDCommandViewController {
    Q_OBJECT
    Q_PROPERTY(bool completeButtonEnabled READ completeButtonEnabled NOTIFY buttonStateChanged)
    Q_PROPERTY(bool cancelButtonEnabled READ cancelButtonEnabled NOTIFY buttonStateChanged)
    Q_PROPERTY(bool beginButtonEnabled READ beginButtonEnabled NOTIFY buttonStateChanged)
    Q_PROPERTY(bool todayButtonEnabled READ todayButtonEnabled NOTIFY buttonStateChanged)
    Q_PROPERTY(bool tagButtonEnabled READ tagButtonEnabled NOTIFY buttonStateChanged)
    Q_PROPERTY(bool fileButtonEnabled READ fileButtonEnabled NOTIFY buttonStateChanged)
public:
    // The main buttons, left to right.
    // File Task stands last of those that give way, so a window of the default width still shows the rest.
    enum Button { Complete, Cancel, BeginTiming, StartToday, Tag, Edit, Estimate, FileTask, Archive };

    explicit TDHintsCommandViewController(QObject* parent = nullptr);
    ~TDHintsCommandViewController() override;

    // Follows the controller's selection for the buttons' states, and drives its title filter.
    void setTasksController(TDTasksController* controller) override;

    // Each shows its strip; asking for the strip already shown changes nothing.
    void showMainButtons();
    void showTitleHelp();
    void showNoteHelp();
    void showDateHelp();
    void showEstimateHelp();
    // The strip shown: the main buttons or one of the help strips.
    QWidget* shownStrip() const;
    QWidget* mainButtonsView();

    // The title filter field.
    QLineEdit* searchField();
    TDDarkButton* button(Button which);
    // Makes the title filter field the focus.
    void filterByTitle();

    // The task buttons' states, as the Task menu validates their commands.
    bool completeButtonEnabled() const { return m_completeButtonEnabled; }
    bool cancelButtonEnabled() const { return m_cancelButtonEnabled; }
    bool beginButtonEnabled() const { return m_beginButtonEnabled; }
    bool todayButtonEnabled() const { return m_todayButtonEnabled; }
    bool tagButtonEnabled() const { return m_tagButtonEnabled; }
    bool fileButtonEnabled() const { return m_fileButtonEnabled; }
    void updateButtonState();

Q_SIGNALS:
    void buttonStateChanged();

protected:
    QWidget* makeView() override;

private:
    void p_makeMainButtons(QWidget* container);
    QWidget* p_makeHelpStrip(QWidget* container, const QString& keys, const QString& message = {});
    void p_showStrip(QWidget* strip);
    // Lays out the strip shown for the container's width.
    void p_layoutShownStrip();
    void p_layoutMainButtons();
    void p_layoutTitleHelp();
    void p_perform(const QString& action);
    void p_scheduleButtonStateUpdate();
    void p_applyButtonStates();

    QPointer<QWidget> m_container;
    QWidget* m_mainButtonsView = nullptr;
    QWidget* m_titleHelpView = nullptr;
    QWidget* m_noteHelpView = nullptr;
    QWidget* m_dateHelpView = nullptr;
    QWidget* m_estimateHelpView = nullptr;
    QLabel* m_titleKeyGuideField = nullptr;
    QLabel* m_titleMessageField = nullptr;
    QList<TDDarkButton*> m_buttons;
    QLineEdit* m_searchField = nullptr;
    QMetaObject::Connection m_selectionConnection;
    bool m_updateScheduled = false;
    bool m_completeButtonEnabled = false;
    bool m_cancelButtonEnabled = false;
    bool m_beginButtonEnabled = false;
    bool m_todayButtonEnabled = false;
    bool m_tagButtonEnabled = false;
    bool m_fileButtonEnabled = false;
};
