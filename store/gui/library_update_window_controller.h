#pragma once

#include <QDialog>

class QProgressBar;
class TDLibraryUpdateProgress;

// The window shown while an older library is upgraded: it draws the progress of the steps. The
// migration runs on the main thread, so every change is painted at once.
class TDLibraryUpdateWindowController final : public QDialog {
    Q_OBJECT

public:
    explicit TDLibraryUpdateWindowController(TDLibraryUpdateProgress& progress, QWidget* parent = nullptr);

private:
    void p_setUpdateProgress(double progress);
    void p_setIndeterminate(bool indeterminate);
    void p_setShown(bool shown);

    QProgressBar* m_progressIndicator;
};
