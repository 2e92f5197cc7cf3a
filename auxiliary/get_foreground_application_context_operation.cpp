#include "auxiliary/get_foreground_application_context_operation.h"

#include "foundation/paths.h"
#include "platform/base/log.h"
#include "platform/sound/sound_sink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QProcess>
#include <QTimer>

namespace {
const QString kDefaultScript = QStringLiteral("Default");
const QString kFolderName = QStringLiteral("Import Scripts");
}  // namespace

TDGetForegroundApplicationContextOperation::TDGetForegroundApplicationContextOperation(
    TDForegroundWindow window, QStringList scriptFolders, QObject* parent)
    : QObject(parent), m_window(std::move(window)), m_folders(std::move(scriptFolders)) {
}

TDGetForegroundApplicationContextOperation::~TDGetForegroundApplicationContextOperation() {
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

QStringList TDGetForegroundApplicationContextOperation::defaultScriptFolders() {
    return {QDir(applicationSupportPath()).filePath(kFolderName),
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/ordello/") +
                            kFolderName)};
}

QString TDGetForegroundApplicationContextOperation::scriptPath(const QStringList& folders,
                                                               const QString& windowClass) {
    QStringList names;
    // A class that names a path is no script name.
    if (!windowClass.isEmpty() && !windowClass.contains(QLatin1Char('/')) &&
        windowClass != QLatin1String(".") && windowClass != QLatin1String(".."))
        names.append(windowClass);
    names.append(kDefaultScript);
    for (const QString& folder : folders)
        for (const QString& name : names) {
            const QFileInfo file(QDir(folder).filePath(name));
            if (!file.exists()) continue;
            if (file.isFile() && file.isExecutable()) return file.absoluteFilePath();
            logWithLevel(TDLogWarning, "WARNING", "Import script %@ is not an executable file",
                         file.filePath());
        }
    return {};
}

Result<QList<QVariantMap>> TDGetForegroundApplicationContextOperation::parseOutput(const QByteArray& output) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(output, &error);
    if (error.error != QJsonParseError::NoError)
        return TDError::make(0, QStringLiteral("not JSON: %1").arg(error.errorString()));
    if (!document.isArray()) return TDError::make(0, QStringLiteral("not a JSON array"));
    QList<QVariantMap> dictionaries;
    for (const QJsonValue& item : document.array()) {
        if (!item.isObject())
            return TDError::make(0, QStringLiteral("an item of the array is not an object"));
        dictionaries.append(item.toObject().toVariantMap());
    }
    return dictionaries;
}

void TDGetForegroundApplicationContextOperation::start() {
    m_script = scriptPath(m_folders, m_window.windowClass);
    if (m_script.isEmpty()) {
        // Nothing to ask: quick entry does not open for this request.
        QTimer::singleShot(0, this, &TDGetForegroundApplicationContextOperation::p_finish);
        return;
    }
    const bool isDefault = QFileInfo(m_script).fileName() == kDefaultScript;
    const QStringList arguments =
        isDefault ? QStringList{m_window.windowClass, m_window.name} : QStringList{m_window.name};
    m_process = new QProcess(this);
    m_process->setProgram(m_script);
    m_process->setArguments(arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            &TDGetForegroundApplicationContextOperation::p_readOutput);
    connect(m_process, &QProcess::finished, this,
            &TDGetForegroundApplicationContextOperation::p_processFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) p_fail(m_process->errorString());
    });
    QTimer::singleShot(m_timeLimit, this, [this] {
        if (!m_done) p_fail(QStringLiteral("no answer within %1 seconds").arg(double(m_timeLimit) / 1000.0));
    });
    m_process->start(QIODevice::ReadOnly);
}

void TDGetForegroundApplicationContextOperation::p_readOutput() {
    m_output += m_process->readAllStandardOutput();
    if (m_output.size() > m_outputLimit)
        p_fail(QStringLiteral("more than %1 bytes of output").arg(m_outputLimit));
}

void TDGetForegroundApplicationContextOperation::p_processFinished() {
    if (m_done) return;
    m_output += m_process->readAllStandardOutput();
    if (m_output.size() > m_outputLimit) {
        p_fail(QStringLiteral("more than %1 bytes of output").arg(m_outputLimit));
        return;
    }
    if (m_process->exitStatus() != QProcess::NormalExit) {
        p_fail(QStringLiteral("it crashed"));
        return;
    }
    if (m_process->exitCode() != 0) {
        p_fail(QStringLiteral("it ended with status %1").arg(m_process->exitCode()));
        return;
    }
    const Result<QList<QVariantMap>> dictionaries = parseOutput(m_output);
    if (!dictionaries) {
        logWithLevel(TDLogError, "ERROR", "Result of import script %@ is incorrect: %@", m_script,
                     dictionaries.error().description);
        platform::SoundSink::shared().beep();
        p_finish();
        return;
    }
    logWithLevel(TDLogDebug, "DEBUG", "TDGetForegroundApplicationContextOperation result: %@",
                 QString::fromUtf8(m_output).trimmed());
    if (m_block) m_block(*dictionaries);
    p_finish();
}

void TDGetForegroundApplicationContextOperation::p_fail(const QString& reason) {
    if (m_done) return;
    logWithLevel(TDLogError, "ERROR", "Error running script %@: %@", m_script, reason);
    platform::SoundSink::shared().beep();
    if (m_process && m_process->state() != QProcess::NotRunning) {
        // Its end is of no more interest.
        disconnect(m_process, nullptr, this, nullptr);
        m_process->kill();
    }
    p_finish();
}

void TDGetForegroundApplicationContextOperation::p_finish() {
    if (m_done) return;
    m_done = true;
    Q_EMIT finished();
    deleteLater();
}
