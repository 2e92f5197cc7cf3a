#pragma once

#include <QString>

// The application-support folder (~/.local/share/Ordello), created on demand with mode 0700 so the
// library and logs stay private.
QString applicationSupportPath();
// Where the default library lives during a test run.
QString unitTestApplicationSupportPath();
// True in test runs (ORDELLO_TESTING=1, set by the test main).
bool isRunningUnitTests();
