#include "sync/corvane_get_user_details_operation.h"

#include "platform/base/log.h"

void TDCorvaneGetUserDetailsOperation::performOperation() {
    if (username().isEmpty() || password().isEmpty()) return;
    auto request = this->request(corvaneURL(corvaneUserPath(username())));
    std::optional<TDError> failure;
    if (!request) {
        failure = request.error();
    } else {
        auto answer = responseDictionary(*request);
        if (isCancelled()) return;
        if (!answer) {
            failure = answer.error();
        } else {
            auto email = answer->optionalString(QStringLiteral("email"));
            auto token = answer->optionalString(QStringLiteral("token"));
            if (!email)
                failure = email.error();
            else if (!token)
                failure = token.error();
            else {
                m_email = email->value_or(QString());
                m_verified = answer->status() < 400 && !m_email.isEmpty();
                m_empty =
                    token->has_value() && (*token)->split(QLatin1Char('-')).last() == QStringLiteral("0");
                if (m_verified) logWithLevel(TDLogInfo, "INFO", "Corvane user verification successful");
            }
        }
    }
    if (isCancelled()) return;
    if (failure) {
        setError(failure);
        informDelegateDidFailWithError(*failure);
        return;
    }
    informDelegateDidFinish();
}
