#include "auxiliary/gui/support_window.h"
#include "auxiliary/support_request.h"
#include "auxiliary/support_request_sender.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/test_environment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTest>

namespace {

QByteArray testData(const char* name) {
    QFile file(QDir(QStringLiteral(ORDELLO_TEST_DATA_DIR "/support")).filePath(QString::fromLatin1(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A loopback HTTPS server that keeps each request and answers with the reply the test sets.
class LoopbackServer final : public QObject {
public:
    LoopbackServer() {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(testData("loopback.crt")));
        configuration.setPrivateKey(QSslKey(testData("loopback.key"), QSsl::Rsa));
        m_server.setSslConfiguration(configuration);
        QObject::connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) serve(socket);
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString url() const { return QStringLiteral("https://127.0.0.1:%1").arg(m_server.serverPort()); }

    QByteArray reply = "OK thanks";
    QList<QByteArray> requests;
    int connections = 0;

private:
    void serve(QTcpSocket* socket) {
        ++connections;
        auto* received = new QByteArray;
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
            *received += socket->readAll();
            const qsizetype headerEnd = received->indexOf("\r\n\r\n");
            if (headerEnd < 0) return;
            const QByteArray headers = received->left(headerEnd).toLower();
            const qsizetype lengthAt = headers.indexOf("content-length:");
            const qsizetype length =
                lengthAt < 0 ? 0
                             : headers.mid(lengthAt + 15, headers.indexOf("\r\n", lengthAt) - lengthAt - 15)
                                   .trimmed()
                                   .toLongLong();
            if (received->size() < headerEnd + 4 + length) return;
            requests << *received;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(reply.size()) +
                          "\r\nConnection: close\r\n\r\n" + reply);
            socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [socket, received] {
            delete received;
            socket->deleteLater();
        });
    }

    QSslServer m_server;
};

class SupportWindowTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        window = std::make_unique<TDSupportWindow>(TDSupportWindowContext{defaults(), prompter, {}});
        window->sender().setExtraTrustedCertificates({QSslCertificate(testData("loopback.crt"))});
        defaults().setValue(TDSupportRequestURLKey, server.url());
        defaults().setValue(TDSupportEmailAddressKey, QStringLiteral("help@example.org"));
        for (QCheckBox* box : window->findChildren<QCheckBox*>()) box->setChecked(false);
        window->open();
        window->replyToField().setText(QStringLiteral("  ann@example.org "));
        window->subjectField().setText(QStringLiteral("Tags"));
        window->bodyField().setPlainText(QStringLiteral("Hello"));
    }
    void TearDown() override {
        window.reset();
        TempFoldersTest::TearDown();
    }
    // Sends and waits for the outcome; the alert shown.
    TDAlert sendAndWait() {
        QSignalSpy finished(window.get(), &TDSupportWindow::sendFinished);
        window->send();
        EXPECT_TRUE(finished.wait(60000));
        return prompter.shown.value(prompter.shown.size() - 1);
    }

    LoopbackServer server;
    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<TDSupportWindow> window;
};

TEST_F(SupportWindowTest, TheUploadIsTheFormByteForByteAndAnOKReplyClosesTheWindow) {
    const TDAlert shown = sendAndWait();
    EXPECT_EQ(shown.messageText, QStringLiteral("Message Sent"));
    EXPECT_EQ(shown.informativeText, QStringLiteral("We will contact you shortly."));
    EXPECT_FALSE(window->isVisible());
    ASSERT_EQ(server.requests.size(), 1);
    const QByteArray request = server.requests.first();
    EXPECT_TRUE(request.startsWith("POST /bugsubmit/universal.php HTTP/1.1\r\n"));
    const QByteArray headers = request.left(request.indexOf("\r\n\r\n") + 2);
    EXPECT_TRUE(headers.contains("\r\nContent-Type: multipart/form-data; boundary=0xKhTmLbOuNdArY\r\n"));
    EXPECT_TRUE(headers.contains("\r\nUser-Agent: TDSupportEmail\r\n"));
    EXPECT_TRUE(headers.contains("\r\nX-From-Email: ann@example.org\r\n"));
    TDSupportForm form = TDMakeSupportForm();
    form.replyTo = QStringLiteral("ann@example.org");
    form.subject = QStringLiteral("Tags");
    form.message = QStringLiteral("Hello");
    EXPECT_EQ(request.mid(request.indexOf("\r\n\r\n") + 4), TDSupportFormBody(form));
    EXPECT_EQ(defaults().string(TDSupportReplyToKey), QStringLiteral("ann@example.org"))
        << "remembered, trimmed";
}

TEST_F(SupportWindowTest, AnyOtherReplyFailsAndKeepsTheForm) {
    for (const QByteArray& reply : {QByteArray("ok thanks"), QByteArray("OK"), QByteArray("Error")}) {
        server.reply = reply;
        const TDAlert shown = sendAndWait();
        EXPECT_EQ(shown.messageText, QStringLiteral("Failed to send message")) << reply.constData();
        EXPECT_TRUE(shown.informativeText.endsWith(QStringLiteral("send us an email to help@example.org.")));
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->bodyField().toPlainText(), QStringLiteral("Hello"));
    }
}

TEST_F(SupportWindowTest, ACertificateNotTrustedFailsTheSend) {
    window->sender().setExtraTrustedCertificates({});
    const TDAlert shown = sendAndWait();
    EXPECT_EQ(shown.messageText, QStringLiteral("Failed to send message"));
    EXPECT_TRUE(server.requests.isEmpty()) << "nothing was sent over the refused connection";
}

TEST_F(SupportWindowTest, WithoutAnEndpointOrAValidAddressNothingLeaves) {
    const struct {
        QString endpoint;
        QString replyTo;
        QString alert;
    } cases[] = {
        {QString(), QStringLiteral("ann@example.org"), QStringLiteral("No support address is configured")},
        {QStringLiteral("http://127.0.0.1:1"), QStringLiteral("ann@example.org"),
         QStringLiteral("No support address is configured")},
        {server.url(), QStringLiteral("ann@example"), QStringLiteral("A valid email address is needed")},
    };
    for (const auto& entry : cases) {
        defaults().setValue(TDSupportRequestURLKey, entry.endpoint);
        window->replyToField().setText(entry.replyTo);
        window->send();
        ASSERT_FALSE(prompter.shown.isEmpty());
        EXPECT_EQ(prompter.shown.last().messageText, entry.alert);
        EXPECT_FALSE(window->sender().isSending());
    }
    QTest::qWait(0);
    EXPECT_EQ(server.connections, 0);
}

TEST_F(SupportWindowTest, TickingTheLibraryAsksWhetherToAnonymiseIt) {
    const struct {
        int answer;
        bool anonymize;
    } cases[] = {{0, true}, {1, false}};
    for (const auto& entry : cases) {
        prompter.answers = {entry.answer};
        window->setSendLibrary(true);
        EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("Anonymize library?"));
        EXPECT_EQ(prompter.shown.last().buttons,
                  (QStringList{QStringLiteral("Anonymize"), QStringLiteral("Send As Is")}));
        EXPECT_EQ(window->anonymizeLibrary(), entry.anonymize);
    }
}

TEST_F(SupportWindowTest, Screenshot) {
    // The address as a person types it; the fixture's padded one is there for the trimming on send.
    window->replyToField().setText(QStringLiteral("ann@example.org"));
    window->findChild<QCheckBox*>(QStringLiteral("sendLibrary"))->setChecked(true);
    window->bodyField().setPlainText(
        QStringLiteral("Since this morning the Today list shows no tasks, though the Inbox "
                       "has three due today."));
    QCoreApplication::processEvents();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(window->grab().toImage().save(QDir(folder).filePath(QStringLiteral("support_window.png"))));
}

}  // namespace
