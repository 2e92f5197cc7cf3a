#pragma once

#include "controls/gui/gradient_view.h"

class TDCommandView;

// Told when a command view arrives in a window and after its children were laid out anew.
class TDCommandViewDelegate {
public:
    virtual ~TDCommandViewDelegate() = default;
    virtual void viewDidMoveToWindow(TDCommandView* view) { Q_UNUSED(view) }
    virtual void viewDidResize(TDCommandView* view, const QSize& size) {
        Q_UNUSED(view)
        Q_UNUSED(size)
    }
};

// The light strip a command view (go-to) lies on: a grey gradient with a darker line along its top.
class TDCommandView : public TDGradientView {
    Q_OBJECT
public:
    explicit TDCommandView(QWidget* parent = nullptr);

    // Not owned; nullptr for none.
    void setDelegate(TDCommandViewDelegate* delegate) { m_delegate = delegate; }
    TDCommandViewDelegate* delegate() const { return m_delegate; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TDCommandViewDelegate* m_delegate = nullptr;
};
