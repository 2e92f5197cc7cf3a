#pragma once

#include "platform/operations/operation.h"

#include <QString>

// Replaces a file with its gzip form, named with ".gz" appended. A missing file writes nothing.
class TDGZipCompressOperation final : public platform::Operation {
public:
    explicit TDGZipCompressOperation(const QString& path) : m_path(path) {}
    QString path() const { return m_path; }

protected:
    void main() override;

private:
    QString m_path;
};
