#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <charconv>
#include <cstring>
#include <utility>

namespace platform {

// Bytes appended to the end of a growing block, for writers of large texts that append a few bytes at
// a time: an append is a bounds check and a copy, and the block doubles when it is full. The bytes are
// taken out as a QByteArray without a copy.
class ByteBuffer final {
public:
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    QByteArrayView view() const { return QByteArrayView(m_bytes.constData(), m_size); }

    void append(QByteArrayView bytes) {
        if (bytes.isEmpty()) return;
        std::memcpy(grow(bytes.size()), bytes.data(), size_t(bytes.size()));
    }
    // A literal's length is known without a search for its end.
    template <qsizetype N>
    void append(const char (&literal)[N]) {
        std::memcpy(grow(N - 1), literal, N - 1);
    }
    void append(char c) { *grow(1) = c; }
    void append(qsizetype count, char c) { std::memset(grow(count), c, size_t(count)); }
    void appendNumber(qint64 value) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        std::memcpy(grow(end - digits), digits, size_t(end - digits));
    }

    // Room for `count` more bytes at the end, counted as written: the caller fills it at once.
    char* grow(qsizetype count) {
        if (m_size + count > m_bytes.size()) p_reserve(m_size + count);
        char* end = m_bytes.data() + m_size;
        m_size += count;
        return end;
    }
    void reserve(qsizetype capacity) {
        if (capacity > m_bytes.size()) m_bytes.resize(capacity);
    }
    void truncate(qsizetype size) { m_size = qMin(size, m_size); }
    void chop(qsizetype count) { m_size -= qMin(count, m_size); }
    void clear() {
        m_bytes = QByteArray();
        m_size = 0;
    }

    // The bytes written, in a block no larger than they need.
    QByteArray take() {
        m_bytes.truncate(m_size);
        m_bytes.squeeze();
        m_size = 0;
        return std::exchange(m_bytes, QByteArray());
    }

private:
    void p_reserve(qsizetype needed) {
        qsizetype capacity = qMax<qsizetype>(m_bytes.size(), 4096);
        while (capacity < needed) capacity *= 2;
        m_bytes.resize(capacity);
    }

    QByteArray m_bytes;  // its size is the capacity; the bytes past m_size are not yet written
    qsizetype m_size = 0;
};

}  // namespace platform
