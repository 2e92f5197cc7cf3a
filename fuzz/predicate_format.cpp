// Predicate formats from stored fetch templates and rules: any text must parse or give an error, and a
// parsed predicate must print to a format that parses again.
#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/predicate_parser.h"

#include <QDateTime>

#include <cstdint>
#include <cstdlib>

namespace {

struct Item : platform::KeyValueCoding {
    QVariant value(const QString& key) const override {
        if (key == QLatin1String("title")) return QStringLiteral("Café report");
        if (key == QLatin1String("n")) return 3;
        if (key == QLatin1String("items")) return QVariantList{platform::objectVariant(this), 2.5};
        return {};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString format = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const Item item;
    const QVariantList arguments{QStringLiteral("a*b"), QStringLiteral("title"), 7,
                                 QVariantList{1, QStringLiteral("x")},
                                 QDateTime::fromSecsSinceEpoch(0, Qt::UTC)};
    for (qsizetype count = 0; count <= arguments.size(); ++count) {
        const auto predicate = platform::predicateWithFormat(format, arguments.mid(0, count));
        if (!predicate.ok()) continue;
        (*predicate)->evaluate(&item);
        const QString printed = (*predicate)->format();
        if (printed.contains(QLatin1String("<object"))) continue;  // objects print for reading only
        const auto again = platform::predicateWithFormat(printed);
        if (!again.ok() || !(*again)->isEqual(**predicate)) abort();
    }
    return 0;
}
