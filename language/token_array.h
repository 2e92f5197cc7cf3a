#pragma once

#include "language/token.h"

#include <QList>
#include <QStringList>

#include <optional>

// The first token with the title, if any.
std::optional<TDToken> TDTokenWithTitleInArray(const QString& title, const QList<TDToken>& tokens);
// The tokens in their order without those whose title is one of the given ones.
QList<TDToken> TDTokensRemovingTitles(const QStringList& titles, const QList<TDToken>& tokens);
QList<TDToken> TDTokensRemovingTitle(const QString& title, const QList<TDToken>& tokens);
// Appends the token unless an equal one (same title and value) is there already.
void TDAddTokenIfAbsent(const TDToken& token, QList<TDToken>& tokens);
