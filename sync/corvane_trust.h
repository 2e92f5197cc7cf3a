#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The program's own anchor certificate for the sync service (resource "BrisvaleCA.cer", DER), read once.
const QList<QSslCertificate>& corvaneBundledAnchors();
// TLS that trusts the system's anchors and the given ones, verifies the peer and never follows a
// certificate it cannot verify. The system's anchors are read once per process.
QSslConfiguration corvaneTrustConfiguration(const QList<QSslCertificate>& extraAnchors);
