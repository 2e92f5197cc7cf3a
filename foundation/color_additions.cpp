#include "foundation/color_additions.h"

#include "platform/base/log.h"
#include "platform/plist/keyed_archive.h"

#include <cmath>

namespace {

const QString kRed = QStringLiteral("red");
const QString kGreen = QStringLiteral("green");
const QString kBlue = QStringLiteral("blue");
const QString kAlpha = QStringLiteral("alpha");

void registerColorClass() {
    static const bool registered = [] {
        const auto real = platform::ArchiveFieldType::Real;
        platform::registerArchiveClass<QColor>(
            QStringLiteral("TDColor"), {{kRed, real}, {kGreen, real}, {kBlue, real}, {kAlpha, real}},
            [](const QColor& color) {
                const QColor rgb = color.toRgb();
                return platform::ArchiveObject{{},
                                               {{kRed, rgb.redF()},
                                                {kGreen, rgb.greenF()},
                                                {kBlue, rgb.blueF()},
                                                {kAlpha, rgb.alphaF()}}};
            },
            [](const platform::ArchiveObject& object) -> Result<QColor> {
                float components[4] = {};
                int i = 0;
                for (const QString& key : {kRed, kGreen, kBlue, kAlpha}) {
                    const double value = object.fields.value(key).toDouble();
                    if (!std::isfinite(value) || value < 0.0 || value > 1.0)
                        return TDError::make(
                            TDErrorColorComponentOutOfRange,
                            QStringLiteral("The colour component \"%1\" is out of range.").arg(key));
                    components[i++] = float(value);
                }
                return QColor::fromRgbF(components[0], components[1], components[2], components[3]);
            });
        return true;
    }();
    Q_UNUSED(registered);
}

std::optional<int> hexValue(QStringView digits) {
    // toInt would also take a sign or a "0x" prefix; only bare digits count here.
    for (QChar c : digits)
        if (!isxdigit(c.toLatin1())) return std::nullopt;
    bool ok = false;
    const int value = digits.toInt(&ok, 16);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

std::optional<QColor> colorWithHexString(const QString& text, double alpha) {
    const float a = float(alpha);
    std::optional<QColor> color;
    if (text.size() == 1 || text.size() == 2) {
        if (const auto white = hexValue(text)) {
            const float level = float(*white / 255.0);
            color = QColor::fromRgbF(level, level, level, a);
        }
    } else if (text.size() == 3 || text.size() == 6) {
        const qsizetype width = text.size() / 3;
        const auto r = hexValue(QStringView(text).mid(0, width));
        const auto g = hexValue(QStringView(text).mid(width, width));
        const auto b = hexValue(QStringView(text).mid(2 * width, width));
        if (r && g && b) color = QColor::fromRgbF(float(*r / 255.0), float(*g / 255.0), float(*b / 255.0), a);
    }
    if (!color)
        logWithLevel(TDLogWarning, "WARNING",
                     "Could not make color with string \"%@\". Returning nil instead.", text);
    return color;
}

QByteArray colorData(const QColor& color) {
    registerColorClass();
    Result<QByteArray> data = platform::archivedDataWithRootObject(color);
    return data ? *data : QByteArray();
}

Result<QColor> colorWithData(const QByteArray& data) {
    registerColorClass();
    return platform::unarchivedObject<QColor>(data);
}
