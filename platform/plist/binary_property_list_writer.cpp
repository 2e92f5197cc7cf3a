#include "platform/plist/binary_property_list_writer.h"

#include "platform/plist/property_list.h"
#include "platform/plist/property_list_value_dispatch.h"

#include <QDateTime>
#include <QHash>
#include <QTimeZone>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// Markers of the object kinds (high nibble), as the format defines them.
enum Kind : uchar {
    Integer = 0x1,
    Real = 0x2,
    Date = 0x3,
    Data = 0x4,
    Ascii = 0x5,
    Utf16 = 0x6,
    Array = 0xA,
    Dict = 0xD,
};

void appendBigEndian(QByteArray& out, quint64 value, int size) {
    for (int i = size - 1; i >= 0; --i) out.append(char(uchar(value >> (8 * i))));
}

// The fewest bytes (1, 2, 4 or 8) that hold the value.
int byteSize(quint64 value) {
    if (value <= 0xFF) return 1;
    if (value <= 0xFFFF) return 2;
    if (value <= 0xFFFFFFFF) return 4;
    return 8;
}

int log2Size(int size) {
    return size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
}

// Readers take integers of 1, 2 and 4 bytes as unsigned: a negative one always takes 8.
QByteArray integerObject(qint64 value) {
    const int size = value < 0 ? 8 : byteSize(quint64(value));
    QByteArray out;
    out.append(char(Integer << 4 | log2Size(size)));
    appendBigEndian(out, quint64(value), size);
    return out;
}

QByteArray doubleObject(Kind kind, double value) {
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out;
    out.append(char(kind << 4 | 3));
    appendBigEndian(out, bits, 8);
    return out;
}

// A marker with its count: in the low nibble up to 14, else in an integer object that follows.
QByteArray countedMarker(Kind kind, quint64 count) {
    if (count < 15) return QByteArray(1, char(kind << 4 | int(count)));
    return QByteArray(1, char(kind << 4 | 0xF)) + integerObject(qint64(count));
}

QByteArray stringObject(const QString& text) {
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii) return countedMarker(Ascii, quint64(text.size())) + text.toLatin1();
    QByteArray out = countedMarker(Utf16, quint64(text.size()));
    for (QChar c : text) appendBigEndian(out, c.unicode(), 2);
    return out;
}

const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

// The objects of the list in the order they are written; containers refer to others by index.
class Writer {
public:
    Result<QByteArray> write(const QVariant& root) {
        const Result<quint64> top = add(root, 0);
        if (!top) return top.error();
        return bytes(*top);
    }

private:
    struct Object {
        QByteArray encoded;  // a whole scalar, or a container's marker and count
        std::vector<quint64> references;
    };

    Result<quint64> add(const QVariant& value, int depth) {
        if (depth > kPropertyListMaxDepth)
            return propertyListError(TDPropertyListErrorUnsupportedValue,
                                     QStringLiteral("The value is nested too deeply."));
        return dispatchPropertyListValue<Result<quint64>>(value, *this, depth);
    }

public:
    // The kinds of value, as dispatchPropertyListValue hands them over.
    Result<quint64> array(int depth, const QVariantList& list) {
        const quint64 index = reserve(countedMarker(Array, quint64(list.size())));
        std::vector<quint64> references;
        references.reserve(size_t(list.size()));
        for (const QVariant& item : list) {
            const Result<quint64> child = add(item, depth + 1);
            if (!child) return child;
            references.push_back(*child);
        }
        m_objects[index].references = std::move(references);
        return index;
    }
    Result<quint64> string(int, const QString& text) { return scalar(stringObject(text)); }
    Result<quint64> boolean(int, bool value) { return scalar(QByteArray(1, value ? '\x09' : '\x08')); }
    Result<quint64> integer(int, qint64 value) { return scalar(integerObject(value)); }
    Result<quint64> real(int, double value) { return scalar(doubleObject(Real, value)); }
    Result<quint64> date(int, const QDateTime& value) {
        const QDateTime date = value.toTimeZone(QTimeZone::utc());
        if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999)
            return unsupportedPropertyListValue(QStringLiteral("a date outside the years 1 to 9999"));
        return scalar(doubleObject(Date, double(referenceDate().msecsTo(date)) / 1000.0));
    }
    Result<quint64> data(int, const QByteArray& bytes) {
        return scalar(countedMarker(Data, quint64(bytes.size())) + bytes);
    }
    static Result<quint64> refused(const TDError& error) { return error; }

    // Keys first, then the values in the same order, as the format lays out a dictionary.
    template <typename Map>
    Result<quint64> dictionary(int depth, const Map& map) {
        QStringList keys = map.keys();
        keys.sort();  // a hash has no order of its own; the same value always gives the same bytes
        const quint64 index = reserve(countedMarker(Dict, quint64(keys.size())));
        std::vector<quint64> references(size_t(keys.size()) * 2);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            references[size_t(i)] = scalar(stringObject(keys[i]));
            const Result<quint64> child = add(map.value(keys[i]), depth + 1);
            if (!child) return child;
            references[size_t(keys.size() + i)] = *child;
        }
        m_objects[index].references = std::move(references);
        return index;
    }

private:
    quint64 scalar(const QByteArray& encoded) {
        if (const auto found = m_scalars.constFind(encoded); found != m_scalars.cend()) return *found;
        const quint64 index = reserve(encoded);
        m_scalars.insert(encoded, index);
        return index;
    }

    quint64 reserve(const QByteArray& encoded) {
        m_objects.push_back(Object{encoded, {}});
        return m_objects.size() - 1;
    }

    QByteArray bytes(quint64 top) const {
        const int referenceSize = byteSize(m_objects.size() - 1);
        QByteArray out("bplist00");
        std::vector<quint64> offsets;
        offsets.reserve(m_objects.size());
        for (const Object& object : m_objects) {
            offsets.push_back(quint64(out.size()));
            out.append(object.encoded);
            for (quint64 reference : object.references) appendBigEndian(out, reference, referenceSize);
        }
        const auto tableOffset = quint64(out.size());
        const int offsetSize = byteSize(offsets.back());
        for (quint64 offset : offsets) appendBigEndian(out, offset, offsetSize);
        // Trailer: six unused bytes, the two sizes, the object count, the top object, the table's offset.
        out.append(QByteArray(6, '\0'));
        out.append(char(offsetSize));
        out.append(char(referenceSize));
        appendBigEndian(out, m_objects.size(), 8);
        appendBigEndian(out, top, 8);
        appendBigEndian(out, tableOffset, 8);
        return out;
    }

    std::vector<Object> m_objects;
    QHash<QByteArray, quint64> m_scalars;
};

}  // namespace

Result<QByteArray> writeBinaryPropertyList(const QVariant& value) {
    return Writer().write(value);
}

}  // namespace platform
