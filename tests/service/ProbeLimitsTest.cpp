#include "collector/service/ProbeLimits.h"

#include "tests/support/TemporaryProgramFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace vorenta {
namespace {

TEST(ProbeLimits, SocketsThreadsAndAddressesFitTheLimits)
{
    // The engine's 64 sockets, with 64 descriptors kept aside; addresses need none of their own.
    struct SocketCase {
        long long openFiles;
        int fit;
    };
    for (const SocketCase& c : {SocketCase{1048576, 64}, SocketCase{256, 64}, SocketCase{128, 64},
                                SocketCase{100, 36}, SocketCase{70, 6}, SocketCase{0, 1}}) {
        EXPECT_EQ(SocketsThatFit(64, c.openFiles), c.fit) << c.openFiles << " open files";
    }
    // One probing thread a task; 8 tasks kept aside for the service and the user's shells.
    struct ProcessCase {
        int wanted;
        long long processes;
        int fit;
    };
    for (const ProcessCase& c : {ProcessCase{1024, 20, 12}, ProcessCase{1024, 63704, 1024},
                                 ProcessCase{16, 24, 16}, ProcessCase{16, 9, 1}, ProcessCase{16, 3, 1}}) {
        EXPECT_EQ(ThreadsThatFitProcesses(c.wanted, c.processes), c.fit) << c.wanted << " in " << c.processes;
    }
    // A 256 KiB stack and 68 KiB beside it a thread, 4 KiB an address in flight, 192 MiB kept aside.
    constexpr long long MiB = 1024 * 1024;
    struct MemoryCase {
        long long limit;
        long long used;
        int threads;   // of 1024 wanted
        int addresses; // of 262144 wanted, with those threads
    };
    // The threads take half of what is left at most.
    for (const MemoryCase& c : {MemoryCase{300000 * 1024LL, 100 * MiB, 1, 167},
                                MemoryCase{400 * MiB, 100 * MiB, 170, 13878},
                                MemoryCase{1024 * MiB, 100 * MiB, 1024, 104448},
                                MemoryCase{8192 * MiB, 100 * MiB, 1024, 262144},
                                MemoryCase{200 * MiB, 100 * MiB, 1, 1}}) {
        const int threads = ThreadsThatFitMemory(1024, c.limit, c.used, 256 * 1024);
        EXPECT_EQ(threads, c.threads) << c.limit << " bytes, " << c.used << " used";
        EXPECT_EQ(AddressesThatFitMemory(262144, c.limit, c.used, threads, 256 * 1024), c.addresses)
            << c.limit << " bytes, " << c.used << " used, " << threads << " threads";
    }
}

TEST(ProbeLimits, SettingsFromColetorIni)
{
    // The settings as the README and Coletor.ini promise them: Simultaneos 65536 by default, 1 to
    // 262144 taken as written; PacotesPorSegundo 200000 by default, 1 to 1000000; a larger number
    // the maximum, anything else the default, each with its line.
    struct Case {
        const char* line; // the [COLETOR] line, or nothing
        int simultaneous;
        int packets;
        const char* notice = nullptr;
    };
    const Case cases[] = {
        {"", 65536, 200000},
        {"Simultaneos=\r\n", 65536, 200000},
        {"Simultaneos=1\r\n", 1, 200000},
        {"Simultaneos=2\r\n", 2, 200000},
        {"Simultaneos= 64 \r\n", 64, 200000},
        {"Simultaneos=262143\r\n", 262143, 200000},
        {"Simultaneos=262144\r\n", 262144, 200000},
        {"Simultaneos=262145\r\n", 262144, 200000, "Simultaneos inválido em Coletor.ini: 262145; usando 262144."},
        {"Simultaneos=99999999999999999999\r\n", 262144, 200000,
         "Simultaneos inválido em Coletor.ini: 99999999999999999999; usando 262144."},
        {"Simultaneos=0\r\n", 65536, 200000, "Simultaneos inválido em Coletor.ini: 0; usando 65536."},
        {"Simultaneos=-5\r\n", 65536, 200000, "Simultaneos inválido em Coletor.ini: -5; usando 65536."},
        {"Simultaneos=2.5\r\n", 65536, 200000, "Simultaneos inválido em Coletor.ini: 2.5; usando 65536."},
        {"Simultaneos=muitos\r\n", 65536, 200000, "Simultaneos inválido em Coletor.ini: muitos; usando 65536."},
        {"PacotesPorSegundo=5000\r\n", 65536, 5000},
        {"PacotesPorSegundo=1000000\r\n", 65536, 1000000},
        {"PacotesPorSegundo=2000000\r\n", 65536, 1000000,
         "PacotesPorSegundo inválido em Coletor.ini: 2000000; usando 1000000."},
        {"PacotesPorSegundo=0\r\n", 65536, 200000, "PacotesPorSegundo inválido em Coletor.ini: 0; usando 200000."},
        {"PacotesPorSegundo=rapido\r\n", 65536, 200000,
         "PacotesPorSegundo inválido em Coletor.ini: rapido; usando 200000."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        test::TemporaryProgramFolder home;
        home.write("Coletor.ini", QByteArray("[COLETOR]\r\nChave=K\r\n") + c.line);
        const ProbeLimits limits = LoadProbeLimits(home.path());
        EXPECT_EQ(limits.simultaneous, c.simultaneous);
        EXPECT_EQ(limits.packetsPerSecond, c.packets);
        // The test runs without limits of memory or processes that would lower these.
        EXPECT_EQ(limits.notices.join('\n').toStdString(), c.notice ? std::string(c.notice) : std::string());
    }
}

} // namespace
} // namespace vorenta
