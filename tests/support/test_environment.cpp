#include "tests/support/test_environment.h"

#include "platform/defaults/user_defaults.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThread>

namespace testsupport {
namespace {
std::function<void(platform::UserDefaults&)>& defaultsRegistration() {
    static std::function<void(platform::UserDefaults&)> registration;
    return registration;
}
}  // namespace

void setDefaultsRegistration(std::function<void(platform::UserDefaults&)> registration) {
    defaultsRegistration() = std::move(registration);
}

void pointFoldersAt(const QString& folder) {
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name).toLower();
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(name, path.toLocal8Bit());
    }
}

QStringList filesContaining(const QString& folder, const QString& text) {
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8()))
            found << file.fileName();
    }
    return found;
}

bool spinUntil(const std::function<bool()>& condition, int maxMilliseconds) {
    QDeadlineTimer deadline(maxMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

void drainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

TempFoldersTest::TempFoldersTest() = default;
TempFoldersTest::~TempFoldersTest() = default;

void TempFoldersTest::SetUp() {
    m_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_dir->isValid());
    pointFoldersAt(m_dir->path());
    m_defaults =
        std::make_unique<platform::UserDefaults>(m_dir->path() + QStringLiteral("/config/Ordello.conf"));
    if (defaultsRegistration()) defaultsRegistration()(*m_defaults);
    platform::UserDefaults::setStandard(m_defaults.get());
}

void TempFoldersTest::TearDown() {
    platform::UserDefaults::setStandard(nullptr);
    m_defaults.reset();
    m_dir.reset();
}

}  // namespace testsupport
