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

TEST(ProbeLimits, AddressesInFlightFitTheMemoryAndTheProcesses)
{
    // A 256 KiB stack, its 4 KiB guard and 64 KiB of replies an address; 192 MiB kept aside.
    constexpr long long MiB = 1024 * 1024;
    struct MemoryCase {
        int wanted;
        long long limit;
        long long used;
        int fit;
    };
    for (const MemoryCase& c : {MemoryCase{4096, 300000 * 1024LL, 100 * MiB, 3},
                                MemoryCase{4096, 1024 * MiB, 100 * MiB, 2313},
                                MemoryCase{1024, 8192 * MiB, 100 * MiB, 1024},
                                MemoryCase{64, 200 * MiB, 100 * MiB, 1}}) {
        EXPECT_EQ(AddressesThatFitMemory(c.wanted, c.limit, c.used, 256 * 1024), c.fit)
            << c.wanted << " in " << c.limit << " bytes, " << c.used << " used";
    }
    // One probing thread an address; 8 tasks kept aside for the service and the user's shells.
    struct ProcessCase {
        int wanted;
        long long processes;
        int fit;
    };
    for (const ProcessCase& c : {ProcessCase{4096, 20, 12}, ProcessCase{1024, 63704, 1024},
                                 ProcessCase{16, 24, 16}, ProcessCase{16, 9, 1}, ProcessCase{16, 3, 1}}) {
        EXPECT_EQ(AddressesThatFitProcesses(c.wanted, c.processes), c.fit) << c.wanted << " in " << c.processes;
    }
}

TEST(ProbeLimits, SimultaneosFromColetorIni)
{
    // The limits as the README and Coletor.ini promise them: 1024 by default, 1 to 4096 taken as
    // written, a larger number the maximum, anything else the default, each with its line.
    struct Case {
        const char* line; // the [COLETOR] line, or nothing
        int taken;
        const char* notice = nullptr;
    };
    const Case cases[] = {
        {"", 1024},
        {"Simultaneos=\r\n", 1024},
        {"Simultaneos=1\r\n", 1},
        {"Simultaneos=2\r\n", 2},
        {"Simultaneos= 64 \r\n", 64},
        {"Simultaneos=1024\r\n", 1024},
        {"Simultaneos=4095\r\n", 4095},
        {"Simultaneos=4096\r\n", 4096},
        {"Simultaneos=4097\r\n", 4096, "Simultaneos inválido em Coletor.ini: 4097; usando 4096."},
        {"Simultaneos=1000000\r\n", 4096, "Simultaneos inválido em Coletor.ini: 1000000; usando 4096."},
        {"Simultaneos=99999999999999999999\r\n", 4096,
         "Simultaneos inválido em Coletor.ini: 99999999999999999999; usando 4096."},
        {"Simultaneos=0\r\n", 1024, "Simultaneos inválido em Coletor.ini: 0; usando 1024."},
        {"Simultaneos=-5\r\n", 1024, "Simultaneos inválido em Coletor.ini: -5; usando 1024."},
        {"Simultaneos=2.5\r\n", 1024, "Simultaneos inválido em Coletor.ini: 2.5; usando 1024."},
        {"Simultaneos=muitos\r\n", 1024, "Simultaneos inválido em Coletor.ini: muitos; usando 1024."},
    };

    // What this machine's hard limit of open files lets through: 12 sockets an address and 64
    // descriptors kept aside; a number that does not fit is lowered, with its own line.
    rlimit hard{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &hard), 0);
    const long long fit =
        hard.rlim_max == RLIM_INFINITY ? 1LL << 40 : (static_cast<long long>(hard.rlim_max) - 64) / 12;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        test::TemporaryProgramFolder home;
        home.write("Coletor.ini", QByteArray("[COLETOR]\r\nChave=K\r\n") + c.line);
        const ProbeLimits limits = LoadProbeLimits(home.path());

        QStringList notices;
        if (c.notice)
            notices << QString::fromUtf8(c.notice);
        int simultaneous = c.taken;
        if (c.taken > fit) {
            simultaneous = static_cast<int>(fit);
            notices << QStringLiteral(
                           "Simultaneos limitado a %1 endereços pelo limite de %2 arquivos abertos.")
                           .arg(fit)
                           .arg(static_cast<long long>(hard.rlim_max));
        }
        EXPECT_EQ(limits.simultaneous, simultaneous);
        EXPECT_EQ(limits.notices.join('\n').toStdString(), notices.join('\n').toStdString());
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
