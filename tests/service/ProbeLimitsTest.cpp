#include "collector/service/ProbeLimits.h"

#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace vorenta {
namespace {

TEST(ProbeLimits, AddressesInFlightFitTheOpenFiles)
{
    EXPECT_EQ(SocketsPerAddress(), 12) << "identification's chain past its first GET";
    struct Case {
        int wanted;
        long long openFiles;
        int fit;
    };
    for (const Case& c : {Case{1024, 1048576, 1024}, Case{1024, 20000, 1024}, Case{1024, 1024, 80},
                          Case{64, 1024, 64}, Case{1024, 70, 1}, Case{16, 0, 1}}) {
        EXPECT_EQ(AddressesThatFit(c.wanted, c.openFiles), c.fit) << c.wanted << " in " << c.openFiles;
    }
}

TEST(ProbeLimits, SimultaneosFromColetorIni)
{
    struct Case {
        const char* line; // the [COLETOR] line, or nothing
        int simultaneous;
        bool notice;
    };
    const Case cases[] = {
        {"", ProbeLimits::kDefaultSimultaneous, false},
        {"Simultaneos=1\r\n", 1, false},
        {"Simultaneos= 64 \r\n", 64, false},
        {"Simultaneos=\r\n", ProbeLimits::kDefaultSimultaneous, false},
        {"Simultaneos=0\r\n", ProbeLimits::kDefaultSimultaneous, true},
        {"Simultaneos=-5\r\n", ProbeLimits::kDefaultSimultaneous, true},
        {"Simultaneos=muitos\r\n", ProbeLimits::kDefaultSimultaneous, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        test::TemporaryProgramFolder home;
        home.write("Coletor.ini", QByteArray("[COLETOR]\r\nChave=K\r\n") + c.line);
        const ProbeLimits limits = LoadProbeLimits(home.path());
        EXPECT_EQ(limits.simultaneous, c.simultaneous);
        EXPECT_EQ(limits.notices.size(), c.notice ? 1 : 0) << limits.notices.join('\n').toStdString();
    }

    // The soft limit of open files has been raised for what the addresses need.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max >= 1024 * 12 + 64) {
        EXPECT_GE(limit.rlim_cur, 1024u * 12 + 64);
    }
}

} // namespace
} // namespace vorenta
