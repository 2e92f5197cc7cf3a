#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace platform {
class UserDefaults;
}

// One file sent with a support request.
struct TDSupportAttachment {
    QString fieldName;  // "prefFile", "library", "logFile"
    QString fileName;
    QByteArray bytes;
};

// What a support request sends: the form's text fields, the message, and the attachments in the order
// preferences, library, log.
struct TDSupportForm {
    QString application;  // the executable's name
    QString buildVersion;
    QString shortVersion;
    QString replyTo;
    QString subject;
    QString message;
    // Empty when the person chose not to send it.
    QString systemInformation;
    QList<TDSupportAttachment> attachments;
};

// The fixed boundary between the parts of the form.
inline const QByteArray TDSupportFormBoundary = QByteArrayLiteral("0xKhTmLbOuNdArY");

// The form with this program's name and version filled in.
TDSupportForm TDMakeSupportForm();
// The multipart body of the upload.
QByteArray TDSupportFormBody(const TDSupportForm& form);
// The text sent when system information is: this system, processor, host, and the Qt version.
QString TDSupportSystemInformation();

// The reply-to address a support request needs: a plain address, or one with a name ("Ann <ann@x.org>",
// "ann@x.org (Ann)"), in ASCII, with a dot and at least two letters at the end of its domain.
bool TDIsValidSupportEmailAddress(const QString& address);
// Sent only when the server answered 200 without error and its reply begins with "OK ".
bool TDIsSupportReplySuccess(int httpStatus, bool transportError, const QByteArray& reply);

// The settings of support requests: where they go ("supportRequestURL": an HTTPS scheme and host; the
// path is the program's), the address they are answered at, and the maker's address for the failure text.
inline const QString TDSupportRequestURLKey = QStringLiteral("supportRequestURL");
inline const QString TDSupportReplyToKey = QStringLiteral("supportReplyToAddress");
inline const QString TDSupportEmailAddressKey = QStringLiteral("supportEmailAddress");
// Invalid when none is configured (or it is not HTTPS): nothing may be sent then.
QUrl TDSupportEndpoint(const platform::UserDefaults& defaults);
