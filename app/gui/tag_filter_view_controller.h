#pragma once

#include "app/gui/command_view_controller.h"

class QLineEdit;

// The command bar's tag filter: a toggle button with a count for each tag of the shown tasks, and the
// title filter field.
class TDTagFilterViewController final : public TDCommandViewController {
    Q_OBJECT
public:
    explicit TDTagFilterViewController(QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    // The title filter field.
    QLineEdit* searchField();

protected:
    QWidget* makeView() override;

private:
    QLineEdit* m_searchField = nullptr;
    bool m_enabled = true;
};
