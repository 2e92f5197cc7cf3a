#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The program's own anchor certificate for the sync service (resource "BrisvaleCA.cer", DER), read once.
const QList<QSslCertificate>& corvaneBundledAnchors();
// The anchors of the PEM file named by the setting "corvaneSyncServiceCertificates", for a service of
// one's own whose certificate no system anchor vouches for; none when the setting is empty, and none
// (logged) when the file cannot be read.
QList<QSslCertificate> corvaneServiceAnchors(const QString& pemPath);
// TLS that trusts the system's anchors and the given ones, verifies the peer and never follows a
// certificate it cannot verify. The system's anchors are read once per process.
QSslConfiguration corvaneTrustConfiguration(const QList<QSslCertificate>& extraAnchors);
