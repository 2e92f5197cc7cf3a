#include "auxiliary/support_request.h"
#include "auxiliary/support_request_sender.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "store/library_manager.h"

namespace {

using SupportRequestTest = testsupport::TempFoldersTest;

TDSupportForm plainForm() {
    TDSupportForm form;
    form.application = QStringLiteral("ordello");
    form.buildVersion = QStringLiteral("100");
    form.shortVersion = QStringLiteral("1.0.0");
    form.replyTo = QStringLiteral("ann@example.org (Ann)");
    form.subject = QStringLiteral("Tags");
    form.message = QStringLiteral("Hello\nthere ü");
    return form;
}

const QByteArray kTextFields =
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"Application\"\r\n\r\nordello\r\n"
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"BuildVersion\"\r\n\r\n100\r\n"
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"Email\"\r\n\r\nann@example.org (Ann)\r\n"
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"Subject\"\r\n\r\nTags\r\n"
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"Submission\"\r\n\r\nInquiry\r\n"
    "--0xKhTmLbOuNdArY\r\nContent-Disposition: form-data; name=\"Body\"\r\n\r\nHello\nthere "
    "\xc3\xbc\r\n\r\n# "
    "-------------------------------------------------------------------------------------------------------"
    "\r\nProduct Info:\r\n\r\nEmail: ann@example.org (Ann)\r\nApplication: ordello\r\nVersion: 1.0.0 (100)";

TEST_F(SupportRequestTest, WithNothingAttachedTheBodyIsTheTextFieldsAndTheProductInformation) {
    EXPECT_EQ(TDSupportFormBody(plainForm()), kTextFields + "--0xKhTmLbOuNdArY--\r\n");
}

TEST_F(SupportRequestTest, SystemInformationFollowsTheProductInformationAndFilesComeInTheirOrder) {
    TDSupportForm form = plainForm();
    form.systemInformation = QStringLiteral("\r\nSystem Info:");
    form.attachments = {
        {QStringLiteral("prefFile"), QStringLiteral("Ordello.conf"), QByteArray("[General]\n")},
        {QStringLiteral("logFile"), QStringLiteral("log.txt"), QByteArray("\x00\x01", 2)}};
    EXPECT_EQ(
        TDSupportFormBody(form),
        kTextFields +
            "\r\n\r\nSystem Info:"
            "--0xKhTmLbOuNdArY\r\nContent-Disposition: file; name=\"prefFile\"; filename=\"Ordello.conf\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n[General]\n\r\n"
            "--0xKhTmLbOuNdArY\r\nContent-Disposition: file; name=\"logFile\"; filename=\"log.txt\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n" +
            QByteArray("\x00\x01", 2) + "\r\n--0xKhTmLbOuNdArY--\r\n");

    const QStringList lines = TDSupportSystemInformation().split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 8);
    EXPECT_EQ(lines.at(0), QString());
    EXPECT_EQ(lines.at(1), QStringLiteral("# ") + QString(103, QLatin1Char('-')));
    EXPECT_EQ(lines.at(2), QStringLiteral("System Info:"));
    EXPECT_TRUE(lines.at(4).startsWith(QStringLiteral("System:    ")));
    EXPECT_TRUE(lines.at(5).startsWith(QStringLiteral("Processor: ")));
    EXPECT_TRUE(lines.at(6).startsWith(QStringLiteral("Host name: ")));
    EXPECT_EQ(lines.last(), QString());
}

TEST_F(SupportRequestTest, TheReplyToAddressIsCheckedOnItsAddressPart) {
    const struct {
        const char16_t* text;
        bool valid;
    } cases[] = {
        {u"ann@example.org", true},
        {u"Ann Lee <ann.lee@mail.example.org>", true},
        {u"ann@example.org (Ann Lee)", true},
        {u"a@b.co", true},
        {u"ann@example", false},
        {u"ann@example.c", false},
        {u"Ann <ann@example.org", false},
        {u"ann@example.org>", false},
        {u"ann@example.org)", false},
        {u"änn@example.org", false},
        {u"", false},
        {u"<>", false},
        {u"@example.org", false},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(TDIsValidSupportEmailAddress(QString::fromUtf16(entry.text)), entry.valid)
            << QString::fromUtf16(entry.text).toStdString();
}

TEST_F(SupportRequestTest, OnlyAnOKReplyWithStatus200CountsAsSent) {
    const struct {
        int status;
        bool transportError;
        const char* reply;
        bool sent;
    } cases[] = {
        {200, false, "OK thanks", true}, {200, false, "OK ", true},   {200, false, "ok thanks", false},
        {200, false, "OK", false},       {200, false, "OKAY", false}, {500, false, "OK thanks", false},
        {200, true, "OK thanks", false},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(TDIsSupportReplySuccess(entry.status, entry.transportError, entry.reply), entry.sent)
            << entry.status << " " << entry.reply;
}

TEST_F(SupportRequestTest, TheEndpointIsTheConfiguredHTTPSHostWithTheRequestPath) {
    const struct {
        QString setting;
        QString endpoint;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("http://support.example.org"), QString()},
        {QStringLiteral("support.example.org"), QString()},
        {QStringLiteral("https://support.example.org"),
         QStringLiteral("https://support.example.org/bugsubmit/universal.php")},
        {QStringLiteral("https://127.0.0.1:8443/other/path"),
         QStringLiteral("https://127.0.0.1:8443/bugsubmit/universal.php")},
    };
    for (const auto& entry : cases) {
        defaults().setValue(TDSupportRequestURLKey, entry.setting);
        EXPECT_EQ(TDSupportEndpoint(defaults()).toString(), entry.endpoint) << entry.setting.toStdString();
    }
}

// What a library attachment holds: the package's files by their paths in the archive.
QStringList archivedPaths(const QByteArray& archive, const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("sent.tgz"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(archive);
    file.close();
    QProcess listing;
    listing.start(QStringLiteral("tar"), {QStringLiteral("tzf"), path});
    listing.waitForFinished(-1);
    return QString::fromLocal8Bit(listing.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST_F(SupportRequestTest, TheLibraryIsSentFromACopyAsItIsOrAnonymised) {
    const QString package = QDir(tempPath()).filePath(QStringLiteral("Mine.odllibrary"));
    {
        TDLibraryManager manager(package);
        ASSERT_TRUE(manager.createLibrary().ok());
        ASSERT_TRUE(manager.saveLibrary());
        manager.closeDiscardingChanges();
    }
    const auto storeBytes = [&package] {
        QFile store(QDir(package).filePath(QStringLiteral("library.sqlite3")));
        return store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray();
    };
    const QByteArray before = storeBytes();
    const struct {
        bool anonymize;
        QString folderPattern;
    } cases[] = {{false, QStringLiteral("^Mine\\.odllibrary/$")},
                 {true, QStringLiteral("^Library Anonymized .+\\.odllibrary/$")}};
    for (const auto& entry : cases) {
        TDSupportRequestChoices choices;
        choices.sendSystemInformation = choices.sendPreferencesFile = choices.sendApplicationLog = false;
        choices.sendLibrary = true;
        choices.anonymizeLibrary = entry.anonymize;
        choices.libraryPath = package;
        const TDSupportForm form = TDSupportRequestSender::formWithAttachments(choices);
        ASSERT_EQ(form.attachments.size(), 1);
        EXPECT_EQ(form.attachments.first().fieldName, QStringLiteral("library"));
        EXPECT_EQ(form.attachments.first().fileName, QStringLiteral("library.tgz"));
        const QStringList paths = archivedPaths(form.attachments.first().bytes, tempPath());
        ASSERT_FALSE(paths.isEmpty());
        EXPECT_TRUE(paths.first().contains(QRegularExpression(entry.folderPattern)))
            << paths.first().toStdString();
        EXPECT_TRUE(paths.filter(QStringLiteral("library.sqlite3")).size() == 1)
            << paths.join(u' ').toStdString();
        EXPECT_TRUE(paths.filter(QStringLiteral("library.lock")).isEmpty());
    }
    EXPECT_TRUE(storeBytes() == before) << "the package's store is left alone";
}

}  // namespace
