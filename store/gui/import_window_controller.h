#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class TDAlertPrompter;
class TDImportProgress;
class TDLibraryManager;

// The small window shown while a library is restored from a backup: a header, the progress and an
// estimate of the time left, and a button to cancel. The restore and its state live in TDImportProgress.
class TDImportWindowController final : public QDialog {
    Q_OBJECT

public:
    TDImportWindowController(TDLibraryManager& manager, TDAlertPrompter& prompter, QWidget* parent = nullptr);
    ~TDImportWindowController() override;

    // The one window, made on first use with the manager and prompter given then; closing hides it.
    static TDImportWindowController& sharedController(TDLibraryManager& manager, TDAlertPrompter& prompter);

    // Shows the window and starts the restore over the open library's package.
    void restoreLibraryFromBackupAtPath(const QString& path);
    TDImportProgress& progress() { return *m_progress; }

private:
    void p_update();
    void p_setShown(bool shown);

    TDImportProgress* m_progress;
    QLabel* m_header;
    QLabel* m_status;
    QProgressBar* m_progressIndicator;
};
