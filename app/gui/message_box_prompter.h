#pragma once

#include "foundation/alert.h"

class QWidget;

// Asks with a modal message box, its buttons in the alert's order.
class TDMessageBoxPrompter final : public TDAlertPrompter {
public:
    explicit TDMessageBoxPrompter(QWidget* parent = nullptr) : m_parent(parent) {}
    int runModal(const TDAlert& alert) override;

private:
    QWidget* m_parent;
};
