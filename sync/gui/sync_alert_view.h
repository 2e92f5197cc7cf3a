#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class TDSyncAlertPanelController;

// Lays out the controller's alert: the message in bold, the informative text 12 points below it, an
// accessory widget below that when one is given, and the alert's buttons at the bottom right, tagged
// 1000, 1001, … in order (the first is the default). A button press goes to the controller.
class TDSyncAlertView final : public QWidget {
    Q_OBJECT
public:
    explicit TDSyncAlertView(TDSyncAlertPanelController& controller, QWidget* parent = nullptr);

    // Not owned until shown; replaced or removed (nullptr) with each alert that wants it.
    void setAccessoryWidget(QWidget* accessory);
    // The button with the tag, for tests and keyboard focus.
    QWidget* buttonWithTag(int tag) const;

private:
    void p_reload();

    TDSyncAlertPanelController& m_controller;
    QLabel* m_message;
    QLabel* m_informative;
    QVBoxLayout* m_accessoryHolder;
    QHBoxLayout* m_buttons;
    QWidget* m_accessory = nullptr;
};
