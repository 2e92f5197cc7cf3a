#pragma once

#include <QString>

namespace waylandtest {

// Why these tests cannot run with the wayland platform here; empty when a compositor is waiting for
// them. run_under_weston.sh starts one and says why when it cannot.
QString unavailableReason();

}  // namespace waylandtest
