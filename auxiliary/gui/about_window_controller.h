#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class TDAboutWindow;

// The about window's one controller: made on first use, gone once its window closes (the next About
// makes a fresh one).
class TDAboutWindowController final : public QObject {
    Q_OBJECT
public:
    TDAboutWindowController();
    ~TDAboutWindowController() override;

    static TDAboutWindowController& sharedController();
    static bool isAboutWindowOpen();
    // Deletes the shared controller and its window now.
    static void releaseSharedController();

    // A hidden window is centred, moved 100 points down, and starts crawling; a visible one stays as
    // it is. Then it is shown.
    void showWindow();
    TDAboutWindow& window() const { return *m_window; }

private:
    std::unique_ptr<TDAboutWindow> m_window;
    // The window that was active before this one opened; it gets the keyboard back at the close.
    QPointer<QWidget> m_previousWindow;
};
