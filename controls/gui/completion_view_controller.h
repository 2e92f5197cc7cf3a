#pragma once

#include <QVariant>
#include <QWidget>

class TDCompletionViewController;

// Hears the value a balloon's content picks; `finished` when the edit is over.
class TDCompletionDelegate {
public:
    virtual ~TDCompletionDelegate() = default;
    virtual void completionViewController(TDCompletionViewController* controller, const QVariant& value,
                                          bool finished) = 0;
};

// The base of every balloon content that edits a value: it follows the text being typed and reports
// the value it picks to its delegate.
class TDCompletionViewController : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;
    ~TDCompletionViewController() override { m_delegate = nullptr; }

    virtual QVariant objectValue() const { return {}; }
    // The text being edited, to start from.
    virtual void setStringValue(const QString&) {}
    virtual void windowDidResignKey() {}
    // Esc in the balloon: true when the content took it (its own cancel or okay).
    virtual bool cancelOperation() { return false; }

    TDCompletionDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDCompletionDelegate* delegate) { m_delegate = delegate; }

protected:
    void p_tellDelegate(const QVariant& value, bool finished) {
        if (m_delegate) m_delegate->completionViewController(this, value, finished);
    }

private:
    TDCompletionDelegate* m_delegate = nullptr;
};
