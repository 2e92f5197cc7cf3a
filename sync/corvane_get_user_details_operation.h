#pragma once

#include "sync/corvane_operation.h"

// Checks a user name and password against the service ("/user/<name>"): verified when the answer has
// a status below 400 and an e-mail; empty when the account's library on the server holds nothing.
class TDCorvaneGetUserDetailsOperation final : public TDCorvaneOperation {
public:
    using TDCorvaneOperation::TDCorvaneOperation;

    bool verified() const { return m_verified; }
    QString email() const { return m_email; }
    bool isEmpty() const { return m_empty; }

    void performOperation();

protected:
    void main() override { performOperation(); }

private:
    bool m_verified = false;
    QString m_email;
    bool m_empty = false;
};
