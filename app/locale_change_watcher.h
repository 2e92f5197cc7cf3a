#pragma once

#include <QObject>

// Tells when the desktop's locale changes: the application object hears it as a LocaleChange event.
class TDLocaleChangeWatcher final : public QObject {
    Q_OBJECT
public:
    // Watches the application object; the watcher goes before it.
    explicit TDLocaleChangeWatcher(QObject* parent = nullptr);
    ~TDLocaleChangeWatcher() override;

Q_SIGNALS:
    void localeChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
