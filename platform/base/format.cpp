#include "platform/base/format.h"

#include <QDateTime>
#include <QStringList>

namespace {

QString describe(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QStringLiteral("(null)");
    switch (v.metaType().id()) {
        case QMetaType::QDateTime:
            return v.toDateTime().toString(Qt::ISODateWithMs);
        case QMetaType::QStringList:
            return QStringLiteral("(") + v.toStringList().join(QStringLiteral(", ")) + QStringLiteral(")");
        default:
            break;
    }
    if (v.canConvert<QString>()) return v.toString();
    return QString::fromUtf8(v.typeName());
}

}  // namespace

QString formatString(const QString& format, const QVariantList& args) {
    QString out;
    out.reserve(format.size() + 16 * args.size());
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        // Read flags, width, precision and length modifiers up to the conversion character.
        qsizetype j = i + 1;
        QString conversion = QStringLiteral("%");
        while (j < n && QStringLiteral("-+ #0123456789.").contains(format.at(j)))
            conversion += format.at(j++);
        while (j < n && QStringLiteral("hlqLjzt").contains(format.at(j))) ++j;
        if (j >= n) {
            out += format.mid(i);
            break;
        }
        const QChar conv = format.at(j);
        const QVariant arg = next < args.size() ? args.at(next) : QVariant();
        ++next;
        const QByteArray s = conversion.toLatin1();
        switch (conv.unicode()) {
            case '@':
            case 's':
                out += describe(arg);
                break;
            case 'd':
            case 'i':
                out += QString::asprintf((s + "lld").constData(), arg.toLongLong());
                break;
            case 'u':
                out += QString::asprintf((s + "llu").constData(), arg.toULongLong());
                break;
            case 'x':
            case 'X':
            case 'o':
                out += QString::asprintf((s + "ll" + char(conv.unicode())).constData(), arg.toULongLong());
                break;
            case 'c':
                out += arg.canConvert<QString>() ? arg.toString().left(1) : QString(QChar(arg.toInt()));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
                out += QString::asprintf((s + char(conv.unicode())).constData(), arg.toDouble());
                break;
            default:
                out += format.mid(i, j - i + 1);
                --next;
                break;
        }
        i = j;
    }
    return out;
}
