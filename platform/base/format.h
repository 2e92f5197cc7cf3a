#pragma once

#include <QString>
#include <QVariant>

#include <initializer_list>

// printf-style formatting with the program's own format strings: "%@" takes any value as text, the
// numeric conversions (%d, %ld, %04ld, %lf, %.2f, %x, ...) take numbers, "%%" is a percent sign.
// Missing arguments format as "(null)" rather than reading past the end.
QString formatString(const QString& format, const QVariantList& args);

namespace format_detail {
inline QVariant toArg(const QString& s) {
    return s;
}
inline QVariant toArg(const char* s) {
    return QString::fromUtf8(s);
}
inline QVariant toArg(const QByteArray& b) {
    return QString::fromUtf8(b);
}
inline QVariant toArg(const QVariant& v) {
    return v;
}
template <typename T>
QVariant toArg(const T& v) {
    return QVariant::fromValue(v);
}
}  // namespace format_detail

template <typename... Args>
QString formatString(const char* format, const Args&... args) {
    return formatString(QString::fromUtf8(format), QVariantList{format_detail::toArg(args)...});
}
