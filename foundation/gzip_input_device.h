#pragma once

#include "platform/base/error.h"

#include <QIODevice>

#include <memory>

// Reads the inflated bytes of a gzip (or zlib) stream from another device a piece at a time, so that a
// large file is never held whole, and refuses to give more than a cap, so that a small file cannot
// inflate without bound. Opened read-only on construction; the source must stay open while it is read.
class TDGzipInputDevice final : public QIODevice {
public:
    TDGzipInputDevice(QIODevice* source, qint64 maxSize);
    ~TDGzipInputDevice() override;

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    // Why reading stopped early: the stream is corrupt, cut short or inflates beyond the cap (codes
    // of TDDataErrorDomain); no error while it reads well.
    Status status() const { return m_status; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 p_fail(int code, const QString& description);

    struct Stream;
    QIODevice* m_source;
    qint64 m_maxSize;
    std::unique_ptr<Stream> m_stream;
    QByteArray m_input;
    bool m_ended = false;
    Status m_status;
};
