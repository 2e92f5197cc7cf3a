#include "platform/predicates/predicate_parser.h"

#include "platform/predicates/comparison_predicate.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/value_comparison.h"

#include <QDateTime>

#include <optional>

namespace platform {

namespace {

// Formats come from the program and from stored fetch templates; anything longer or deeper than this
// is not a predicate the program wrote.
constexpr qsizetype maximumFormatLength = 64 * 1024;
constexpr int maximumNesting = 64;

using Operator = ComparisonPredicate::Operator;
using Modifier = ComparisonPredicate::Modifier;

class Parser final {
public:
    Parser(const QString& format, const QVariantList& arguments) : m_text(format), m_arguments(arguments) {}

    Result<PredicatePtr> parse() {
        PredicatePtr predicate = p_parseOr();
        p_skipBlanks();
        if (predicate && m_pos < m_text.size()) p_fail(QStringLiteral("unexpected text"));
        if (predicate && !m_failed && m_nextArgument < m_arguments.size())
            p_fail(QStringLiteral("%1 arguments were given for %2 placeholders")
                       .arg(m_arguments.size())
                       .arg(m_nextArgument));
        if (m_failed)
            return TDError::make(TDErrorPredicateFormatInvalid,
                                 QStringLiteral("Could not read the predicate \"%1\": %2 at character %3.")
                                     .arg(m_text.left(200), m_message, QString::number(m_errorPos + 1)));
        return predicate;
    }

private:
    // --- Predicates

    PredicatePtr p_parseOr() {
        QList<PredicatePtr> operands;
        do {
            PredicatePtr p = p_parseAnd();
            if (!p) return nullptr;
            operands.append(p);
        } while (p_acceptWord(QStringLiteral("OR")) || p_acceptSymbol(QStringLiteral("||")));
        return operands.size() == 1 ? operands.front() : CompoundPredicate::orPredicate(operands);
    }

    PredicatePtr p_parseAnd() {
        QList<PredicatePtr> operands;
        do {
            PredicatePtr p = p_parseNot();
            if (!p) return nullptr;
            operands.append(p);
        } while (p_acceptWord(QStringLiteral("AND")) || p_acceptSymbol(QStringLiteral("&&")));
        return operands.size() == 1 ? operands.front() : CompoundPredicate::andPredicate(operands);
    }

    PredicatePtr p_parseNot() {
        if (++m_depth > maximumNesting) return p_fail(QStringLiteral("the predicate is nested too deeply"));
        PredicatePtr result;
        if (p_acceptWord(QStringLiteral("NOT")) || p_acceptNegation()) {
            if (PredicatePtr operand = p_parseNot()) result = CompoundPredicate::notPredicate(operand);
        } else {
            result = p_parsePrimary();
        }
        --m_depth;
        return result;
    }

    PredicatePtr p_parsePrimary() {
        if (p_acceptSymbol(QStringLiteral("("))) {
            PredicatePtr inner = p_parseOr();
            if (!inner) return nullptr;
            if (!p_acceptSymbol(QStringLiteral(")")))
                return p_fail(QStringLiteral("a closing parenthesis is missing"));
            return inner;
        }
        if (p_acceptWord(QStringLiteral("TRUEPREDICATE"))) return Predicate::truePredicate();
        if (p_acceptWord(QStringLiteral("FALSEPREDICATE"))) return Predicate::falsePredicate();
        return p_parseComparison();
    }

    PredicatePtr p_parseComparison() {
        Modifier modifier = Modifier::Direct;
        if (p_acceptWord(QStringLiteral("ANY")) || p_acceptWord(QStringLiteral("SOME")))
            modifier = Modifier::Any;
        else if (p_acceptWord(QStringLiteral("ALL")))
            modifier = Modifier::All;
        else if (p_acceptWord(QStringLiteral("NONE")))
            modifier = Modifier::None;

        std::optional<Expression> left = p_parseExpression();
        if (!left) return nullptr;
        p_skipBlanks();
        std::optional<Operator> op = p_parseOperator();
        if (!op) return nullptr;
        ComparisonOptions options;
        if (!p_parseOptions(&options)) return nullptr;
        std::optional<Expression> right = p_parseExpression();
        if (!right) return nullptr;
        return ComparisonPredicate::make(std::move(*left), std::move(*right), *op, modifier, options);
    }

    std::optional<Operator> p_parseOperator() {
        static const std::pair<const char*, Operator> symbols[] = {
            {"==", Operator::EqualTo},
            {"!=", Operator::NotEqualTo},
            {"<>", Operator::NotEqualTo},
            {"<=", Operator::LessThanOrEqualTo},
            {"=<", Operator::LessThanOrEqualTo},
            {">=", Operator::GreaterThanOrEqualTo},
            {"=>", Operator::GreaterThanOrEqualTo},
            {"<", Operator::LessThan},
            {">", Operator::GreaterThan},
            {"=", Operator::EqualTo},
        };
        for (const auto& [symbol, op] : symbols)
            if (p_acceptSymbol(QString::fromLatin1(symbol))) return op;
        static const std::pair<const char*, Operator> words[] = {
            {"BEGINSWITH", Operator::BeginsWith},
            {"ENDSWITH", Operator::EndsWith},
            {"CONTAINS", Operator::Contains},
            {"LIKE", Operator::Like},
            {"IN", Operator::In},
        };
        for (const auto& [word, op] : words)
            if (p_acceptWord(QString::fromLatin1(word))) return op;
        p_fail(QStringLiteral("a comparison operator is expected"));
        return std::nullopt;
    }

    bool p_parseOptions(ComparisonOptions* options) {
        if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char('[')) return true;
        ++m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos) != QLatin1Char(']')) {
            const QChar c = m_text.at(m_pos).toLower();
            if (c == QLatin1Char('c'))
                *options |= ComparisonOption::CaseInsensitive;
            else if (c == QLatin1Char('d'))
                *options |= ComparisonOption::DiacriticInsensitive;
            else
                return p_fail(QStringLiteral("unknown comparison option")), false;
            ++m_pos;
        }
        if (m_pos >= m_text.size())
            return p_fail(QStringLiteral("the options lack their closing bracket")), false;
        ++m_pos;
        return true;
    }

    // --- Expressions

    std::optional<Expression> p_parseExpression() {
        p_skipBlanks();
        if (m_pos >= m_text.size()) return p_failExpression(QStringLiteral("the predicate ends too early"));
        const QChar c = m_text.at(m_pos);
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            std::optional<QString> s = p_parseString();
            if (!s) return std::nullopt;
            return Expression::constant(*s);
        }
        if (c == QLatin1Char('%')) return p_parseArgument();
        if (c == QLatin1Char('$')) {
            ++m_pos;
            const QString name = p_readName();
            if (name.isEmpty()) return p_failExpression(QStringLiteral("a variable needs a name"));
            return Expression::variable(name);
        }
        if (c == QLatin1Char('{')) return p_parseCollection();
        if (c.isDigit() || ((c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.')) &&
                            m_pos + 1 < m_text.size() && m_text.at(m_pos + 1).isDigit()))
            return p_parseNumber();
        if (p_isNameStart(c)) return p_parseWordOrKeyPath();
        return p_failExpression(QStringLiteral("a value or key path is expected"));
    }

    std::optional<Expression> p_parseWordOrKeyPath() {
        const qsizetype start = m_pos;
        QStringList keys;
        bool escaped = false;
        do {
            const bool hash = m_text.at(m_pos) == QLatin1Char('#');
            if (hash) ++m_pos;
            escaped = escaped || hash;
            const QString key = p_readName();
            if (key.isEmpty()) return p_failExpression(QStringLiteral("a key is expected"));
            keys.append(key);
        } while (m_pos + 1 < m_text.size() && m_text.at(m_pos) == QLatin1Char('.') &&
                 p_isNameStart(m_text.at(m_pos + 1)) && ++m_pos);
        for (const QString& key : keys)
            if (key.startsWith(QLatin1Char('@')) && key != QLatin1String("@count")) {
                m_pos = start;
                return p_failExpression(QStringLiteral("only @count is known among the key operators"));
            }
        if (keys.size() == 1 && !escaped) {
            const QString word = keys.front().toUpper();
            if (word == QLatin1String("YES") || word == QLatin1String("TRUE"))
                return Expression::constant(true);
            if (word == QLatin1String("NO") || word == QLatin1String("FALSE"))
                return Expression::constant(false);
            if (word == QLatin1String("NIL") || word == QLatin1String("NULL"))
                return Expression::constant(QVariant());
            if (word == QLatin1String("SELF")) return Expression::evaluatedObject();
            if (word == QLatin1String("CAST")) return p_parseCast();
            if (isReservedPredicateWord(word)) {
                m_pos = start;
                return p_failExpression(QStringLiteral("\"%1\" cannot stand here").arg(keys.front()));
            }
        }
        return Expression::keyPath(keys.join(QLatin1Char('.')));
    }

    std::optional<Expression> p_parseCast() {
        if (!p_acceptSymbol(QStringLiteral("(")))
            return p_failExpression(QStringLiteral("CAST needs parentheses"));
        p_skipBlanks();
        std::optional<QString> value = p_parseString();
        if (!value) return std::nullopt;
        if (!p_acceptSymbol(QStringLiteral(",")))
            return p_failExpression(QStringLiteral("CAST needs a type"));
        p_skipBlanks();
        const qsizetype typePos = m_pos;
        std::optional<QString> type = p_parseString();
        if (!type) return std::nullopt;
        if (!p_acceptSymbol(QStringLiteral(")")))
            return p_failExpression(QStringLiteral("a closing parenthesis is missing"));
        const QDateTime date = QDateTime::fromString(*value, Qt::ISODateWithMs);
        if (*type != QLatin1String("date") || !date.isValid()) {
            m_pos = typePos;
            return p_failExpression(QStringLiteral("only CAST(\"<ISO 8601 date>\", \"date\") is known"));
        }
        return Expression::constant(date);
    }

    std::optional<Expression> p_parseCollection() {
        ++m_pos;  // {
        QVariantList elements;
        if (!p_acceptSymbol(QStringLiteral("}"))) {
            do {
                p_skipBlanks();
                const qsizetype elementPos = m_pos;
                std::optional<Expression> element = p_parseExpression();
                if (!element) return std::nullopt;
                if (element->kind() != Expression::Kind::Constant) {
                    m_pos = elementPos;
                    return p_failExpression(QStringLiteral("a collection may hold only constants"));
                }
                elements.append(element->constantValue());
            } while (p_acceptSymbol(QStringLiteral(",")));
            if (!p_acceptSymbol(QStringLiteral("}")))
                return p_failExpression(QStringLiteral("a closing brace is missing"));
        }
        return Expression::constant(elements);
    }

    std::optional<Expression> p_parseNumber() {
        const qsizetype start = m_pos;
        if (m_text.at(m_pos) == QLatin1Char('-') || m_text.at(m_pos) == QLatin1Char('+')) ++m_pos;
        bool real = false;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos);
            if (c.isDigit()) {
                ++m_pos;
            } else if (c == QLatin1Char('.') && m_pos + 1 < m_text.size() && m_text.at(m_pos + 1).isDigit()) {
                real = true;
                ++m_pos;
            } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && m_pos + 1 < m_text.size()) {
                real = true;
                ++m_pos;
                if (m_text.at(m_pos) == QLatin1Char('-') || m_text.at(m_pos) == QLatin1Char('+')) ++m_pos;
            } else {
                break;
            }
        }
        const QStringView digits = QStringView(m_text).mid(start, m_pos - start);
        bool ok = false;
        if (!real) {
            const qlonglong integer = digits.toLongLong(&ok);
            if (ok) return Expression::constant(qint64(integer));
        }
        const double value = digits.toDouble(&ok);
        if (!ok) {
            m_pos = start;
            return p_failExpression(QStringLiteral("the number cannot be read"));
        }
        return Expression::constant(value);
    }

    std::optional<QString> p_parseString() {
        if (m_pos >= m_text.size() ||
            (m_text.at(m_pos) != QLatin1Char('"') && m_text.at(m_pos) != QLatin1Char('\''))) {
            p_fail(QStringLiteral("a quoted string is expected"));
            return std::nullopt;
        }
        const qsizetype start = m_pos;
        const QChar quote = m_text.at(m_pos++);
        QString value;
        while (m_pos < m_text.size() && m_text.at(m_pos) != quote) {
            QChar c = m_text.at(m_pos++);
            if (c == QLatin1Char('\\') && m_pos < m_text.size()) {
                c = m_text.at(m_pos++);
                if (c == QLatin1Char('n'))
                    c = QLatin1Char('\n');
                else if (c == QLatin1Char('t'))
                    c = QLatin1Char('\t');
                else if (c == QLatin1Char('r'))
                    c = QLatin1Char('\r');
            }
            value += c;
        }
        if (m_pos >= m_text.size()) {
            m_pos = start;
            p_fail(QStringLiteral("the string has no closing quote"));
            return std::nullopt;
        }
        ++m_pos;
        return value;
    }

    std::optional<Expression> p_parseArgument() {
        const qsizetype start = m_pos++;
        auto at = [&](qsizetype i) { return i < m_text.size() ? m_text.at(i) : QChar(); };
        enum { Object, KeyPath, Integer, Real, Unknown } kind = Unknown;
        if (at(m_pos) == QLatin1Char('@')) {
            kind = Object;
        } else if (at(m_pos) == QLatin1Char('K')) {
            kind = KeyPath;
        } else {
            int longs = 0;
            for (; at(m_pos) == QLatin1Char('l') && longs < 2; ++m_pos) ++longs;
            const QChar c = at(m_pos);
            if (c == QLatin1Char('d') || c == QLatin1Char('i') || c == QLatin1Char('u'))
                kind = Integer;
            else if (c == QLatin1Char('f') && longs <= 1)
                kind = Real;
        }
        ++m_pos;
        if (kind == Unknown) {
            m_pos = start;
            return p_failExpression(QStringLiteral("unknown placeholder"));
        }
        if (m_nextArgument >= m_arguments.size()) {
            m_pos = start;
            return p_failExpression(QStringLiteral("too few arguments for the placeholders"));
        }
        const QVariant argument = m_arguments.at(m_nextArgument++);
        switch (kind) {
            case Object:
                return Expression::constant(argument);
            case KeyPath:
                if (argument.metaType().id() != QMetaType::QString || !p_isKeyPath(argument.toString())) {
                    m_pos = start;
                    return p_failExpression(QStringLiteral("%K needs a key path string"));
                }
                return Expression::keyPath(argument.toString());
            case Integer:
            case Real: {
                const ComparableValue number(argument, {});
                if (!number.isNumber()) {
                    m_pos = start;
                    return p_failExpression(QStringLiteral("the placeholder needs a number"));
                }
                if (kind == Real) return Expression::constant(number.real());
                return Expression::constant(number.kind() == ComparableValue::Kind::Integer
                                                ? number.integer()
                                                : qint64(number.real()));
            }
            case Unknown:
                break;
        }
        return std::nullopt;
    }

    // --- Characters

    static bool p_isKeyPath(const QString& text) {
        for (const QStringView key : QStringView(text).split(QLatin1Char('.'))) {
            if (key.startsWith(QLatin1Char('@'))) {
                if (key != QLatin1String("@count")) return false;
                continue;
            }
            if (key.isEmpty() || !(key.front().isLetter() || key.front() == QLatin1Char('_'))) return false;
            for (QChar c : key)
                if (!c.isLetterOrNumber() && c != QLatin1Char('_')) return false;
        }
        return true;
    }

    static bool p_isNameStart(QChar c) {
        return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#');
    }

    QString p_readName() {
        const qsizetype start = m_pos;
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('@')) ++m_pos;
        if (m_pos >= m_text.size() || !(m_text.at(m_pos).isLetter() || m_text.at(m_pos) == QLatin1Char('_')))
            return {};
        while (m_pos < m_text.size() &&
               (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')))
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    void p_skipBlanks() {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace()) ++m_pos;
    }

    bool p_acceptSymbol(const QString& symbol) {
        p_skipBlanks();
        if (!QStringView(m_text).mid(m_pos).startsWith(symbol)) return false;
        m_pos += symbol.size();
        return true;
    }

    // "!" as NOT, but not the start of "!=".
    bool p_acceptNegation() {
        p_skipBlanks();
        if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char('!') ||
            (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == QLatin1Char('=')))
            return false;
        ++m_pos;
        return true;
    }

    bool p_acceptWord(const QString& word) {
        p_skipBlanks();
        const qsizetype end = m_pos + word.size();
        if (!QStringView(m_text).mid(m_pos).startsWith(word, Qt::CaseInsensitive)) return false;
        if (end < m_text.size() && (m_text.at(end).isLetterOrNumber() || m_text.at(end) == QLatin1Char('_')))
            return false;
        m_pos = end;
        return true;
    }

    std::nullptr_t p_fail(const QString& message) {
        if (!m_failed) {
            m_failed = true;
            m_message = message;
            m_errorPos = m_pos;
        }
        return nullptr;
    }

    std::optional<Expression> p_failExpression(const QString& message) {
        p_fail(message);
        return std::nullopt;
    }

    const QString& m_text;
    const QVariantList& m_arguments;
    qsizetype m_pos = 0;
    qsizetype m_nextArgument = 0;
    int m_depth = 0;
    bool m_failed = false;
    QString m_message;
    qsizetype m_errorPos = 0;
};

}  // namespace

Result<PredicatePtr> predicateWithFormat(const QString& format, const QVariantList& arguments) {
    if (format.size() > maximumFormatLength)
        return TDError::make(TDErrorPredicateFormatInvalid,
                             QStringLiteral("The predicate is %1 characters long; at most %2 are read.")
                                 .arg(format.size())
                                 .arg(maximumFormatLength));
    return Parser(format, arguments).parse();
}

}  // namespace platform
