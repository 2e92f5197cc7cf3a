#include "foundation/default_settings.h"
#include "tests/support/test_main.h"

#include <QGuiApplication>

int main(int argc, char** argv) {
    testsupport::setDefaultsRegistration(
        [](platform::UserDefaults& defaults) { registerDefaultSettings(defaults); });
    return testsupport::runTests<QGuiApplication>(argc, argv);
}
