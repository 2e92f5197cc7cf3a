// The one benchmark executable: every benchmark of the program joins it.
#include "platform/base/local_zone.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("ORDELLO_TESTING", "1", 1);
    // As the program does, so that dates cost what they cost there.
    TDAdoptSystemTimeZone();
    // Widgets benchmarks paint real views.
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
