#include "auxiliary/script_errors.h"

#include "language/localized_string.h"

TDError TDScriptError(TDScriptErrorCode code, const QString& text) {
    return TDError::make(code, text);
}

TDError TDCannotDeleteSpecialGroupsError() {
    return TDScriptError(TDScriptErrorCannotDeleteSpecialGroups,
                         TDLocalizedString("Cannot delete special groups"));
}

TDError TDCouldNotMoveObjectError() {
    return TDScriptError(TDScriptErrorCouldNotMove, TDLocalizedString("Could not move object"));
}

TDError TDCouldNotMoveTaskError() {
    return TDScriptError(TDScriptErrorCouldNotMove, TDLocalizedString("Could not move task"));
}

TDError TDUnknownObjectError() {
    return TDScriptError(TDScriptErrorUnknownObject,
                         TDLocalizedString("Cannot select object because of unknown type"));
}

TDError TDSelectionOnlyTasksError() {
    return TDScriptError(TDScriptErrorNotSelectable,
                         TDLocalizedString("Selection can only consists of tasks"));
}

TDError TDGroupNotSelectableError() {
    return TDScriptError(TDScriptErrorNotSelectable, TDLocalizedString("Group is not selectable"));
}

QString TDScriptErrorName(const TDError& error) {
    switch (error.code) {
        case TDScriptErrorCannotDeleteSpecialGroups:
            return QStringLiteral("CannotDeleteSpecialGroups");
        case TDScriptErrorCouldNotMove:
            return QStringLiteral("CouldNotMove");
        case TDScriptErrorUnknownObject:
            return QStringLiteral("UnknownObject");
        case TDScriptErrorNotSelectable:
            return QStringLiteral("NotSelectable");
        default:
            return QStringLiteral("InvalidValue");
    }
}
