#pragma once

#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace platform {

// The user's settings: an INI file (~/.config/Ordello/Ordello.conf) plus registered values that
// answer reads for which nothing is stored. Registered values live in memory only and are never
// written. A change of a key is signalled, which is how the user interface keeps in step.
class UserDefaults final : public QObject {
    Q_OBJECT
public:
    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The program's settings. Tests may install their own instance (not owned; nullptr restores).
    static UserDefaults& standard();
    static void setStandard(UserDefaults* defaults);
    static QString standardFilePath();

    void registerDefaults(const QVariantMap& values);
    QVariantMap registeredDefaults() const;

    // The stored value, else the registered one, else an invalid QVariant. A stored value is
    // converted to the registered value's type.
    QVariant value(const QString& key) const;
    bool hasStoredValue(const QString& key) const;
    // Every key with a stored value.
    QStringList storedKeys() const;
    void setValue(const QString& key, const QVariant& value);
    void removeValue(const QString& key);

    bool boolean(const QString& key) const { return value(key).toBool(); }
    int integer(const QString& key) const { return value(key).toInt(); }
    double real(const QString& key) const { return value(key).toDouble(); }
    QString string(const QString& key) const { return value(key).toString(); }
    QByteArray data(const QString& key) const { return value(key).toByteArray(); }

    // Writes pending changes to disk.
    void synchronize();
    QString filePath() const;

Q_SIGNALS:
    void valueChanged(const QString& key, const QVariant& value);

private:
    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
};

}  // namespace platform
