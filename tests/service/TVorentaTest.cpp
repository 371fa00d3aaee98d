#include "collector/service/TVorenta.h"

#include "tests/support/CapturingLogSink.h"

#include <future>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace vorenta;

namespace {

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
    TVorenta service{settings, log, stop,
                     [this] {
                         log.WriteLog("[cycle]");
                         if (throwInCycle)
                             throw std::runtime_error("falha");
                         stop.waitFor(rest);
                     },
                     20ms};

    std::future<void> run()
    {
        return std::async(std::launch::async, [this] { service.ServiceExecute(); });
    }
};

bool endsSoon(std::future<void>& loop)
{
    return loop.wait_for(30s) == std::future_status::ready;
}

} // namespace

TEST(ServiceLoop, StopDuringTheRestEndsTheServiceWithItsLines)
{
    LoopFixture f;
    auto loop = f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]"));
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(endsSoon(loop)) << "a stop during the rest must end the loop";
    EXPECT_EQ(f.log.lines(), QStringList({"Serviço Em Atividade", "[cycle]", "Vorentor Pausado!",
                                          "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, ShutdownWritesItsOwnLine)
{
    LoopFixture f;
    auto loop = f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]"));
    f.service.requestControl(ControlRequest::Shutdown);
    ASSERT_TRUE(endsSoon(loop));
    EXPECT_EQ(f.log.lines().mid(2), QStringList({"Vorentor Finalizado", "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, PauseHoldsTheNextPassUntilContinue)
{
    LoopFixture f;
    f.rest = 50ms;
    auto loop = f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]"));
    f.service.requestControl(ControlRequest::Pause);
    ASSERT_TRUE(f.log.waitFor("Vorentor pausado!"));
    const int passesWhenPaused = f.log.count("[cycle]");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(f.log.count("[cycle]"), passesWhenPaused) << "no pass runs while paused";

    f.service.requestControl(ControlRequest::Continue);
    ASSERT_TRUE(f.log.waitFor("[cycle]", passesWhenPaused + 1));
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(endsSoon(loop));
    EXPECT_EQ(f.log.lines().last(), QStringLiteral("Finalização do serviço Vorenta."));
}

TEST(ServiceLoop, StopWhilePausedEndsTheService)
{
    LoopFixture f;
    f.rest = 10ms;
    auto loop = f.run();
    f.service.requestControl(ControlRequest::Pause);
    ASSERT_TRUE(f.log.waitFor("Vorentor pausado!"));
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(endsSoon(loop));
    const QStringList lines = f.log.lines();
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"Vorentor Pausado!", "Finalização do serviço Vorenta."}));
}

TEST(ServiceLoop, FailingCycleIsDroppedAndTheLoopGoesOn)
{
    LoopFixture f;
    f.throwInCycle = true;
    auto loop = f.run();
    ASSERT_TRUE(f.log.waitFor("[cycle]", 3)) << "passes follow each other after a failed cycle";
    f.service.requestControl(ControlRequest::Stop);
    ASSERT_TRUE(endsSoon(loop));
    EXPECT_EQ(f.log.count("Serviço Em Atividade"), f.log.count("[cycle]"));
}

TEST(ServiceLoop, SinglePassRunsOneCycle)
{
    LoopFixture f;
    f.rest = 0ms;
    f.service.RunSinglePass();
    EXPECT_EQ(f.log.lines(),
              QStringList({"Serviço Em Atividade", "[cycle]", "Finalização do serviço Vorenta."}));
}
