#include "store/library_update_progress.h"

void TDLibraryUpdateProgress::setMigrationProgress(double progress) {
    m_migrationProgress = progress;
    if (m_totalMigrations > 0)
        setUpdateProgress((progress + double(m_migrationCount) - 1) / double(m_totalMigrations));
    if (m_migrationCount == m_totalMigrations && !m_indeterminate) {
        m_indeterminate = true;
        Q_EMIT indeterminateChanged(true);
    }
}

void TDLibraryUpdateProgress::setUpdateProgress(double progress) {
    m_updateProgress = progress;
    Q_EMIT updateProgressChanged(progress);
}

void TDLibraryUpdateProgress::show() {
    setUpdateProgress(0);
    m_shown = true;
    Q_EMIT shownChanged(true);
}

void TDLibraryUpdateProgress::close() {
    if (!m_shown) return;
    m_shown = false;
    Q_EMIT shownChanged(false);
}
