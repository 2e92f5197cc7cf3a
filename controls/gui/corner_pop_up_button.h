#pragma once

#include <QToolButton>

// A pop-up button for a window corner, on a bar that draws its background: only its icon shows, and
// a dark shade while its menu is open or it is pressed.
class TDCornerPopUpButton : public QToolButton {
    Q_OBJECT
public:
    explicit TDCornerPopUpButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
