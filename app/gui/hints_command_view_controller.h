#pragma once

#include "app/gui/command_view_controller.h"

class QLineEdit;

// The command bar's hints: buttons for the selected tasks and the title filter, giving way to a short
// help strip while a title, note, date or estimate is edited.
class TDHintsCommandViewController final : public TDCommandViewController {
    Q_OBJECT
public:
    explicit TDHintsCommandViewController(QObject* parent = nullptr);

    void showMainButtons();
    void showTitleHelp();
    void showNoteHelp();
    void showDateHelp();
    void showEstimateHelp();

    // The title filter field.
    QLineEdit* searchField();

protected:
    QWidget* makeView() override;

private:
    QLineEdit* m_searchField = nullptr;
};
