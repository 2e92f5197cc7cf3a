#include "store/gzip_compress_operation.h"

#include "foundation/data_additions.h"
#include "platform/base/log.h"
#include "platform/files/atomic_save.h"

#include <QFile>

void TDGZipCompressOperation::main() {
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const Result<QByteArray> compressed = gzipCompressedData(file.readAll());
        file.close();
        if (!compressed.ok()) {
            logWithLevel(TDLogError, "ERROR", "Could not compress '%@': %@", m_path,
                         compressed.error().detailedDescription());
            return;
        }
        const Status written = platform::writeFileAtomically(m_path + QStringLiteral(".gz"), *compressed);
        if (!written.ok()) {
            logWithLevel(TDLogError, "ERROR", "Could not write '%@': %@", m_path + QStringLiteral(".gz"),
                         written.error().detailedDescription());
            return;
        }
    }
    if (!QFile::remove(m_path))
        logWithLevel(TDLogError, "ERROR",
                     "Could not remove file '%@' after performing gzip compress operation: %@", m_path,
                     file.errorString());
}
