#include "tests/support/test_main.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    return testsupport::runTests<QCoreApplication>(argc, argv);
}
