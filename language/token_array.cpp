#include "language/token_array.h"

std::optional<TDToken> TDTokenWithTitleInArray(const QString& title, const QList<TDToken>& tokens) {
    for (const TDToken& token : tokens)
        if (token.title() == title) return token;
    return std::nullopt;
}

QList<TDToken> TDTokensRemovingTitles(const QStringList& titles, const QList<TDToken>& tokens) {
    QList<TDToken> kept;
    for (const TDToken& token : tokens)
        if (token.title().isNull() || !titles.contains(token.title())) kept << token;
    return kept;
}

QList<TDToken> TDTokensRemovingTitle(const QString& title, const QList<TDToken>& tokens) {
    return TDTokensRemovingTitles(QStringList{title}, tokens);
}

void TDAddTokenIfAbsent(const TDToken& token, QList<TDToken>& tokens) {
    if (!tokens.contains(token)) tokens << token;
}
