#pragma once

#include <QWidget>

class TDHintsContainerView;

// Lays out the strip the hints show each time their container changes size.
class TDHintsContainerDelegate {
public:
    virtual ~TDHintsContainerDelegate() = default;
    virtual void commandsViewDidChangeFrame(TDHintsContainerView* view) = 0;
};

// Holds the hints' strips (the buttons, or a help strip) and reports each change of its frame.
class TDHintsContainerView : public QWidget {
    Q_OBJECT
public:
    explicit TDHintsContainerView(QWidget* parent = nullptr) : QWidget(parent) {}

    // Not owned; nullptr for none.
    void setDelegate(TDHintsContainerDelegate* delegate) { m_delegate = delegate; }
    TDHintsContainerDelegate* delegate() const { return m_delegate; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    TDHintsContainerDelegate* m_delegate = nullptr;
};
