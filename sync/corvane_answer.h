#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Inflated answers beyond this are refused before they are parsed.
inline constexpr qsizetype kCorvaneMaximumAnswerSize = 64 * 1024 * 1024;

// An answer of the sync service: its HTTP status and its JSON object (empty for an empty body). Every
// field is read through a typed accessor: a field of the wrong type is error 600 naming it (with the
// path of the objects it sits in), so nothing of a malformed answer is used.
class TDCorvaneAnswer final {
public:
    TDCorvaneAnswer() = default;
    TDCorvaneAnswer(int status, QJsonObject object, QString path = {});

    // The body as an answer: empty is {}, anything but a JSON object is 600.
    static Result<TDCorvaneAnswer> fromBody(int status, const QByteArray& body);

    int status() const { return m_status; }
    const QJsonObject& object() const { return m_object; }
    bool contains(const QString& key) const { return m_object.contains(key); }
    bool isEmpty() const { return m_object.isEmpty(); }

    // Absent (or JSON null) gives nullopt; another type is 600.
    Result<std::optional<QString>> optionalString(const QString& key) const;
    Result<std::optional<bool>> optionalBool(const QString& key) const;
    Result<std::optional<double>> optionalNumber(const QString& key) const;
    Result<std::optional<QJsonArray>> optionalArray(const QString& key) const;
    Result<std::optional<TDCorvaneAnswer>> optionalObject(const QString& key) const;
    // An opaque value of the server, sent back as it came: a string or a number.
    Result<std::optional<QJsonValue>> optionalScalar(const QString& key) const;
    // Present and of the type, else 600.
    Result<QString> string(const QString& key) const;
    Result<TDCorvaneAnswer> objectAt(const QString& key) const;

    // The name of a field for error texts: "changes.Task.0123".
    QString fieldPath(const QString& key) const;
    TDError fieldError(const QString& key, const QString& problem) const;

private:
    int m_status = 200;
    QJsonObject m_object;
    QString m_path;
};
