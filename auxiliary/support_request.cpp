#include "auxiliary/support_request.h"

#include "foundation/regex_additions.h"
#include "foundation/version.h"
#include "platform/defaults/user_defaults.h"

#include <QSysInfo>
#include <QtGlobal>

namespace {

const QByteArray kCRLF = QByteArrayLiteral("\r\n");

QString rule() {
    return QStringLiteral("# ") + QString(103, QLatin1Char('-'));
}

void appendBoundary(QByteArray& body) {
    body += "--" + TDSupportFormBoundary + kCRLF;
}

void appendTextField(QByteArray& body, const QString& name, const QString& value) {
    appendBoundary(body);
    body += "Content-Disposition: form-data; name=\"" + name.toUtf8() + "\"" + kCRLF + kCRLF;
    body += value.toUtf8() + kCRLF;
}

}  // namespace

TDSupportForm TDMakeSupportForm() {
    TDSupportForm form;
    form.application = QStringLiteral("ordello");
    form.buildVersion = QStringLiteral(ORDELLO_BUILD_NUMBER);
    form.shortVersion = QStringLiteral(ORDELLO_VERSION);
    return form;
}

QByteArray TDSupportFormBody(const TDSupportForm& form) {
    QByteArray body;
    appendTextField(body, QStringLiteral("Application"), form.application);
    appendTextField(body, QStringLiteral("BuildVersion"), form.buildVersion);
    appendTextField(body, QStringLiteral("Email"), form.replyTo);
    appendTextField(body, QStringLiteral("Subject"), form.subject);
    appendTextField(body, QStringLiteral("Submission"), QStringLiteral("Inquiry"));

    appendBoundary(body);
    body += "Content-Disposition: form-data; name=\"Body\"" + kCRLF + kCRLF;
    QString text = form.message + QStringLiteral("\r\n\r\n") + rule() + QStringLiteral("\r\n") +
                   QStringLiteral("Product Info:\r\n\r\nEmail: %1\r\nApplication: %2\r\nVersion: %3 (%4)")
                       .arg(form.replyTo, form.application, form.shortVersion, form.buildVersion);
    if (!form.systemInformation.isEmpty()) text += QStringLiteral("\r\n") + form.systemInformation;
    body += text.toUtf8();

    for (const TDSupportAttachment& attachment : form.attachments) {
        appendBoundary(body);
        body += "Content-Disposition: file; name=\"" + attachment.fieldName.toUtf8() + "\"; filename=\"" +
                attachment.fileName.toUtf8() + "\"" + kCRLF;
        body += "Content-Type: application/octet-stream" + kCRLF + kCRLF;
        body += attachment.bytes + kCRLF;
    }
    body += "--" + TDSupportFormBoundary + "--" + kCRLF;
    return body;
}

QString TDSupportSystemInformation() {
    return QStringList{QString(),
                       rule(),
                       QStringLiteral("System Info:"),
                       QString(),
                       QStringLiteral("System:    %1").arg(QSysInfo::prettyProductName()),
                       QStringLiteral("Processor: %1").arg(QSysInfo::currentCpuArchitecture()),
                       QStringLiteral("Host name: %1").arg(QSysInfo::machineHostName()),
                       QStringLiteral("Qt:        %1").arg(QString::fromLatin1(qVersion())),
                       QString()}
        .join(QStringLiteral("\r\n"));
}

bool TDIsValidSupportEmailAddress(const QString& text) {
    QString address = text;
    const qsizetype open = text.indexOf(QLatin1Char('<'));
    if (open < 0) {
        if (text.contains(QLatin1Char('>'))) return false;
        const qsizetype name = text.indexOf(QStringLiteral(" ("));
        if (name >= 0)
            address = text.left(name);
        else if (text.contains(QLatin1Char(')')))
            return false;
    } else {
        const qsizetype close = text.indexOf(QLatin1Char('>'));
        if (close < 0) return false;
        address = text.mid(open + 1, close - open - 1).trimmed();
    }
    if (address.isEmpty()) return false;
    for (const QChar character : address)
        if (character.unicode() < 1 || character.unicode() > 127) return false;
    return isMatchedByRegex(address,
                            QStringLiteral("^([[:alnum:]][-a-zA-Z0-9_%\\.]*)?[[:alnum:]]@[[:alnum:]][-a-zA-"
                                           "Z0-9%\\.]*\\.[[:alpha:]]{2,}$"));
}

bool TDIsSupportReplySuccess(int httpStatus, bool transportError, const QByteArray& reply) {
    return httpStatus == 200 && !transportError && QString::fromUtf8(reply).startsWith(QStringLiteral("OK "));
}

QUrl TDSupportEndpoint(const platform::UserDefaults& defaults) {
    const QUrl configured(defaults.string(TDSupportRequestURLKey).trimmed());
    if (configured.scheme() != QStringLiteral("https") || configured.host().isEmpty()) return {};
    QUrl endpoint;
    endpoint.setScheme(configured.scheme());
    endpoint.setHost(configured.host());
    endpoint.setPort(configured.port());
    endpoint.setPath(QStringLiteral("/bugsubmit/universal.php"));
    return endpoint;
}
