#include "foundation/default_settings.h"
#include "tests/support/test_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    testsupport::setDefaultsRegistration(
        [](platform::UserDefaults& defaults) { registerDefaultSettings(defaults); });
    // Run under an X server (xvfb-run): Qt's X11 platform, as in an X11 session.
    unsetenv("WAYLAND_DISPLAY");
    setenv("XDG_SESSION_TYPE", "x11", 1);
    return testsupport::runTests<QApplication>(argc, argv,
                                               qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
}
