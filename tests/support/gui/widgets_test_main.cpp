#include "foundation/default_settings.h"
#include "tests/support/test_main.h"

#include <QApplication>

int main(int argc, char** argv) {
    testsupport::setDefaultsRegistration(
        [](platform::UserDefaults& defaults) { registerDefaultSettings(defaults); });
    return testsupport::runTests<QApplication>(argc, argv);
}
