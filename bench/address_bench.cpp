// What one address costs the range walk when no printer is there: identification's GETs against
// a host that refuses SNMP (ICMP port unreachable: every GET fails at once) and against a host
// that stays silent (every GET waits out its time-out; measured with a short wait, the real
// collector waits 5000 ms per GET).
#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"

#include <benchmark/benchmark.h>

namespace {

void IdentifyRefusingHost(benchmark::State& state)
{
    const QString address =
        QString::fromStdString(vorenta::test::UniqueLoopbackPrefix()) + "9"; // nothing listens
    vorenta::UdpSnmpSource snmp;
    vorenta::test::CapturingLogSink log;
    for (auto _ : state) {
        vorenta::DeviceReading reading;
        vorenta::IdentifyDevice(reading, address, snmp, log);
        benchmark::DoNotOptimize(reading.NSerie);
    }
}
BENCHMARK(IdentifyRefusingHost)->Unit(benchmark::kMillisecond);

void IdentifySilentHost(benchmark::State& state)
{
    const int waitMs = static_cast<int>(state.range(0));
    vorenta::test::FixtureSnmpAgent agent(vorenta::test::UniqueLoopbackPrefix() + "8", 0);
    agent.staySilent();
    vorenta::UdpSnmpSource snmp(agent.port(), waitMs);
    vorenta::test::CapturingLogSink log;
    const QString address = QString::fromStdString(agent.address());
    for (auto _ : state) {
        vorenta::DeviceReading reading;
        vorenta::IdentifyDevice(reading, address, snmp, log);
        benchmark::DoNotOptimize(reading.NSerie);
    }
    state.counters["gets"] =
        static_cast<double>(agent.datagramCount()) / static_cast<double>(state.iterations());
}
BENCHMARK(IdentifySilentHost)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
