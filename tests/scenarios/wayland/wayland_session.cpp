#include "tests/scenarios/wayland/wayland_session.h"

#include <QtGlobal>

namespace waylandtest {

QString unavailableReason() {
    const QString reason = qEnvironmentVariable("ORDELLO_WAYLAND_UNAVAILABLE");
    if (!reason.isEmpty()) return reason;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return QStringLiteral(
            "no compositor: run the tests through tests/scenarios/wayland/run_under_weston.sh");
    return {};
}

}  // namespace waylandtest
