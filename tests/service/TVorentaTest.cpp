#include "collector/service/TVorenta.h"

#include "tests/support/CapturingLogSink.h"
#include "tests/support/Deadline.h"

#include <atomic>
#include <future>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include <new>

using namespace std::chrono_literals;
using namespace vorenta;

namespace {

// Every test of this program ends within four minutes or fails by name, instead of at CTest's
// limit with none.
[[maybe_unused]] const bool kDeadlineForEveryTest = test::DeadlineForEveryTest(std::chrono::minutes(4));

// A log that the service thread writes while the test thread reads.
class SharedLog : public LogSink {
public:
    void WriteLog(const QString& message) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.append(message);
    }
    QStringList lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    int count(const QString& message) const { return static_cast<int>(lines().count(message)); }

    // Waits (bounded, to catch a hang) until `message` has been written `times` times.
    bool waitFor(const QString& message, int times = 1) const
    {
        for (int i = 0; i < 3000; ++i) {
            if (count(message) >= times)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;
};

// A service whose cycle logs and then rests like the real one: until the stop is requested, or
// for `restMs`.
struct LoopFixture {
    SharedLog log;
    StopSignal stop;
    CollectorSettings settings;
    std::chrono::milliseconds rest = 60s;
    bool throwInCycle = false;
    bool outOfMemoryInCycle = false;
    TVorenta service{settings, log, stop,
                     [this] {
                         log.WriteLog("[cycle]");
                         if (throwInCycle)
                             throw std::runtime_error("falha");
                         if (outOfMemoryInCycle)
                             throw std::bad_alloc();
                         stop.waitFor(rest);
                     },
                     20ms};
    std::future<void> loop; // last: its end is awaited before anything the loop uses goes

    void run()
    {
        loop = std::async(std::launch::async, [this] { service.ServiceExecute(); });
    }

    bool endsSoon() { return loop.wait_for(30s) == std::future_status::ready; }

    // A loop that a failing test leaves running is released, so the test fails instead of hanging.
    ~LoopFixture()
    {
        if (loop.valid() && loop.wait_for(0s) != std::future_status::ready) {
            service.requestControl(ControlRequest::Continue);
            service.requestControl(ControlRequest::Stop);
        }
    }
};

} // namespace

TEST(ServiceLoop, StopDuringTheRestEndsTheServiceWithItsLines)
{
    LoopFixture f;
    f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]")) << "no cycle began within 30 s";
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(f.endsSoon()) << "a stop during the rest must end the loop";
    EXPECT_EQ(f.log.lines(), QStringList({"Serviço Em Atividade", "[cycle]", "Vorentor Pausado!",
                                          "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, ShutdownWritesItsOwnLine)
{
    LoopFixture f;
    f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]")) << "no cycle began within 30 s";
    f.service.requestControl(ControlRequest::Shutdown);
    ASSERT_TRUE(f.endsSoon());
    EXPECT_EQ(f.log.lines().mid(2), QStringList({"Vorentor Finalizado", "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, PauseHoldsTheNextPassUntilContinue)
{
    LoopFixture f;
    f.rest = 50ms;
    f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]")) << "no cycle began within 30 s";
    f.service.requestControl(ControlRequest::Pause);
    ASSERT_TRUE(f.log.waitFor("Vorentor pausado!")) << "the pause was not logged within 30 s";
    const int passesWhenPaused = f.log.count("[cycle]");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(f.log.count("[cycle]"), passesWhenPaused) << "no pass runs while paused";

    f.service.requestControl(ControlRequest::Continue);
    ASSERT_TRUE(f.log.waitFor("[cycle]", passesWhenPaused + 1))
        << "no cycle followed the continue within 30 s";
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(f.endsSoon());
    EXPECT_EQ(f.log.lines().last(), QStringLiteral("Finalização do serviço Vorenta."));
}

// The watchdog's feed comes from the waits too: a paused service and one at rest are alive.
TEST(ServiceLoop, HeartbeatBeatsWhilePausedAndDuringTheRest)
{
    LoopFixture f;
    std::atomic<int> beats{0};
    f.stop.setHeartbeat([&beats] { ++beats; }, 10ms);
    f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]")) << "no cycle began within 30 s";
    const int atRest = beats;
    std::this_thread::sleep_for(300ms);
    EXPECT_GE(beats - atRest, 5) << "no heartbeat during the rest";

    f.rest = 0ms;
    f.service.requestControl(ControlRequest::Pause);
    f.stop.request(); // ends the rest; the pause is taken at the top of the next pass
    ASSERT_TRUE(f.log.waitFor("Vorentor pausado!")) << "the pause was not logged within 30 s";
    const int paused = beats;
    std::this_thread::sleep_for(300ms);
    EXPECT_GE(beats - paused, 5) << "no heartbeat while paused";
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(f.endsSoon()) << "a stop while paused must end the loop";
}

TEST(ServiceLoop, StopOrShutdownWhilePausedEndsTheService)
{
    const std::pair<ControlRequest, QString> cases[] = {
        {ControlRequest::Stop, "Vorentor Pausado!"},
        {ControlRequest::Shutdown, "Vorentor Finalizado"},
    };
    for (const auto& [request, line] : cases) {
        SCOPED_TRACE(line.toStdString());
        LoopFixture f;
        f.rest = 10ms;
        f.run();
        f.service.requestControl(ControlRequest::Pause);
        ASSERT_TRUE(f.log.waitFor("Vorentor pausado!")) << "the pause was not logged within 30 s";
        f.service.requestControl(request);
        ASSERT_TRUE(f.endsSoon()) << "a paused service must end on this request";
        const QStringList lines = f.log.lines();
        EXPECT_EQ(lines.mid(lines.size() - 3),
                  QStringList({"Vorentor pausado!", line, "Finalização do serviço Vorenta."}));
    }
}

TEST(ServiceLoop, PassesFollowEachOtherAfterTheDefaultFiveSecondPause)
{
    SharedLog log;
    StopSignal stop;
    CollectorSettings settings;
    TVorenta service(settings, log, stop, [&log] { log.WriteLog("[cycle]"); });
    auto loop = std::async(std::launch::async, [&service] { service.ServiceExecute(); });
    struct StopOnExit {
        TVorenta& service;
        ~StopOnExit() { service.requestControl(ControlRequest::Stop); }
    } stopOnExit{service}; // a failed assertion must not leave the loop to hang the test
    ASSERT_TRUE(log.waitFor("[cycle]")) << "no cycle began within 30 s";
    // Counts passes, not time: a pause any shorter than this window would let a second pass in.
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(log.count("[cycle]"), 1) << "the next pass waits out the pause";
    service.requestControl(ControlRequest::Stop);
    ASSERT_EQ(loop.wait_for(30s), std::future_status::ready) << "a stop also ends the pause";
    EXPECT_EQ(log.lines(), QStringList({"Serviço Em Atividade", "[cycle]", "Vorentor Pausado!",
                                        "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, FailingCycleIsDroppedAndTheLoopGoesOn)
{
    LoopFixture f;
    f.throwInCycle = true;
    f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]", 3)) << "passes follow each other after a failed cycle";
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(f.endsSoon());
    EXPECT_EQ(f.log.count("Serviço Em Atividade"), f.log.count("[cycle]"));
}

// A pass that ran out of memory passed over devices: the loop ends with a line saying why, and
// the process is to exit with an error for systemd to restart it, in the loop and with --once.
TEST(ServiceLoop, APassOutOfMemoryEndsTheServiceAndSaysWhy)
{
    const QString line = "Coletor encerrado: memória insuficiente; reduza Simultaneos em Coletor.ini ou "
                         "aumente o limite de memória do serviço.";
    {
        LoopFixture f;
        f.outOfMemoryInCycle = true;
        f.run();
        ASSERT_TRUE(f.endsSoon()) << "the loop went on after a pass ran out of memory";
        EXPECT_EQ(f.log.lines(),
                  QStringList({"Serviço Em Atividade", "[cycle]", line, "Finalização do serviço Vorenta."}));
        EXPECT_TRUE(f.service.endedOutOfMemory());
    }
    {
        LoopFixture f;
        f.outOfMemoryInCycle = true;
        f.service.RunSinglePass();
        EXPECT_EQ(f.log.lines(),
                  QStringList({"Serviço Em Atividade", "[cycle]", line, "Finalização do serviço Vorenta."}));
        EXPECT_TRUE(f.service.endedOutOfMemory());
    }
    LoopFixture failing;
    failing.throwInCycle = true;
    failing.rest = 0ms;
    failing.service.RunSinglePass();
    EXPECT_FALSE(failing.service.endedOutOfMemory()) << "any other failure is not memory's";
}

TEST(ServiceLoop, SinglePassRunsOneCycle)
{
    LoopFixture f;
    f.rest = 0ms;
    f.service.RunSinglePass();
    EXPECT_EQ(f.log.lines(),
              QStringList({"Serviço Em Atividade", "[cycle]", "Finalização do serviço Vorenta."}));
}
