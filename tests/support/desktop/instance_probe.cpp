// A later Ordello process as the single-instance tests need it: it claims the desktop service on the
// session bus its environment names, handing over its arguments, and tells by its exit status what
// the claim found.
#include "platform/desktop/bus/hand_over_arguments.h"
#include "platform/desktop/bus/instance_service.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::InstanceService service;
    QStringList given = app.arguments().mid(1);
    // "--quick-entry" or "--quick-entry-context" first: the quick-entry toggle is handed over too.
    if (!given.isEmpty() && given.first().startsWith(QStringLiteral("--quick-entry")))
        service.setQuickEntryRequest(given.takeFirst() == QStringLiteral("--quick-entry-context"),
                                     platform::activationTokenFromEnvironment());
    const QStringList arguments = platform::handOverArguments(given, QDir::current());
    const platform::InstanceService::Claim claim = service.claim(arguments);
    service.logUnclaimed();
    switch (claim) {
        case platform::InstanceService::Claim::HandedOver:
            return 0;
        case platform::InstanceService::Claim::Owned:
            return 10;
        case platform::InstanceService::Claim::NoBus:
            return 11;
        case platform::InstanceService::Claim::Unanswered:
            return 12;
    }
    return 1;
}
