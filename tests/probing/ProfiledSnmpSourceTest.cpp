// Choosing a profile per address, against net-snmp's snmpd: which profile a visit settles on, the
// lines it writes, and what a silent address costs.
#include "collector/probing/ProfiledSnmpSource.h"
#include "collector/probing/IdentifyDevice.h"
#include "collector/probing/PrefetchingSnmpSource.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SilentHosts.h"
#include "tests/support/SnmpPeers.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vorenta {
namespace {

using test::CapturingLogSink;
using test::NetSnmpAgent;

constexpr int kWaitMs = 400;
constexpr std::uint16_t kPort = 16141;
const QString kSysLocation = QStringLiteral("1.3.6.1.2.1.1.6.0");

SnmpProfile Community(const char* name, snmp::SnmpVersion version, const char* community,
                      QList<AddressSpan> ranges = {})
{
    SnmpProfile profile;
    profile.name = QString::fromLatin1(name);
    profile.credentials.version = version;
    profile.credentials.community = community;
    profile.ranges = std::move(ranges);
    return profile;
}

SnmpProfile User(const char* name, const char* user, const char* authPassword)
{
    SnmpProfile profile;
    profile.name = QString::fromLatin1(name);
    profile.credentials.version = snmp::SnmpVersion::V3;
    profile.credentials.user = user;
    profile.credentials.auth = snmp::AuthProtocol::Sha256;
    profile.credentials.authPassword = authPassword;
    profile.credentials.priv = snmp::PrivProtocol::Aes128;
    profile.credentials.privPassword = "senha-de-privacidade";
    return profile;
}

/// snmpd at one address answering v1 "public" (or not), v2c "empresa" and the v3 user "coletor".
class ProfiledAgent : public ::testing::Test {
protected:
    void start(bool withPublic)
    {
        agent.emplace(test::UniqueLoopbackPrefix() + (withPublic ? "41" : "42"), kPort);
        if (!withPublic)
            agent->withoutPublic();
        ASSERT_TRUE(agent->start({"sysLocation Sala 4", "rocommunity empresa 127.0.0.0/8",
                                  "createUser coletor SHA-256 senha-de-autenticacao AES senha-de-privacidade",
                                  "rouser coletor priv"}))
            << agent->log();
    }
    QString address() const { return QString::fromStdString(agent->address()); }

    std::optional<NetSnmpAgent> agent;
};

TEST_F(ProfiledAgent, TheEarliestProfileThatAnsweredIsKeptForTheVisit)
{
    if (!NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    start(true);
    const SnmpProfile wrong = Community("errada", snmp::SnmpVersion::V2c, "errada");
    const SnmpProfile empresa = Community("escritorio", snmp::SnmpVersion::V2c, "empresa");
    const SnmpProfile seguro = User("seguro", "coletor", "senha-de-autenticacao");
    const struct {
        const char* what;
        QList<SnmpProfile> profiles;
        const char* chosen;
        QStringList lines;
    } cases[] = {
        {"v1 public first: it answers, no line", {PublicProfile(), empresa, seguro}, "public", {}},
        {"the list order decides between two that answer",
         {wrong, seguro, empresa},
         "seguro",
         {QStringLiteral("SNMP perfil seguro (v3) em %1")}},
        {"v2c after a silent one",
         {wrong, empresa},
         "escritorio",
         {QStringLiteral("SNMP perfil escritorio (v2c) em %1")}},
    };
    for (const auto& c : cases) {
        SnmpProfiles profiles(c.profiles, kPort, kWaitMs);
        CapturingLogSink log;
        ProfiledSnmpSource source(profiles, address(), log);
        const SnmpAnswer first = source.SnmpGet(kSysLocation, QStringLiteral("public"), address());
        EXPECT_TRUE(first.ok) << c.what;
        EXPECT_EQ(first.value, u"Sala 4") << c.what;
        ASSERT_NE(source.chosen(), nullptr) << c.what;
        EXPECT_EQ(source.chosen()->name, QString::fromLatin1(c.chosen)) << c.what;
        // Later GETs go with the chosen profile alone: Counter32 and an object the agent lacks.
        const SnmpAnswer missing =
            source.SnmpGet(QStringLiteral("1.3.6.1.2.1.1.99.0"), QStringLiteral("public"), address());
        EXPECT_EQ(missing.ok, source.chosen()->credentials.version == snmp::SnmpVersion::V1) << c.what;
        EXPECT_FALSE(missing.timedOut) << c.what;
        QStringList expected;
        for (const QString& line : c.lines)
            expected.append(line.arg(address()));
        EXPECT_EQ(log.lines, expected) << c.what;

        // The next pass: the same profile, first in line, and no second line for it.
        CapturingLogSink again;
        ProfiledSnmpSource next(profiles, address(), again);
        EXPECT_EQ(profiles.forAddress(address()).front()->name, QString::fromLatin1(c.chosen)) << c.what;
        EXPECT_TRUE(next.SnmpGet(kSysLocation, QStringLiteral("public"), address()).ok) << c.what;
        EXPECT_TRUE(again.lines.isEmpty()) << c.what << ": " << again.lines.join(u'|').toStdString();
    }
}

TEST_F(ProfiledAgent, AnAgentThatAnswersOnlyV3AndARefusedUser)
{
    if (!NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    start(false);
    SnmpProfiles profiles({PublicProfile(), User("antigo", "coletor", "senha-que-mudou"),
                           Community("escritorio", snmp::SnmpVersion::V2c, "public"),
                           User("seguro", "coletor", "senha-de-autenticacao")},
                          kPort, kWaitMs);
    CapturingLogSink log;
    ProfiledSnmpSource source(profiles, address(), log);
    const SnmpAnswer answer = source.SnmpGet(kSysLocation, QStringLiteral("public"), address());
    EXPECT_TRUE(answer.ok);
    EXPECT_EQ(answer.value, u"Sala 4");
    ASSERT_NE(source.chosen(), nullptr);
    EXPECT_EQ(source.chosen()->name, u"seguro");
    EXPECT_EQ(
        log.lines,
        QStringList({QStringLiteral("Falha de autenticação SNMPv3 em %1 (usuário coletor): senha ou usuário "
                                    "incorreto")
                         .arg(address()),
                     QStringLiteral("SNMP perfil seguro (v3) em %1").arg(address())}));
    for (const QString& line : log.lines)
        EXPECT_FALSE(line.contains(u"senha-")) << line.toStdString();
}

TEST_F(ProfiledAgent, FaixasLeaveAProfileOutForAddressesOutsideThem)
{
    if (!NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    start(false);
    const quint32 here = *Ipv4Number(address());
    const SnmpProfile elsewhere =
        Community("filial", snmp::SnmpVersion::V2c, "empresa", {{here + 1, here + 9}});
    const SnmpProfile covering = Community("sede", snmp::SnmpVersion::V2c, "empresa", {{here - 1, here + 1}});
    SnmpProfiles profiles({elsewhere, covering}, kPort, kWaitMs);
    const QList<const SnmpProfile*> applying = profiles.forAddress(address());
    ASSERT_EQ(applying.size(), 1);
    EXPECT_EQ(applying.front()->name, u"sede");

    SnmpProfiles onlyElsewhere({elsewhere}, kPort, kWaitMs);
    CapturingLogSink log;
    ProfiledSnmpSource source(onlyElsewhere, address(), log);
    EXPECT_FALSE(source.SnmpGet(kSysLocation, QStringLiteral("public"), address()).ok)
        << "no profile applies: nothing may be asked";
    EXPECT_EQ(source.chosen(), nullptr);
}

// Every profile's GET goes out at once, so a silent address still costs the two waits of early
// silence, however many profiles the site has.
TEST(ProfiledSilence, ASilentAddressCostsTwoWaits)
{
    const std::string prefix = test::UniqueLoopbackPrefix();
    test::SilentHosts silent(prefix, 43, 43, {}, kPort);
    const QString address = QString::fromStdString(prefix + "43");
    SnmpProfiles profiles({PublicProfile(), Community("escritorio", snmp::SnmpVersion::V2c, "empresa"),
                           User("seguro", "coletor", "senha-de-autenticacao")},
                          kPort, kWaitMs);
    CapturingLogSink log;
    ProfiledSnmpSource profiled(profiles, address, log);
    PrefetchingSnmpSource early(profiled);
    DeviceReading reading;
    const auto started = std::chrono::steady_clock::now();
    IdentifyDevice(reading, address, early, log);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(early.prefetched());
    EXPECT_TRUE(reading.NSerie.isEmpty());
    EXPECT_GE(took, std::chrono::milliseconds(2 * kWaitMs));
    EXPECT_LT(took, std::chrono::milliseconds(3 * kWaitMs)) << "more than two waits for a silent address";
    EXPECT_TRUE(log.lines.isEmpty());
}

} // namespace
} // namespace vorenta
