#include "sync/corvane_answer.h"

#include "sync/corvane_errors.h"

#include <QJsonDocument>
#include <QJsonParseError>

TDCorvaneAnswer::TDCorvaneAnswer(int status, QJsonObject object, QString path)
    : m_status(status), m_object(std::move(object)), m_path(std::move(path)) {
}

Result<TDCorvaneAnswer> TDCorvaneAnswer::fromBody(int status, const QByteArray& body) {
    if (body.isEmpty()) return TDCorvaneAnswer(status, {});
    if (body.size() > kCorvaneMaximumAnswerSize)
        return corvaneMalformedAnswerError(status, QStringLiteral("body"),
                                           QStringLiteral("larger than 64 MiB"));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return corvaneMalformedAnswerError(
            status, QStringLiteral("body"),
            QStringLiteral("not JSON: %1 at %2").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return corvaneMalformedAnswerError(status, QStringLiteral("body"),
                                           QStringLiteral("not a JSON object"));
    return TDCorvaneAnswer(status, document.object());
}

QString TDCorvaneAnswer::fieldPath(const QString& key) const {
    return m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key;
}

TDError TDCorvaneAnswer::fieldError(const QString& key, const QString& problem) const {
    return corvaneMalformedAnswerError(m_status, fieldPath(key), problem);
}

namespace {
bool absent(const QJsonValue& value) {
    return value.isUndefined() || value.isNull();
}
}  // namespace

Result<std::optional<QString>> TDCorvaneAnswer::optionalString(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<QString>();
    if (!value.isString()) return fieldError(key, QStringLiteral("not a string"));
    return std::optional<QString>(value.toString());
}

Result<std::optional<bool>> TDCorvaneAnswer::optionalBool(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<bool>();
    if (!value.isBool()) return fieldError(key, QStringLiteral("not a boolean"));
    return std::optional<bool>(value.toBool());
}

Result<std::optional<double>> TDCorvaneAnswer::optionalNumber(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<double>();
    if (!value.isDouble()) return fieldError(key, QStringLiteral("not a number"));
    return std::optional<double>(value.toDouble());
}

Result<std::optional<QJsonArray>> TDCorvaneAnswer::optionalArray(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<QJsonArray>();
    if (!value.isArray()) return fieldError(key, QStringLiteral("not an array"));
    return std::optional<QJsonArray>(value.toArray());
}

Result<std::optional<TDCorvaneAnswer>> TDCorvaneAnswer::optionalObject(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<TDCorvaneAnswer>();
    if (!value.isObject()) return fieldError(key, QStringLiteral("not an object"));
    return std::optional<TDCorvaneAnswer>(TDCorvaneAnswer(m_status, value.toObject(), fieldPath(key)));
}

Result<std::optional<QJsonValue>> TDCorvaneAnswer::optionalScalar(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    if (absent(value)) return std::optional<QJsonValue>();
    if (!value.isString() && !value.isDouble())
        return fieldError(key, QStringLiteral("not a string or number"));
    return std::optional<QJsonValue>(value);
}

Result<QString> TDCorvaneAnswer::string(const QString& key) const {
    auto value = optionalString(key);
    if (!value) return value.error();
    if (!*value) return fieldError(key, QStringLiteral("missing"));
    return **value;
}

Result<TDCorvaneAnswer> TDCorvaneAnswer::objectAt(const QString& key) const {
    auto value = optionalObject(key);
    if (!value) return value.error();
    if (!*value) return fieldError(key, QStringLiteral("missing"));
    return **value;
}
