// The benchmarks' main: with the GUI built, the application object that the graph's pictures
// need lives on the stack for the whole run, so it is gone before Qt's own globals are torn down.
#include <benchmark/benchmark.h>

#ifdef RM42_BENCH_QT
#include <QGuiApplication>
#endif

int main(int argc, char** argv)
{
#ifdef RM42_BENCH_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
