#include "foundation/default_settings.h"
#include "tests/scenarios/wayland/wayland_session.h"
#include "tests/support/test_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    testsupport::setDefaultsRegistration(
        [](platform::UserDefaults& defaults) { registerDefaultSettings(defaults); });
    // Without a compositor the tests only say why they skip.
    return testsupport::runTests<QApplication>(
        argc, argv, waylandtest::unavailableReason().isEmpty() ? "wayland" : "offscreen");
}
