#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace platform {

class KeyPathSlots;

// One side of a comparison: a constant, a key path read from the evaluated object, a "$NAME" variable
// or the evaluated object itself (SELF). Key paths are split once, when the expression is made, and each
// step is resolved to a slot once per layout of the objects it reads.
class Expression final {
public:
    enum class Kind { Constant, KeyPath, Variable, EvaluatedObject };

    Expression() = default;  // the constant nil
    static Expression constant(const QVariant& value);
    static Expression keyPath(const QString& keyPath);
    static Expression variable(const QString& name);
    static Expression evaluatedObject();

    Kind kind() const { return m_kind; }
    const QVariant& constantValue() const { return m_constant; }
    // The key path or the variable's name.
    const QString& text() const { return m_text; }

    // Variables missing from `variables` read as nil.
    QVariant evaluate(const QVariant& object, const QVariantMap& variables = {}) const;
    // The key path's value where it is kept, read in place: an attribute slot of the object or of one it
    // reaches by to-one steps. Null when a step is kept in no slot (evaluate() answers then).
    const QVariant* storedValue(const QVariant& object) const;
    // Asks the memory for the line storedValue() will read of a single key, for walks over many objects.
    void prefetchStoredValue(const QVariant& object) const;
    // The variable's value as a constant; other expressions are answered as they are.
    Expression substituting(const QVariantMap& variables, bool* missing) const;

    // The expression in predicate format, as the parser reads it back.
    QString format() const;

    bool operator==(const Expression& other) const;

private:
    Kind m_kind = Kind::Constant;
    QVariant m_constant;
    QString m_text;
    QStringList m_keys;
    // Where each step's key is kept by the layouts met so far; shared by copies, safe across threads.
    std::shared_ptr<const KeyPathSlots> m_slots;

    QVariant p_valueOfKey(const QVariant& current, qsizetype step) const;
};

// A constant in predicate format: strings quoted, YES/NO, nil, numbers, {collections}, dates as CAST.
// Objects and values of other types print for reading only.
QString formatConstant(const QVariant& value);
// True for the words the predicate format reserves; a key named so is written with a leading "#".
bool isReservedPredicateWord(const QString& word);

}  // namespace platform
