#pragma once

#include <QSslCertificate>
#include <QSslKey>

namespace synctest {

// Certificates made at test time with the openssl command, once per test process: a CA that tests
// install as the client's anchor, a server certificate it signed for 127.0.0.1 and localhost, and a
// self-signed one that nothing trusts.
struct TestCertificates {
    QSslCertificate authority;
    QSslCertificate server;
    QSslKey serverKey;
    QSslCertificate untrusted;
    QSslKey untrustedKey;

    // Aborts the test process when openssl is missing or fails: nothing of the sync tests can run then.
    static const TestCertificates& shared();
};

}  // namespace synctest
