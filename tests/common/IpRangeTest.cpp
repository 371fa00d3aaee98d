#include "common/IpRange.h"

#include <gtest/gtest.h>

using namespace vorenta;

namespace {

struct RuleCase {
    const char* start;
    const char* end;
    IpRangeProblem problem;
    const char* reason; // the exact text the technician and the log read; empty for an accepted range
};

QList<IpRange> listed()
{
    return {IpRange{"127.10.0.", 1, 9}, IpRange{"127.10.2.", 100, 300}};
}

} // namespace

TEST(IpRangeRules, TheRulesTheToolAndTheCollectorShare)
{
    const RuleCase cases[] = {
        {"127.10.3.1", "127.10.3.254", IpRangeProblem::None, ""},
        {"127.10.3.7", "127.10.3.7", IpRangeProblem::None, ""},
        {" 127.10.3.1\t", "127.10.3.10", IpRangeProblem::None, ""},
        {"127.10.0.10", "127.10.0.20", IpRangeProblem::None, ""}, // next to a listed range
        {"127.10.0.250", "127.10.1.5", IpRangeProblem::OtherNetwork,
         "O IP final deve estar na mesma rede /24 do IP inicial: 127.10.0.x"},
        {"192.168.1", "192.168.1.300", IpRangeProblem::StartNotAddress,
         "O IP inicial deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.0.1"},
        {"192.168.1.1", "192.168.1.300", IpRangeProblem::EndNotAddress,
         "O IP final deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.1.254"},
        {"192.168.1.1", "192.168.1", IpRangeProblem::EndNotAddress,
         "O IP final deve ser um endereço completo, quatro números de 0 a 255 separados por pontos: "
         "192.168.1.254"},
        {"", "10.0.0.1", IpRangeProblem::StartNotAddress, nullptr},
        {"10..0.1", "10.0.0.1", IpRangeProblem::StartNotAddress, nullptr},
        {"256.0.0.1", "256.0.0.2", IpRangeProblem::StartNotAddress, nullptr},
        {"10.0.0.1.", "10.0.0.2", IpRangeProblem::StartNotAddress, nullptr},
        {"a.b.c.1", "a.b.c.2", IpRangeProblem::StartNotAddress, nullptr},
        {"127.10.3.20", "127.10.3.10", IpRangeProblem::EndBeforeStart,
         "O IP final deve ser igual ou maior que o IP inicial: 127.10.3.10 - 127.10.3.20"},
        {"127.10.0.1", "127.10.0.9", IpRangeProblem::AlreadyListed,
         "Este range já está na lista: 127.10.0.1 - 127.10.0.9"},
        {"127.10.0.5", "127.10.0.30", IpRangeProblem::Overlaps,
         "Este range tem IPs em comum com o range 127.10.0.1 - 127.10.0.9 da lista: informe IPs fora dele "
         "ou exclua-o antes."},
        {"127.10.0.2", "127.10.0.3", IpRangeProblem::Overlaps, nullptr},
        {"127.10.2.254", "127.10.2.254", IpRangeProblem::Overlaps, nullptr},
        // .100 to .254 is what the stored .100 - .300 walks: the same hosts.
        {"127.10.2.100", "127.10.2.254", IpRangeProblem::AlreadyListed, nullptr},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        const IpRangeVerdict verdict = CheckIpRange(QString::fromUtf8(c.start), QString::fromUtf8(c.end), listed());
        EXPECT_EQ(verdict.problem, c.problem);
        EXPECT_EQ(verdict.ok(), c.problem == IpRangeProblem::None);
        if (c.reason)
            EXPECT_EQ(verdict.reason.toStdString(), c.reason);
        else
            EXPECT_FALSE(verdict.reason.isEmpty());
    }
}

TEST(IpRangeRules, WhatTheVerdictSaysAboutTheListedRange)
{
    const struct {
        const char* start;
        const char* end;
        qsizetype listedIndex;
        bool covered;
    } cases[] = {
        {"127.10.0.1", "127.10.0.9", 0, true},     // the same
        {"127.10.0.3", "127.10.0.4", 0, true},     // inside
        {"127.10.0.5", "127.10.0.30", 0, false},   // partly: hosts of its own
        {"127.10.2.90", "127.10.2.110", 1, false}, // partly, on the second listed
        {"127.10.2.200", "127.10.2.255", 1, true}, // 255 is never walked
        {"127.10.1.1", "127.10.1.9", -1, false},   // another network
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " - " + c.end);
        const IpRangeVerdict verdict = CheckIpRange(QString::fromUtf8(c.start), QString::fromUtf8(c.end), listed());
        EXPECT_EQ(verdict.listedIndex, c.listedIndex);
        EXPECT_EQ(verdict.coveredByListed, c.covered);
        ASSERT_TRUE(verdict.range);
    }
}

TEST(IpRangeRules, StoredEndsPastTheNetworkAreReadOnlyWhenAskedFor)
{
    EXPECT_EQ(CheckIpRange("10.0.0.250", "10.0.0.300", {}).problem, IpRangeProblem::EndNotAddress);
    const IpRangeVerdict stored = CheckIpRange("10.0.0.250", "10.0.0.300", {}, IpRangeEnd::HostPastNetwork);
    ASSERT_TRUE(stored.ok()) << stored.reason.toStdString();
    EXPECT_EQ(stored.range->prefix, "10.0.0.");
    EXPECT_EQ(stored.range->firstHost, 250);
    EXPECT_EQ(stored.range->lastHost, 300);
    // The start is always a whole address.
    EXPECT_EQ(CheckIpRange("10.0.0.300", "10.0.0.300", {}, IpRangeEnd::HostPastNetwork).problem,
              IpRangeProblem::StartNotAddress);
}

TEST(IpRangeRules, LeadingZerosReadAsTheNumberAndTheTextIsCanonical)
{
    const IpRangeVerdict verdict = CheckIpRange("010.000.001.001", "10.0.1.020", {});
    ASSERT_TRUE(verdict.ok()) << verdict.reason.toStdString();
    EXPECT_EQ(verdict.range->text(), "10.0.1.1 - 10.0.1.20");
}
