#include "platform/predicates/expression.h"

#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/value_comparison.h"

#include <QDateTime>
#include <QSet>

#include <atomic>
#include <utility>
#include <vector>

namespace platform {

namespace {

const QString countKey = QStringLiteral("@count");

}  // namespace

// Per step of a key path, a list of (layout, slot) that only ever grows at its head: readers walk it
// without a lock, writers publish a finished entry with one atomic exchange. A layout two threads meet
// at once may be listed twice, which costs nothing but the entry.
class KeyPathSlots {
public:
    explicit KeyPathSlots(qsizetype steps) : m_heads(size_t(steps)) {}
    ~KeyPathSlots() {
        for (std::atomic<const Entry*>& head : m_heads) {
            const Entry* entry = head.load(std::memory_order_acquire);
            while (entry) delete std::exchange(entry, entry->next);
        }
    }
    KeyPathSlots(const KeyPathSlots&) = delete;
    KeyPathSlots& operator=(const KeyPathSlots&) = delete;

    KeySlot slot(qsizetype step, const QString& key, const KeyValueCoding& object, const void* layout) const {
        std::atomic<const Entry*>& head = m_heads[size_t(step)];
        const Entry* first = head.load(std::memory_order_acquire);
        for (const Entry* entry = first; entry; entry = entry->next)
            if (entry->layout == layout) return entry->slot;
        auto* added = new Entry{layout, object.keySlot(key), first};
        while (!head.compare_exchange_weak(added->next, added, std::memory_order_release,
                                           std::memory_order_acquire)) {
        }
        return added->slot;
    }

private:
    struct Entry {
        const void* layout;
        KeySlot slot;
        const Entry* next;
    };
    mutable std::vector<std::atomic<const Entry*>> m_heads;
};

QVariant Expression::p_valueOfKey(const QVariant& current, qsizetype step) const {
    const QString& key = m_keys.at(step);
    KeyValueCoding* object = objectFromVariant(current);
    if (!object || key == countKey) return valueForKey(current, key);
    if (const void* layout = object->keyLayout()) {
        const KeySlot slot = m_slots->slot(step, key, *object, layout);
        switch (slot.kind) {
            case KeySlot::Kind::Attribute:
                return object->attributeSlotValue(slot);
            case KeySlot::Kind::ToOne:
                return objectVariant(object->toOneSlotValue(slot));
            case KeySlot::Kind::Computed:
                break;
        }
    }
    return object->value(key);
}

Expression Expression::constant(const QVariant& value) {
    Expression e;
    e.m_constant = value;
    return e;
}

Expression Expression::keyPath(const QString& keyPath) {
    Expression e;
    e.m_kind = Kind::KeyPath;
    e.m_text = keyPath;
    e.m_keys = keyPath.split(QLatin1Char('.'));
    e.m_slots = std::make_shared<const KeyPathSlots>(e.m_keys.size());
    return e;
}

Expression Expression::variable(const QString& name) {
    Expression e;
    e.m_kind = Kind::Variable;
    e.m_text = name;
    return e;
}

Expression Expression::evaluatedObject() {
    Expression e;
    e.m_kind = Kind::EvaluatedObject;
    return e;
}

QVariant Expression::evaluate(const QVariant& object, const QVariantMap& variables) const {
    switch (m_kind) {
        case Kind::Constant:
            return m_constant;
        case Kind::EvaluatedObject:
            return object;
        case Kind::Variable:
            return variables.value(m_text);
        case Kind::KeyPath:
            break;
    }
    // The common one-step path on an object costs one virtual call.
    if (m_keys.size() == 1) return isNilValue(object) ? QVariant() : p_valueOfKey(object, 0);
    QVariant current = object;
    for (qsizetype step = 0; step < m_keys.size(); ++step) {
        if (isNilValue(current)) return {};
        current = p_valueOfKey(current, step);
    }
    return current;
}

const QVariant* Expression::storedValue(const QVariant& object) const {
    static const QVariant nil;
    if (m_kind != Kind::KeyPath) return nullptr;
    const KeyValueCoding* current = objectFromVariant(object);
    if (!current) return isNilValue(object) ? &nil : nullptr;
    for (qsizetype step = 0;; ++step) {
        const void* layout = current->keyLayout();
        if (!layout) return nullptr;
        const KeySlot slot = m_slots->slot(step, m_keys.at(step), *current, layout);
        const bool last = step == m_keys.size() - 1;
        if (last) return slot.kind == KeySlot::Kind::Attribute ? &current->attributeSlotValue(slot) : nullptr;
        if (slot.kind != KeySlot::Kind::ToOne) return nullptr;
        current = current->toOneSlotValue(slot);
        if (!current) return &nil;
    }
}

void Expression::prefetchStoredValue(const QVariant& object) const {
    if (m_kind != Kind::KeyPath || m_keys.size() != 1) return;
    const KeyValueCoding* current = objectFromVariant(object);
    const void* layout = current ? current->keyLayout() : nullptr;
    if (!layout) return;
    // The slot's address comes from the object; the slot itself is not read.
    const KeySlot slot = m_slots->slot(0, m_keys.at(0), *current, layout);
    if (slot.kind == KeySlot::Kind::Attribute) __builtin_prefetch(&current->attributeSlotValue(slot));
}

Expression Expression::substituting(const QVariantMap& variables, bool* missing) const {
    if (m_kind != Kind::Variable) return *this;
    const auto found = variables.constFind(m_text);
    if (found == variables.constEnd()) {
        *missing = true;
        return *this;
    }
    return constant(found.value());
}

QString Expression::format() const {
    switch (m_kind) {
        case Kind::Constant:
            return formatConstant(m_constant);
        case Kind::EvaluatedObject:
            return QStringLiteral("SELF");
        case Kind::Variable:
            return QLatin1Char('$') + m_text;
        case Kind::KeyPath:
            break;
    }
    QStringList keys;
    for (const QString& key : m_keys)
        keys.append(isReservedPredicateWord(key) ? QLatin1Char('#') + key : key);
    return keys.join(QLatin1Char('.'));
}

bool Expression::operator==(const Expression& other) const {
    if (m_kind != other.m_kind) return false;
    if (m_kind == Kind::Constant) {
        const ComparableValue a(m_constant, {});
        const ComparableValue b(other.m_constant, {});
        // YES and 1 are equal as values but not as written constants.
        const bool aBool = m_constant.metaType().id() == QMetaType::Bool;
        const bool bBool = other.m_constant.metaType().id() == QMetaType::Bool;
        return aBool == bBool && valuesEqual(a, b, {});
    }
    return m_text == other.m_text;
}

bool isReservedPredicateWord(const QString& word) {
    static const QSet<QString> reserved = [] {
        QSet<QString> words;
        for (const char* w : {"AND",     "OR",         "NOT",           "ANY",
                              "SOME",    "ALL",        "NONE",          "IN",
                              "LIKE",    "BEGINSWITH", "ENDSWITH",      "CONTAINS",
                              "MATCHES", "BETWEEN",    "TRUEPREDICATE", "FALSEPREDICATE",
                              "YES",     "NO",         "TRUE",          "FALSE",
                              "NIL",     "NULL",       "SELF",          "CAST",
                              "FIRST",   "LAST",       "SIZE",          "SUBQUERY",
                              "FUNCTION"})
            words.insert(QString::fromLatin1(w));
        return words;
    }();
    return reserved.contains(word.toUpper());
}

namespace {

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
            case u'"':
                out += QLatin1String("\\\"");
                break;
            case u'\\':
                out += QLatin1String("\\\\");
                break;
            case u'\n':
                out += QLatin1String("\\n");
                break;
            case u'\t':
                out += QLatin1String("\\t");
                break;
            case u'\r':
                out += QLatin1String("\\r");
                break;
            default:
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

}  // namespace

QString formatConstant(const QVariant& value) {
    if (isNilValue(value)) return QStringLiteral("nil");
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
        case QMetaType::QString:
            return quoted(value.toString());
        case QMetaType::Double:
        case QMetaType::Float: {
            QString text = QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
            if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')) &&
                !text.contains(QLatin1Char('n')))
                text += QLatin1String(".0");
            return text;
        }
        case QMetaType::QDateTime:
            return QStringLiteral("CAST(%1, \"date\")")
                .arg(quoted(value.toDateTime().toUTC().toString(Qt::ISODateWithMs)));
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            QStringList elements;
            for (const QVariant& element : collectionElements(value))
                elements.append(formatConstant(element));
            return QLatin1Char('{') + elements.join(QLatin1String(", ")) + QLatin1Char('}');
        }
        default:
            break;
    }
    if (isObjectVariant(value))
        return QStringLiteral("<object 0x%1>").arg(quintptr(objectFromVariant(value)), 0, 16);
    if (ComparableValue(value, {}).kind() == ComparableValue::Kind::Integer)
        return QString::number(value.toLongLong());
    if (value.metaType().id() == QMetaType::ULongLong || value.metaType().id() == QMetaType::ULong)
        return QString::number(value.toULongLong());
    return QStringLiteral("<%1>").arg(QString::fromLatin1(value.metaType().name()));
}

}  // namespace platform
