#include "foundation/font_names.h"

#include <QFontInfo>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <memory>

namespace {

struct PatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

bool isInstalled(const FcChar8* family) {
    Pattern pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, family);
    std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(FcObjectSetBuild(FC_FAMILY, nullptr),
                                                                        &FcObjectSetDestroy);
    std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
        FcFontList(nullptr, pattern.get(), objects.get()), &FcFontSetDestroy);
    return fonts && fonts->nfont > 0;
}

// The first family of the substituted pattern that is bound strongly (the name's own family and the
// aliases configured as its equals, not the weak fallbacks every pattern gets) and is installed.
bool hasInstalledFamily(FcPattern* pattern) {
    FcPatternIter it;
    FcPatternIterStart(pattern, &it);
    if (!FcPatternFindIter(pattern, &it, FC_FAMILY)) return false;
    const int count = FcPatternIterValueCount(pattern, &it);
    for (int i = 0; i < count; ++i) {
        FcValue value;
        FcValueBinding binding;
        if (FcPatternIterGetValue(pattern, &it, i, &value, &binding) != FcResultMatch) continue;
        if (binding == FcValueBindingWeak || value.type != FcTypeString) continue;
        if (isInstalled(value.u.s)) return true;
    }
    return false;
}

// The design names fonts of another desktop; where fontconfig knows no equal of the same metrics
// (Helvetica Neue has none), the nearest sans family installed stands in, the same on every machine
// that has the packages of scripts/packages.txt.
// Liberation Sans comes first: it has Helvetica's widths and a line height that keeps task rows at
// their designed 26 points.
const char* const kSansStandIns[] = {"Liberation Sans", "Nimbus Sans", "DejaVu Sans"};

bool hasSansStandIn(const QString& family) {
    return family == QLatin1String("Helvetica") || family == QLatin1String("Helvetica Neue") ||
           family == QLatin1String("Arial");
}

// The pattern of the name, substituted, when one of its strongly bound families is installed.
Pattern substitutedPattern(const QByteArray& name) {
    Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(name.constData())));
    if (!pattern) return nullptr;
    FcPatternDel(pattern.get(), FC_SIZE);
    FcPatternDel(pattern.get(), FC_PIXEL_SIZE);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return nullptr;
    if (!hasInstalledFamily(pattern.get())) return nullptr;
    return pattern;
}

bool namesSlant(const QString& style) {
    return style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive) ||
           style.contains(QLatin1String("Italic"), Qt::CaseInsensitive);
}

// A machine without the family's oblique or bold face matches its regular one; the font then asks for
// the slant or weight by itself so that it is drawn synthesised, and tags still read apart from titles.
void keepAskedSlantAndWeight(QFont& font, FcPattern* asked) {
    FcChar8* askedStyle = nullptr;
    if (FcPatternGetString(asked, FC_STYLE, 0, &askedStyle) != FcResultMatch) return;
    const QString wanted = QString::fromUtf8(reinterpret_cast<const char*>(askedStyle));
    const QString matched = font.styleName();
    const bool slant = namesSlant(wanted) && !namesSlant(matched);
    const bool bold = wanted.contains(QLatin1String("Bold"), Qt::CaseInsensitive) &&
                      !matched.contains(QLatin1String("Bold"), Qt::CaseInsensitive);
    if (!slant && !bold) return;
    font.setStyleName(QString());
    if (slant || namesSlant(matched)) font.setItalic(true);
    if (bold || matched.contains(QLatin1String("Bold"), Qt::CaseInsensitive)) font.setBold(true);
}

}  // namespace

void TDInstallFontSubstitutions() {
    QStringList standIns;
    for (const char* family : kSansStandIns) standIns << QString::fromLatin1(family);
    for (const char* family : {"Helvetica", "Helvetica Neue"})
        QFont::insertSubstitutions(QString::fromLatin1(family), standIns);
}

std::optional<QFont> fontWithName(const QString& name, double pointSize) {
    if (name.trimmed().isEmpty()) return std::nullopt;
    const qsizetype properties = name.indexOf(QLatin1Char(':'));
    const QString named = name.left(properties).trimmed();
    // The stand-ins come before whatever else a machine's fontconfig would pick for these names.
    Pattern pattern;
    if (hasSansStandIn(named)) {
        const QByteArray rest = properties < 0 ? QByteArray() : name.mid(properties).toUtf8();
        for (const char* standIn : kSansStandIns) {
            pattern = substitutedPattern(QByteArray(standIn) + rest);
            if (pattern) break;
        }
    }
    if (!pattern) pattern = substitutedPattern(name.toUtf8());
    if (!pattern) return std::nullopt;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    Pattern match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) return std::nullopt;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch) return std::nullopt;
    QFont font(QString::fromUtf8(reinterpret_cast<const char*>(family)));
    FcChar8* style = nullptr;
    if (FcPatternGetString(match.get(), FC_STYLE, 0, &style) == FcResultMatch)
        font.setStyleName(QString::fromUtf8(reinterpret_cast<const char*>(style)));
    keepAskedSlantAndWeight(font, pattern.get());
    font.setPointSizeF(pointSize > 0 ? pointSize : QFont().pointSizeF());
    return font;
}

QString fontconfigName(const QFont& font) {
    QString name = font.family();
    // Property values escape the characters fontconfig names give meaning to.
    name.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('-'), QLatin1String("\\-"))
        .replace(QLatin1Char(':'), QLatin1String("\\:"))
        .replace(QLatin1Char(','), QLatin1String("\\,"));
    const QString style = font.styleName().isEmpty() ? QFontInfo(font).styleName() : font.styleName();
    if (!style.isEmpty()) name += QStringLiteral(":style=") + style;
    return name;
}
