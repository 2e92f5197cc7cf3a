#include "tests/support/test_dictionary.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

namespace testsupport {

namespace {

void write(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(content);
}

}  // namespace

TestDictionary::TestDictionary(const QString& folder, const QStringList& words)
    : m_folder(folder),
      m_previous(qgetenv("ENCHANT_CONFIG_DIR")),
      m_hadPrevious(qEnvironmentVariableIsSet("ENCHANT_CONFIG_DIR")) {
    QDir().mkpath(QDir(folder).filePath(QStringLiteral("hunspell")));
    const QString stem = QDir(folder).filePath(QStringLiteral("hunspell/") + Language);
    write(stem + QStringLiteral(".aff"), "SET UTF-8\nTRY esianrtolcdugmphbyfvkwzESIANRTOLCDUGMPHBYFVKWZ'\n");
    write(stem + QStringLiteral(".dic"),
          QByteArray::number(words.size()) + '\n' + words.join(u'\n').toUtf8() + '\n');
    qputenv("ENCHANT_CONFIG_DIR", QFile::encodeName(folder));
}

TestDictionary::~TestDictionary() {
    if (m_hadPrevious)
        qputenv("ENCHANT_CONFIG_DIR", m_previous);
    else
        qunsetenv("ENCHANT_CONFIG_DIR");
}

QStringList TestDictionary::personalWords() const {
    QFile file(QDir(m_folder).filePath(Language + QStringLiteral(".dic")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList words;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) words << QString::fromUtf8(line.trimmed());
    return words;
}

}  // namespace testsupport
