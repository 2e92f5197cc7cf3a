// TDTask's tag prediction for titles being typed.
#include "language/title_parser.h"
#include "language/token.h"
#include "model/library.h"
#include "model/task.h"
#include "model/task_classifier.h"

QList<TDToken> TDTask::predictedTokensFromTitle(const QString& title, TDLibrary* library) {
    if (!library || !library->taskClassifier()) return {};
    QList<TDToken> suggested = library->taskClassifier()->suggestedTokensFromTitle(title);
    // Tag titles match whatever their case, as the library's tag lookup does.
    const QStringList typed = TDTitleParser::tokenTitlesFromEditingString(title);
    suggested.removeIf([&typed](const TDToken& token) {
        return typed.contains(TDTitleParser::tagTitleFromEditingString(token.title()), Qt::CaseInsensitive);
    });
    return suggested;
}
