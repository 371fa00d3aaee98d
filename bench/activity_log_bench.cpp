// Cost of one activity-log line when the file is already near its 50000-line limit: appending
// keeps it independent of the file's size. The file stays open and locked per call; an address's
// lines of the concurrent walk go out in one call.
#include "common/ActivityLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void writeLines(const QString& path, int count)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray content;
    for (int i = 0; i < count; ++i)
        content +=
            "09/12/2024 - 14:05:09: Coletando dados de 192.168.0." + QByteArray::number(i % 254) + "\r\n";
    file.write(content);
}

// One WriteLog on a file of 49999 lines (the file is reset to that size outside the timing).
void WriteLogAt49999Lines(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("LOG.TXT");
    for (auto _ : state) {
        state.PauseTiming();
        writeLines(path, 49999);
        vorenta::ActivityLog log(path); // a fresh writer counts the file's lines once
        state.ResumeTiming();
        log.WriteLog(QStringLiteral("Serviço Em Atividade"));
    }
}
BENCHMARK(WriteLogAt49999Lines)->Unit(benchmark::kMicrosecond);

// The steady state of a running collector: the writer already knows the count.
void WriteLogSteadyState(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("LOG.TXT");
    writeLines(path, 40000);
    vorenta::ActivityLog log(path);
    log.WriteLog(QStringLiteral("primeira"));
    for (auto _ : state)
        log.WriteLog(QStringLiteral("Coletando dados de 192.168.0.10"));
}
BENCHMARK(WriteLogSteadyState)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// An address's lines as the concurrent walk commits them: ten in one call (time per call).
void WriteLinesOfAnAddress(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("LOG.TXT");
    writeLines(path, 40000);
    vorenta::ActivityLog log(path);
    log.WriteLog(QStringLiteral("primeira"));
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines.append(QStringLiteral("Coletando dados de 192.168.0.10 - linha %1").arg(i));
    for (auto _ : state)
        log.WriteLines(lines);
}
BENCHMARK(WriteLinesOfAnAddress)->Unit(benchmark::kMicrosecond)->Iterations(500);

} // namespace

BENCHMARK_MAIN();
