#pragma once

#include "model/rule_condition.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <memory>

// One field of a rule editor: the task key path it tests, its menu of conditions and, for list fields,
// the values it offers. A field without a key path is a separator.
class TRRuleField final : public QObject {
    Q_OBJECT

public:
    explicit TRRuleField(QObject* parent = nullptr) : QObject(parent) {}

    // Keeps the given conditions (the rule type does not replace them).
    static std::shared_ptr<TRRuleField> fieldWithKeyPath(const QString& keyPath, const QString& name,
                                                         int ruleType,
                                                         const QList<TRRuleCondition>& conditions);
    // The conditions of the rule type's catalogue.
    static std::shared_ptr<TRRuleField> fieldWithKeyPath(const QString& keyPath, const QString& name,
                                                         int ruleType);
    static std::shared_ptr<TRRuleField> separatorField();

    bool isSeparator() const { return m_keyPath.isNull(); }
    // Separators are all alike; other fields are equal only to themselves.
    bool isEqual(const TRRuleField& other) const {
        return this == &other || (isSeparator() && other.isSeparator());
    }

    const QString& keyPath() const { return m_keyPath; }
    void setKeyPath(const QString& keyPath) { m_keyPath = keyPath; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const QList<TRRuleCondition>& conditions() const { return m_conditions; }
    void setConditions(const QList<TRRuleCondition>& conditions) { m_conditions = conditions; }
    int ruleType() const { return m_ruleType; }
    // Without conditions yet, the field takes the catalogue of the type (none outside the leaf types).
    void setRuleType(int ruleType);
    const QString& savedValueKey() const { return m_savedValueKey; }
    void setSavedValueKey(const QString& key) { m_savedValueKey = key; }
    // An explicit default for new rules, winning over the defaults of the rule type.
    const QVariant& defaultValue() const { return m_defaultValue; }
    void setDefaultValue(const QVariant& value) { m_defaultValue = value; }

    // The values a list field offers, with their display names.
    const QVariantList& valueObjects() const { return m_valueObjects; }
    void setValueObjects(const QVariantList& values);
    qsizetype countOfValueObjects() const { return m_valueObjects.size(); }
    QVariant objectInValueObjectsAtIndex(qsizetype index) const { return m_valueObjects.value(index); }
    void insertObjectInValueObjectsAtIndex(const QVariant& value, qsizetype index);
    void removeObjectFromValueObjectsAtIndex(qsizetype index);
    const QStringList& valueNames() const { return m_valueNames; }
    void setValueNames(const QStringList& names) { m_valueNames = names; }

    // How the editor shows the values: bound to valueObjects, with the display name under valueNameKey.
    bool valuesAreBound() const { return m_valuesAreBound; }
    void setValuesAreBound(bool bound) { m_valuesAreBound = bound; }
    const QString& valueNameKey() const { return m_valueNameKey; }
    void setValueNameKey(const QString& key) { m_valueNameKey = key; }
    const QVariantMap& bindingOptions() const { return m_bindingOptions; }
    void setBindingOptions(const QVariantMap& options) { m_bindingOptions = options; }

    // A new list rule starts without a value instead of the first offered one.
    bool listDefaultIsNull() const { return m_listDefaultIsNull; }
    void setListDefaultIsNull(bool isNull) { m_listDefaultIsNull = isNull; }
    bool keyIsToManyRelationship() const { return m_keyIsToManyRelationship; }
    void setKeyIsToManyRelationship(bool toMany) { m_keyIsToManyRelationship = toMany; }

    // The value a new rule of this field starts with for the condition.
    QVariant defaultValueForConditionType(int conditionType) const;
    QVariant defaultValueForList() const;

    enum class ValueObjectsChange { Replacement, Insertion, Removal };

Q_SIGNALS:
    // One change of valueObjects over [first, first + count) of the old (removal, replacement) or new
    // (insertion) list.
    void valueObjectsChanged(TRRuleField::ValueObjectsChange change, qsizetype first, qsizetype count);

private:
    QString m_keyPath;
    QString m_name;
    QList<TRRuleCondition> m_conditions;
    int m_ruleType = 0;
    QString m_savedValueKey;
    QVariant m_defaultValue;
    QVariantList m_valueObjects;
    QStringList m_valueNames;
    bool m_valuesAreBound = false;
    QString m_valueNameKey;
    QVariantMap m_bindingOptions;
    bool m_listDefaultIsNull = false;
    bool m_keyIsToManyRelationship = false;
};
