#include "platform/plist/binary_property_list_reader.h"

#include "platform/plist/property_list.h"

#include <QDateTime>
#include <QTimeZone>

#include <cmath>
#include <cstring>

namespace platform {

namespace {

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;

TDError malformed(const QString& why) {
    return propertyListError(TDPropertyListErrorMalformed,
                             QStringLiteral("The binary property list is malformed: %1.").arg(why));
}

class Reader final {
public:
    explicit Reader(const QByteArray& data)
        : m_data(data), m_bytes(reinterpret_cast<const uchar*>(data.constData())) {}

    Result<QVariant> read() {
        if (m_data.size() < kHeaderSize + kTrailerSize + 1 || !m_data.startsWith("bplist00"))
            return malformed(QStringLiteral("too short or without header"));
        const qsizetype trailer = m_data.size() - kTrailerSize;
        m_offsetSize = m_bytes[trailer + 6];
        m_refSize = m_bytes[trailer + 7];
        const quint64 objectCount = bigEndian(trailer + 8, 8);
        const quint64 top = bigEndian(trailer + 16, 8);
        const quint64 tableOffset = bigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return malformed(QStringLiteral("bad integer sizes in the trailer"));
        if (objectCount == 0 || top >= objectCount || tableOffset < quint64(kHeaderSize) ||
            tableOffset >= quint64(trailer) || objectCount > (quint64(trailer) - tableOffset) / m_offsetSize)
            return malformed(QStringLiteral("bad object table"));
        m_objectCount = objectCount;
        m_tableOffset = qsizetype(tableOffset);
        // Each reference takes at least one byte of the data, so a tree read without shared
        // containers never visits more objects than there are bytes.
        m_visitBudget = m_data.size();
        return object(top, 0);
    }

private:
    quint64 bigEndian(qsizetype at, int size) const {
        quint64 value = 0;
        for (int i = 0; i < size; ++i) value = value << 8 | m_bytes[at + i];
        return value;
    }

    // Whether [at, at + length) lies inside the object area (before the offset table).
    bool inside(qsizetype at, quint64 length) const {
        return at >= kHeaderSize && at <= m_tableOffset && length <= quint64(m_tableOffset - at);
    }

    Result<qsizetype> offsetOf(quint64 ref) const {
        if (ref >= m_objectCount) return malformed(QStringLiteral("a reference beyond the objects"));
        const quint64 offset = bigEndian(m_tableOffset + qsizetype(ref) * m_offsetSize, m_offsetSize);
        if (offset < quint64(kHeaderSize) || offset >= quint64(m_tableOffset))
            return malformed(QStringLiteral("an object offset outside the data"));
        return qsizetype(offset);
    }

    // The count of a container, string or data: the marker's low nibble, or an integer object after it.
    Result<std::pair<quint64, qsizetype>> countAt(qsizetype at) const {
        const uchar info = m_bytes[at] & 0x0F;
        if (info != 0x0F) return std::make_pair(quint64(info), at + 1);
        if (!inside(at + 1, 1)) return malformed(QStringLiteral("a count outside the data"));
        const uchar marker = m_bytes[at + 1];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return malformed(QStringLiteral("a bad count"));
        const int size = 1 << (marker & 0x0F);
        if (!inside(at + 2, quint64(size))) return malformed(QStringLiteral("a count outside the data"));
        return std::make_pair(bigEndian(at + 2, size), at + 2 + size);
    }

    Result<QVariant> object(quint64 ref, int depth) {
        if (depth > kPropertyListMaxDepth) return malformed(QStringLiteral("nested too deeply"));
        if (--m_visitBudget < 0) return malformed(QStringLiteral("shared objects expand beyond the data"));
        const Result<qsizetype> found = offsetOf(ref);
        if (!found) return found.error();
        const qsizetype at = *found;
        const uchar marker = m_bytes[at];
        const uchar info = marker & 0x0F;
        switch (marker >> 4) {
            case 0x0:
                if (marker == 0x08) return QVariant(false);
                if (marker == 0x09) return QVariant(true);
                return malformed(QStringLiteral("a null or fill value"));
            case 0x1: {
                if (info > 4) return malformed(QStringLiteral("a bad integer size"));
                const int size = 1 << info;
                if (!inside(at + 1, quint64(size)))
                    return malformed(QStringLiteral("an integer outside the data"));
                // 16-byte integers keep their low 64 bits; all integers come back as 64-bit two's complement.
                return QVariant(qint64(bigEndian(at + 1 + (size == 16 ? 8 : 0), size == 16 ? 8 : size)));
            }
            case 0x2: {
                if (info != 2 && info != 3) return malformed(QStringLiteral("a bad real size"));
                const int size = 1 << info;
                if (!inside(at + 1, quint64(size)))
                    return malformed(QStringLiteral("a real outside the data"));
                const quint64 bits = bigEndian(at + 1, size);
                if (size == 4) {
                    float f;
                    const auto b32 = quint32(bits);
                    std::memcpy(&f, &b32, 4);
                    return QVariant(double(f));
                }
                double d;
                std::memcpy(&d, &bits, 8);
                return QVariant(d);
            }
            case 0x3: {
                if (marker != 0x33 || !inside(at + 1, 8)) return malformed(QStringLiteral("a bad date"));
                const quint64 bits = bigEndian(at + 1, 8);
                double seconds;
                std::memcpy(&seconds, &bits, 8);
                // QDateTime holds milliseconds in 64 bits; keep well inside that.
                if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14)
                    return malformed(QStringLiteral("a date out of range"));
                static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
                return QVariant(reference.addMSecs(qint64(std::llround(seconds * 1000.0))));
            }
            case 0x4:
            case 0x5:
            case 0x6: {
                const auto counted = countAt(at);
                if (!counted) return counted.error();
                const auto [count, start] = *counted;
                const int unit = (marker >> 4) == 0x6 ? 2 : 1;
                if (count > quint64(m_tableOffset) || !inside(start, count * unit))
                    return malformed(QStringLiteral("a string or data outside the data"));
                const char* bytes = m_data.constData() + start;
                if ((marker >> 4) == 0x4) return QVariant(QByteArray(bytes, qsizetype(count)));
                if ((marker >> 4) == 0x5) return QVariant(QString::fromLatin1(bytes, qsizetype(count)));
                QString text(qsizetype(count), Qt::Uninitialized);
                for (qsizetype i = 0; i < qsizetype(count); ++i)
                    text[i] = QChar(char16_t(uchar(bytes[2 * i]) << 8 | uchar(bytes[2 * i + 1])));
                return QVariant(text);
            }
            case 0xA:
            case 0xD: {
                const auto counted = countAt(at);
                if (!counted) return counted.error();
                const auto [count, start] = *counted;
                const bool dict = (marker >> 4) == 0xD;
                const quint64 refs = dict ? count * 2 : count;
                if (count > quint64(m_tableOffset) || !inside(start, refs * m_refSize))
                    return malformed(QStringLiteral("a container outside the data"));
                if (!dict) {
                    QVariantList list;
                    list.reserve(qsizetype(count));
                    for (quint64 i = 0; i < count; ++i) {
                        Result<QVariant> item =
                            object(bigEndian(start + qsizetype(i) * m_refSize, m_refSize), depth + 1);
                        if (!item) return item;
                        list.append(std::move(item).value());
                    }
                    return QVariant(list);
                }
                QVariantMap map;
                for (quint64 i = 0; i < count; ++i) {
                    Result<QVariant> key =
                        object(bigEndian(start + qsizetype(i) * m_refSize, m_refSize), depth + 1);
                    if (!key) return key;
                    if (key->metaType().id() != QMetaType::QString)
                        return malformed(QStringLiteral("a key that is not a string"));
                    Result<QVariant> value =
                        object(bigEndian(start + qsizetype(count + i) * m_refSize, m_refSize), depth + 1);
                    if (!value) return value;
                    map.insert(key->toString(), std::move(value).value());
                }
                return QVariant(map);
            }
            default:
                return propertyListError(
                    TDPropertyListErrorUnsupportedValue,
                    QStringLiteral("The binary property list holds a value of an unsupported kind."));
        }
    }

    const QByteArray& m_data;
    const uchar* m_bytes;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    qsizetype m_tableOffset = 0;
    qsizetype m_visitBudget = 0;
};

}  // namespace

Result<QVariant> readBinaryPropertyList(const QByteArray& data) {
    return Reader(data).read();
}

}  // namespace platform
