#pragma once

#include <QObject>

// The state of the library update window while a migration runs: the number of steps, the running step
// and its progress, and the overall progress the window's indicator shows. The window itself only
// draws it.
class TDLibraryUpdateProgress final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    qint64 totalMigrations() const { return m_totalMigrations; }
    void setTotalMigrations(qint64 total) { m_totalMigrations = total; }
    qint64 migrationCount() const { return m_migrationCount; }
    void setMigrationCount(qint64 count) { m_migrationCount = count; }
    double migrationProgress() const { return m_migrationProgress; }
    // Progress of the running step; the overall progress follows. During the last step the indicator
    // turns indeterminate, since what follows (the swap, opening) has no measure.
    void setMigrationProgress(double progress);
    double updateProgress() const { return m_updateProgress; }
    void setUpdateProgress(double progress);
    bool isIndeterminate() const { return m_indeterminate; }
    bool isShown() const { return m_shown; }

    void show();
    void close();

Q_SIGNALS:
    void updateProgressChanged(double progress);
    void indeterminateChanged(bool indeterminate);
    void shownChanged(bool shown);

private:
    qint64 m_totalMigrations = 0;
    qint64 m_migrationCount = 0;
    double m_migrationProgress = 0;
    double m_updateProgress = 0;
    bool m_indeterminate = false;
    bool m_shown = false;
};
