#include "collector/service/walk/RangeWalk.h"
#include "collector/service/walk/ConcurrentWalk.h"

#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/UdpSnmpSource.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/Deadline.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/NoModelOids.h"
#include "tests/support/ReadingFields.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

// Both walks, the serial one (Simultaneos=1) and the concurrent one, through the same cases: what
// the serial walk does is what the concurrent walk must be seen to do.

using namespace vorenta;
using vorenta::test::CapturingLogSink;
using vorenta::test::FixtureSnmpFleet;
using vorenta::test::SnmpRecording;

namespace {

// Every test of this program ends within four minutes or fails by name: faults in the concurrent
// walk have made it wait for itself, and a hang reaches CTest's limit with no test named.
[[maybe_unused]] const bool kDeadlineForEveryTest = test::DeadlineForEveryTest(std::chrono::minutes(4));

class CapturingStore : public ReadingStore {
public:
    StoreOutcome StoreReading(const DeviceReading& reading) override
    {
        stored.append(reading);
        return StoreOutcome::Stored;
    }
    QList<DeviceReading> stored;
};

// Answers as a printer with serial number "SN-<host>" at every address whose host number is in
// `printers`, throws at `failingHost`, and refuses (ok false) everywhere else. Safe to ask from
// several threads at once.
class ScriptedNetwork : public SnmpSource {
public:
    SnmpAnswer SnmpGet(const QString& oid, const QString&, const QString& host) override
    {
        ++asked;
        const int number = host.section(u'.', 3).toInt();
        if (number == failingHost)
            throw std::runtime_error("falha no meio da faixa");
        if (!printers.contains(number))
            return {};
        if (oid == IdentificationOid::G3)
            return {true, QStringLiteral("SN-%1").arg(number)};
        return {true, QString()};
    }
    QList<int> printers;
    int failingHost = -1;
    std::atomic<int> asked = 0;
};

// One printer recording with the standard objects identification reads.
SnmpRecording printer(const std::string& serial)
{
    return SnmpRecording::FromText("1.3.6.1.2.1.43.5.1.1.17.1|4|" + serial +
                                   "\n"
                                   "1.3.6.1.2.1.25.3.2.1.3.1|4|LaserJet 400\n"
                                   "1.3.6.1.2.1.43.10.2.1.4.1.1|65|12345\n");
}

enum class Walking { Serial, Concurrent };

/// A walk as the cycle drives it, on the test's thread as the owner: WalkRange or CollectRange,
/// then FinishWalk. The concurrent walk gets 8 addresses in flight, fewer than most ranges here.
class RangeWalkTest : public ::testing::TestWithParam<Walking> {
protected:
    static constexpr int kInFlight = 8;

    std::unique_ptr<AddressWalk> walkOver(SnmpSource& source, ManufacturerStep step = {})
    {
        if (!step) {
            step = [this](DeviceReading&, const QString&, SnmpSource&, ModelOidTable&, LogSink&) {
                ++manufacturerCalls;
            };
        }
        return MakeWalk({source, step, noTable, store}, log, stop,
                        GetParam() == Walking::Serial ? 1 : kInFlight);
    }

    void walkRange(AddressWalk& walk, const QString& start, const QString& end)
    {
        const test::Deadline deadline("the walk of " + start.toStdString() + " - " + end.toStdString() +
                                          " to end",
                                      std::chrono::seconds(60));
        walk.WalkRange(start, end);
        walk.FinishWalk();
    }

    QStringList walkLines() const
    {
        QStringList lines;
        for (const QString& line : file.lines) {
            if (line.startsWith("Coletando dados de ") || line.startsWith("Gravando dados "))
                lines.append(line);
        }
        return lines;
    }

    CapturingLogSink file;
    WalkOrderLog log{file};
    CapturingStore store;
    StopSignal stop;
    test::NoModelOids noTable;
    std::atomic<int> manufacturerCalls = 0;
};

std::string WalkingName(const ::testing::TestParamInfo<Walking>& info)
{
    return info.param == Walking::Serial ? "Serial" : "Concurrent";
}

} // namespace

TEST_P(RangeWalkTest, VisitsEachAddressInOrderAndStoresThePrinters)
{
    FixtureSnmpFleet fleet;
    fleet.add(10, printer("AAA111"));
    fleet.add(12, printer("CCC333"));
    const QString prefix = QString::fromStdString(fleet.prefix());
    UdpSnmpSource udp(161, 500); // 11 has no agent: refused at once
    const auto walk = walkOver(udp);

    walkRange(*walk, prefix + "10", prefix + "12");

    EXPECT_EQ(walkLines(),
              QStringList({"Coletando dados de " + prefix + "10", "Gravando dados " + prefix + "10",
                           "Coletando dados de " + prefix + "11", "Coletando dados de " + prefix + "12",
                           "Gravando dados " + prefix + "12"}));
    ASSERT_EQ(store.stored.size(), 2);
    EXPECT_EQ(store.stored[0].NSerie, QStringLiteral("AAA111"));
    EXPECT_EQ(store.stored[0].IP, prefix + "10");
    EXPECT_EQ(store.stored[1].NSerie, QStringLiteral("CCC333"));
    EXPECT_EQ(manufacturerCalls, 2);
    EXPECT_EQ(walk->CurrentPrefix(), prefix);
}

TEST_P(RangeWalkTest, FallbackVisitsHostsTwoTo254OfTheLocalPrefix)
{
    FixtureSnmpFleet fleet; // only for its per-process prefix; nothing answers
    const QString prefix = QString::fromStdString(fleet.prefix());
    UdpSnmpSource udp(161, 500);
    const auto walk = walkOver(udp);
    walk->SetCurrentPrefix(prefix);

    walk->CollectRange(2, 255);
    walk->FinishWalk();

    const QStringList lines = walkLines();
    ASSERT_EQ(lines.size(), 253);
    EXPECT_EQ(lines.first(), "Coletando dados de " + prefix + "2");
    EXPECT_EQ(lines.last(), "Coletando dados de " + prefix + "254");
    EXPECT_TRUE(store.stored.isEmpty());
}

TEST_P(RangeWalkTest, RangesThatCannotBeWalked)
{
    ScriptedNetwork network;
    const auto walk = walkOver(network);

    struct Case {
        const char* start;
        const char* end;
    };
    // None of these reaches the network, nor the resolver as a host name.
    for (const Case& bad : {
             Case{"192.168.0.250", "192.168.1.5"}, // another network
             Case{"10.0.0.5", ""},
             Case{"10.0.0.5", "10.0.0.x"},
             Case{"impressora", "10.0.0.9"},
             Case{"999.0.0.1", "999.0.0.9"},
             Case{"a.b.c.1", "a.b.c.9"},
             Case{"10.0.0.256", "10.0.0.256"},
             Case{"10.0.0", "10.0.0.9"},
             Case{"10.0.0.1.2", "10.0.0.9"},
             Case{"10.0.0.-1", "10.0.0.9"},
             Case{"10.0.0.1", "10.0.0.+9"},
             Case{"10..0.1", "10..0.9"},
             Case{"10.0.0.1", "10.0.0.9999999999"},
         }) {
        EXPECT_THROW(walk->WalkRange(bad.start, bad.end), RangeWalkError) << bad.start << " - " << bad.end;
    }
    EXPECT_TRUE(file.lines.isEmpty()) << "nothing is visited";
    EXPECT_EQ(network.asked, 0);
}

TEST_P(RangeWalkTest, EndAbove254StopsAt254)
{
    ScriptedNetwork network;
    const auto walk = walkOver(network);
    walkRange(*walk, "10.9.8.250", "10.9.8.300");
    EXPECT_EQ(walkLines(), QStringList({"Coletando dados de 10.9.8.250", "Coletando dados de 10.9.8.251",
                                        "Coletando dados de 10.9.8.252", "Coletando dados de 10.9.8.253",
                                        "Coletando dados de 10.9.8.254"}));
}

TEST_P(RangeWalkTest, AddressesAreWrittenInTheirPlainForm)
{
    ScriptedNetwork network;
    const auto walk = walkOver(network);
    walkRange(*walk, " 010.009.008.007 ", "10.9.8.8");
    EXPECT_EQ(walkLines(), QStringList({"Coletando dados de 10.9.8.7", "Coletando dados de 10.9.8.8"}));
    EXPECT_EQ(walk->CurrentPrefix(), QStringLiteral("10.9.8."));
}

TEST_P(RangeWalkTest, StartAfterEndVisitsNothingAndSaysSo)
{
    ScriptedNetwork network;
    const auto walk = walkOver(network);
    walkRange(*walk, "192.168.0.20", "192.168.0.10");
    EXPECT_EQ(file.lines, QStringList{"Range de IP invertido, nada coletado: 192.168.0.20 - 192.168.0.10"});
    EXPECT_EQ(network.asked, 0);
}

TEST_P(RangeWalkTest, VisitsTheHostsFromStartToEndSkipping255)
{
    struct Case {
        const char* start;
        const char* end;
        QStringList lines;
    };
    const Case cases[] = {
        // One printer configured as a range of one address.
        {"10.9.8.7", "10.9.8.7", {"Coletando dados de 10.9.8.7", "Gravando dados 10.9.8.7"}},
        {"10.9.8.253", "10.9.8.255", {"Coletando dados de 10.9.8.253", "Coletando dados de 10.9.8.254"}},
        {"10.9.8.255", "10.9.8.255", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        ScriptedNetwork network;
        network.printers = {7};
        const auto walk = walkOver(network);
        file.lines.clear();
        store.stored.clear();
        walkRange(*walk, c.start, c.end);
        EXPECT_EQ(walkLines(), c.lines);
        EXPECT_EQ(store.stored.size(), c.lines.count(QStringLiteral("Gravando dados 10.9.8.7")));
    }
}

TEST_P(RangeWalkTest, FailureAbandonsTheRestOfTheRangeSilently)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 4};
    network.failingHost = 3;
    const auto walk = walkOver(network);

    EXPECT_NO_THROW(walkRange(*walk, "10.9.8.1", "10.9.8.5"));

    EXPECT_EQ(walkLines(), QStringList({"Coletando dados de 10.9.8.1", "Gravando dados 10.9.8.1",
                                        "Coletando dados de 10.9.8.2", "Gravando dados 10.9.8.2",
                                        "Coletando dados de 10.9.8.3"}));
    EXPECT_EQ(file.lines.last(), QStringLiteral("Coletando dados de 10.9.8.3")) << "no error line";
    EXPECT_EQ(store.stored.size(), 2);
}

TEST_P(RangeWalkTest, NothingReadAtOneAddressSurvivesIntoTheNext)
{
    ScriptedNetwork network;
    network.printers = {1};
    const auto walk = walkOver(network);
    walkRange(*walk, "10.9.8.1", "10.9.8.2");
    ASSERT_EQ(store.stored.size(), 1);
    EXPECT_EQ(walkLines().size(), 3) << "the second address has no serial number and is not stored";
}

TEST_P(RangeWalkTest, StopEndsTheWalkAndStoresNothingCutShort)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 3};
    std::atomic<int> answeredAfterStop = 0;
    const auto walk = walkOver(
        network, [&](DeviceReading&, const QString& address, SnmpSource& snmp, ModelOidTable&, LogSink&) {
            stop.request();
            if (snmp.SnmpGet(IdentificationOid::G3, "public", address).ok)
                ++answeredAfterStop;
        });
    walkRange(*walk, "10.9.8.1", "10.9.8.3");
    EXPECT_EQ(answeredAfterStop, 0) << "after a stop the readers' GETs fail at once";
    EXPECT_TRUE(store.stored.isEmpty()) << "the reading being taken when the stop came is not stored";
    // The serial walk had written the line of the address it was at; the concurrent walk commits
    // nothing after a stop.
    EXPECT_EQ(walkLines(),
              GetParam() == Walking::Serial ? QStringList({"Coletando dados de 10.9.8.1"}) : QStringList());
}

// A failure in one range abandons its rest; the next range is walked, and the lines the cycle
// writes between ranges keep their place even while addresses before them are still in flight.
TEST_P(RangeWalkTest, AfterAFailureTheNextRangeRunsAndTheCycleLinesKeepTheirPlace)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 4, 5};
    network.failingHost = 3;
    const auto walk = walkOver(network);

    walk->WalkRange("10.9.8.1", "10.9.8.5");
    log.WriteLog("Erro ao capturar dados de : faixa ruim"); // as the cycle writes it
    walk->WalkRange("10.9.7.4", "10.9.7.5");
    walk->FinishWalk();

    QStringList lines = file.lines;
    lines.removeIf([](const QString& line) { return line.startsWith("MAC1: "); });
    EXPECT_EQ(lines, QStringList({"Coletando dados de 10.9.8.1", "Gravando dados 10.9.8.1",
                                  "Coletando dados de 10.9.8.2", "Gravando dados 10.9.8.2",
                                  "Coletando dados de 10.9.8.3", "Erro ao capturar dados de : faixa ruim",
                                  "Coletando dados de 10.9.7.4", "Gravando dados 10.9.7.4",
                                  "Coletando dados de 10.9.7.5", "Gravando dados 10.9.7.5"}));
    QStringList stored;
    for (const DeviceReading& reading : store.stored)
        stored << reading.IP;
    EXPECT_EQ(stored, QStringList({"10.9.8.1", "10.9.8.2", "10.9.7.4", "10.9.7.5"}));
    log.WriteLog("Aguardando");
    EXPECT_EQ(file.lines.last(), "Aguardando") << "after FinishWalk lines go straight to the log";
}

/// Table Oid that notes the thread of every call and writes a line from ConnectDatabase, as the
/// data module writes its connection error.
class ThreadNotingModelOids final : public ModelOidTable {
public:
    explicit ThreadNotingModelOids(LogSink& log) : m_log(log) {}
    bool ConnectDatabase() override
    {
        note();
        m_log.WriteLog("[conectado]");
        return true;
    }
    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override
    {
        note();
        ++lookups;
        return Modelo + u'/' + NomeInfo;
    }
    std::atomic<int> lookups = 0;
    std::atomic<int> callsOffThread = 0;
    const std::thread::id owner = std::this_thread::get_id();

private:
    void note()
    {
        if (std::this_thread::get_id() != owner)
            ++callsOffThread;
    }
    LogSink& m_log;
};

// The model OID table is asked on the thread that runs the cycle, what it logs joins the lines of
// the address it was asked for, and the concurrent walk asks each model and name once a pass.
TEST_P(RangeWalkTest, TheModelOidTableIsReadOnTheOwnersThread)
{
    ScriptedNetwork network;
    network.printers = {1, 2, 3};
    ThreadNotingModelOids table(log);
    const ManufacturerStep step = [](DeviceReading& reading, const QString&, SnmpSource&,
                                     ModelOidTable& modelOids, LogSink&) {
        if (modelOids.ConnectDatabase())
            reading.StatusEquip = modelOids.BuscaOid("LJ 400", "Status").value_or(QString());
    };
    const auto walk =
        MakeWalk({network, step, table, store}, log, stop, GetParam() == Walking::Serial ? 1 : 8);

    for (int pass = 1; pass <= 2; ++pass) {
        walkRange(*walk, "10.9.8.1", "10.9.8.3");
        EXPECT_EQ(table.lookups, GetParam() == Walking::Serial ? 3 * pass : pass) << "pass " << pass;
    }
    EXPECT_EQ(table.callsOffThread, 0);
    ASSERT_EQ(store.stored.size(), 6);
    EXPECT_EQ(store.stored[5].StatusEquip, QStringLiteral("LJ 400/Status"));
    QStringList lines = file.lines;
    lines.removeIf([](const QString& line) { return line.startsWith("MAC1: "); });
    EXPECT_EQ(lines.mid(0, 6),
              QStringList({"Coletando dados de 10.9.8.1", "[conectado]", "Gravando dados 10.9.8.1",
                           "Coletando dados de 10.9.8.2", "[conectado]", "Gravando dados 10.9.8.2"}));
}

INSTANTIATE_TEST_SUITE_P(Walks, RangeWalkTest, ::testing::Values(Walking::Serial, Walking::Concurrent),
                         WalkingName);

// No address starts more than Simultaneos places ahead of the next one to commit: while the
// first address of a range is held, only the next seven are asked anything.
TEST(ConcurrentWalk, NoAddressStartsMoreThanSimultaneousAheadOfTheNextToCommit)
{
    class HeldFirstHost final : public SnmpSource {
    public:
        SnmpAnswer SnmpGet(const QString&, const QString&, const QString& host) override
        {
            const int number = host.section(u'.', 3).toInt();
            std::unique_lock lock(mutex);
            asked.insert(number);
            changed.notify_all();
            // Held until the test has looked; a test that failed before that releases it too.
            if (number == 1)
                static_cast<void>(test::WaitUntil(changed, lock, [this] { return released; }));
            return {};
        }
        std::mutex mutex;
        std::condition_variable changed;
        std::set<int> asked;
        bool released = false;
    } network;
    CapturingLogSink file;
    WalkOrderLog log(file);
    CapturingStore store;
    StopSignal stop;
    test::NoModelOids noTable;
    ConcurrentWalk walk({network, {}, noTable, store}, log, stop, 8);

    std::thread owner([&] {
        walk.WalkRange("10.9.8.1", "10.9.8.40");
        walk.FinishWalk();
    });
    {
        std::unique_lock lock(network.mutex);
        EXPECT_TRUE(test::WaitUntil(network.changed, lock, [&] { return network.asked.size() >= 8; }))
            << "the walk did not ask 8 addresses while the first was held; asked " << network.asked.size();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // room for a ninth, if it came
    {
        std::lock_guard lock(network.mutex);
        EXPECT_EQ(network.asked, std::set<int>({1, 2, 3, 4, 5, 6, 7, 8}));
        network.released = true;
        network.changed.notify_all();
    }
    {
        const test::Deadline deadline("the walk to end once its first address was released",
                                      std::chrono::seconds(60));
        owner.join();
    }
    ASSERT_EQ(file.lines.size(), 40);
    EXPECT_EQ(file.lines.first(), "Coletando dados de 10.9.8.1");
    EXPECT_EQ(file.lines.last(), "Coletando dados de 10.9.8.40");
}

// When the system will not start a single probing thread, the owner probes each address itself,
// the model OID table included (it does not wait for itself), and the walk is the serial one.
TEST(ConcurrentWalk, WithoutAProbingThreadTheOwnerProbesItself)
{
    CapturingLogSink file;
    WalkOrderLog log(file);
    CapturingStore store;
    StopSignal stop;
    ScriptedNetwork network;
    network.printers = {1, 2};
    ThreadNotingModelOids table(log);
    const ManufacturerStep step = [](DeviceReading& reading, const QString&, SnmpSource&,
                                     ModelOidTable& modelOids, LogSink&) {
        if (modelOids.ConnectDatabase())
            reading.StatusEquip = modelOids.BuscaOid("LJ 400", "Status").value_or(QString());
    };
    ConcurrentWalk walk({network, step, table, store}, log, stop, 8, std::size_t{1} << 50);

    walk.WalkRange("10.9.8.1", "10.9.8.3");
    walk.FinishWalk();

    ASSERT_EQ(store.stored.size(), 2);
    EXPECT_EQ(store.stored[1].StatusEquip, QStringLiteral("LJ 400/Status"));
    EXPECT_EQ(table.callsOffThread, 0);
    QStringList lines = file.lines;
    lines.removeIf([](const QString& line) { return line.startsWith("MAC1: "); });
    EXPECT_EQ(lines, QStringList({"Simultaneos reduzido a 1: o sistema não criou mais threads de coleta "
                                  "(limite de processos ou de memória do serviço); reduza Simultaneos em "
                                  "Coletor.ini ou aumente o limite.",
                                  "Coletando dados de 10.9.8.1", "[conectado]", "Gravando dados 10.9.8.1",
                                  "Coletando dados de 10.9.8.2", "[conectado]", "Gravando dados 10.9.8.2",
                                  "Coletando dados de 10.9.8.3"}));
}

/// A manufacturer step that runs out of memory the first `times` it reads each of `hosts`.
class MemoryShortStep {
public:
    MemoryShortStep(std::set<int> hosts, int times) : m_hosts(std::move(hosts)), m_times(times) {}

    ManufacturerStep step()
    {
        return [this](DeviceReading&, const QString& address, SnmpSource&, ModelOidTable&, LogSink&) {
            const int host = address.section(u'.', 3).toInt();
            std::lock_guard lock(m_mutex);
            if (m_hosts.count(host) && m_failures[host] < m_times) {
                ++m_failures[host];
                throw std::bad_alloc();
            }
        };
    }

private:
    std::mutex m_mutex;
    const std::set<int> m_hosts;
    const int m_times;
    std::map<int, int> m_failures;
};

QStringList Reductions(const QStringList& lines)
{
    QStringList found;
    for (const QString& line : lines) {
        if (line.startsWith("Simultaneos reduzido a "))
            found.append(line);
    }
    return found;
}

// Memory that ran out while two addresses were probed is the process's fault, not the devices':
// both are probed again with fewer addresses in flight, and every printer is stored once, in walk
// order, the address lines of the failed tries left out.
TEST(ConcurrentWalk, AnAddressOutOfMemoryIsProbedAgainWithFewerInFlight)
{
    CapturingLogSink file;
    WalkOrderLog log(file);
    CapturingStore store;
    StopSignal stop;
    ScriptedNetwork network;
    for (int host = 1; host <= 20; ++host)
        network.printers.append(host);
    test::NoModelOids noTable;
    MemoryShortStep memory({3, 7}, 1);
    ConcurrentWalk walk({network, memory.step(), noTable, store}, log, stop, 8);
    {
        const test::Deadline deadline("the walk with two addresses out of memory to end", std::chrono::seconds(60));
        walk.WalkRange("10.9.8.1", "10.9.8.20");
        walk.FinishWalk();
    }

    QStringList serials;
    for (const DeviceReading& reading : store.stored)
        serials.append(reading.NSerie);
    QStringList expected;
    for (int host = 1; host <= 20; ++host)
        expected.append(QStringLiteral("SN-%1").arg(host));
    EXPECT_EQ(serials, expected);
    const auto visits = std::count_if(file.lines.cbegin(), file.lines.cend(),
                                      [](const QString& line) { return line.startsWith("Coletando dados de "); });
    EXPECT_EQ(visits, 20) << "each address once, its failed try left out";
    const QStringList reductions = Reductions(file.lines);
    ASSERT_FALSE(reductions.isEmpty()) << "no line said the addresses in flight were lowered";
    EXPECT_LE(reductions.size(), 2);
    const QRegularExpression reduced("^Simultaneos reduzido a [1-4]: memória insuficiente; reduza Simultaneos "
                                     "em Coletor.ini ou aumente o limite\\.$");
    for (const QString& line : reductions)
        EXPECT_TRUE(reduced.match(line).hasMatch()) << line.toStdString();
}

// Memory that runs out at one address in flight too: the address is named with its cause, the
// walk throws for the service to end, and nothing after it is stored or logged as collected.
TEST(ConcurrentWalk, AnAddressOutOfMemoryAtOneInFlightIsNamedAndEndsTheWalk)
{
    CapturingLogSink file;
    WalkOrderLog log(file);
    CapturingStore store;
    StopSignal stop;
    ScriptedNetwork network;
    network.printers = {1, 2, 3, 4, 5, 6};
    test::NoModelOids noTable;
    MemoryShortStep memory({2}, 1000);
    ConcurrentWalk walk({network, memory.step(), noTable, store}, log, stop, 4);
    {
        const test::Deadline deadline("the walk out of memory at every try to end", std::chrono::seconds(60));
        EXPECT_THROW(
            {
                walk.WalkRange("10.9.8.1", "10.9.8.6");
                walk.FinishWalk();
            },
            std::bad_alloc);
    }
    ASSERT_EQ(store.stored.size(), 1);
    EXPECT_EQ(store.stored[0].NSerie, QStringLiteral("SN-1"));
    EXPECT_TRUE(file.lines.contains("Endereço 10.9.8.2 não coletado: memória insuficiente."))
        << file.lines.join('\n').toStdString();
    const QStringList reductions = Reductions(file.lines);
    ASSERT_FALSE(reductions.isEmpty()) << file.lines.join('\n').toStdString();
    EXPECT_TRUE(reductions.last().startsWith("Simultaneos reduzido a 1: memória insuficiente;"));
    EXPECT_EQ(file.lines.last(), "Endereço 10.9.8.2 não coletado: memória insuficiente.");
    for (int host = 3; host <= 6; ++host)
        EXPECT_FALSE(file.lines.contains(QStringLiteral("Gravando dados 10.9.8.%1").arg(host)));
}

// The serial walk has nothing to lower: running out of memory is not a device's failure that
// abandons the range silently, it ends the walk for the service to say why.
TEST(RangeWalk, OutOfMemoryIsNotAbandonedSilently)
{
    CapturingLogSink file;
    CapturingStore store;
    StopSignal stop;
    ScriptedNetwork network;
    network.printers = {1, 2, 3};
    test::NoModelOids noTable;
    MemoryShortStep memory({2}, 1);
    RangeWalk walk({network, memory.step(), noTable, store}, file, stop);
    EXPECT_THROW(walk.WalkRange("10.9.8.1", "10.9.8.3"), std::bad_alloc);
    EXPECT_EQ(store.stored.size(), 1);
}
