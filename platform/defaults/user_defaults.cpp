#include "platform/defaults/user_defaults.h"

#include "platform/base/variant_types.h"

#include <QDir>
#include <QEvent>
#include <QStandardPaths>
#include <QThreadPool>

#include <cmath>

namespace platform {

namespace {
UserDefaults* g_installed = nullptr;

QVariant converted(const QVariant& stored, const QVariant& registered) {
    if (!registered.isValid() || stored.metaType() == registered.metaType()) return stored;
    QVariant v = stored;
    // A whole-number setting that holds a fraction (typed by hand, or read back from the file as
    // text) counts its integer part, never a rounded value.
    if (isIntegralType(registered.typeId()) && stored.typeId() != QMetaType::Bool) {
        bool isNumber = false;
        const double number = stored.toDouble(&isNumber);
        if (isNumber && std::isfinite(number)) v = std::trunc(number);
    }
    if (v.convert(registered.metaType())) return v;
    return stored;
}
// Writes the settings file on a thread of its own: turning a large setting into text and flushing the
// file to the disk would otherwise hold up the window. QSettings asks for its write with an update
// request to itself, which is taken here instead. The write holds the settings' lock, as every other
// use of them does.
class SettingsWriter final : public QObject {
public:
    SettingsWriter(QSettings* settings, QMutex* mutex, QObject* parent)
        : QObject(parent), m_settings(settings), m_mutex(mutex) {
        m_pool.setMaxThreadCount(1);
        settings->installEventFilter(this);
    }

    void waitForWrites() { m_pool.waitForDone(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_settings || event->type() != QEvent::UpdateRequest) return false;
        m_pool.start([settings = m_settings, mutex = m_mutex] {
            QMutexLocker lock(mutex);
            settings->sync();
        });
        return true;
    }

private:
    QSettings* m_settings;
    QMutex* m_mutex;
    QThreadPool m_pool;
};

void waitForSettingsWrites(QObject* defaults) {
    for (QObject* child : defaults->children())
        if (auto* writer = dynamic_cast<SettingsWriter*>(child)) writer->waitForWrites();
}

}  // namespace

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    new SettingsWriter(m_settings.get(), &m_mutex, this);
}

UserDefaults::~UserDefaults() {
    // A write under way still uses the settings; what changed after it is written as they go.
    waitForSettingsWrites(this);
}

QString UserDefaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ordello/Ordello.conf");
}

UserDefaults& UserDefaults::standard() {
    if (g_installed) return *g_installed;
    static UserDefaults* shared = new UserDefaults(standardFilePath());
    return *shared;
}

void UserDefaults::setStandard(UserDefaults* defaults) {
    g_installed = defaults;
}

void UserDefaults::registerDefaults(const QVariantMap& values) {
    QMutexLocker lock(&m_mutex);
    for (auto it = values.cbegin(); it != values.cend(); ++it) m_registered.insert(it.key(), it.value());
}

QVariantMap UserDefaults::registeredDefaults() const {
    QMutexLocker lock(&m_mutex);
    return m_registered;
}

QVariant UserDefaults::value(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    const QVariant registered = m_registered.value(key);
    if (m_settings->contains(key)) return converted(m_settings->value(key), registered);
    return registered;
}

bool UserDefaults::hasStoredValue(const QString& key) const {
    QMutexLocker lock(&m_mutex);
    return m_settings->contains(key);
}

QStringList UserDefaults::storedKeys() const {
    QMutexLocker lock(&m_mutex);
    return m_settings->allKeys();
}

void UserDefaults::setValue(const QString& key, const QVariant& value) {
    {
        QMutexLocker lock(&m_mutex);
        if (!value.isValid()) {
            m_settings->remove(key);
        } else {
            m_settings->setValue(key, value);
        }
    }
    Q_EMIT valueChanged(key, this->value(key));
}

void UserDefaults::removeValue(const QString& key) {
    setValue(key, QVariant());
}

void UserDefaults::synchronize() {
    // No write of the settings' own is left running behind this one.
    waitForSettingsWrites(this);
    QMutexLocker lock(&m_mutex);
    m_settings->sync();
}

QString UserDefaults::filePath() const {
    return m_settings->fileName();
}

}  // namespace platform
