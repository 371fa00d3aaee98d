// v2c and v3 GETs against agents we did not write: net-snmp's snmpd with a second community and
// one USM user per authentication and privacy pair, and snmpsimd serving a recording.
#include "collector/snmp/ProfileGet.h"
#include "tests/snmp/Octets.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/Peers.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/SnmpRecording.h"
#include "tests/support/TestCredentials.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vorenta::snmp {
namespace {

using test::Community;

using test::NetSnmpAgent;
using test::UniqueLoopbackPrefix;

constexpr int kWaitMs = 2000;
constexpr const char* kSysLocation = "1.3.6.1.2.1.1.6.0";

/// One USM user of the agent, the way snmpd.conf creates it, and the credentials that reach it.
struct UserCase {
    const char* name;
    const char* authText; // as snmpd.conf writes it
    AuthProtocol auth;
    const char* privText; // empty: authNoPriv
    PrivProtocol priv;
};

const UserCase kUsers[] = {
    {"md5semcifra", "MD5", AuthProtocol::Md5, "", PrivProtocol::None},
    {"shasemcifra", "SHA", AuthProtocol::Sha1, "", PrivProtocol::None},
    {"sha256semcifra", "SHA-256", AuthProtocol::Sha256, "", PrivProtocol::None},
    {"md5des", "MD5", AuthProtocol::Md5, "DES", PrivProtocol::Des},
    {"shades", "SHA", AuthProtocol::Sha1, "DES", PrivProtocol::Des},
    {"md5aes", "MD5", AuthProtocol::Md5, "AES", PrivProtocol::Aes128},
    {"shaaes", "SHA", AuthProtocol::Sha1, "AES", PrivProtocol::Aes128},
    {"sha256aes", "SHA-256", AuthProtocol::Sha256, "AES", PrivProtocol::Aes128},
    {"sha256aes256", "SHA-256", AuthProtocol::Sha256, "AES256", PrivProtocol::Aes256},
    {"shaaes256", "SHA", AuthProtocol::Sha1, "AES256", PrivProtocol::Aes256}, // key extended
    {"md5aes256", "MD5", AuthProtocol::Md5, "AES256", PrivProtocol::Aes256},  // key extended twice
    {"sha512aes192", "SHA-512", AuthProtocol::Sha512, "AES192", PrivProtocol::Aes192},
    {"sha224des", "SHA-224", AuthProtocol::Sha224, "DES", PrivProtocol::Des},
    {"sha384aes", "SHA-384", AuthProtocol::Sha384, "AES", PrivProtocol::Aes128},
};

constexpr const char* kAuthPassword = "senha-de-autenticacao";
constexpr const char* kPrivPassword = "senha-de-privacidade";

Credentials V3(const UserCase& user)
{
    Credentials credentials;
    credentials.version = SnmpVersion::V3;
    credentials.user = user.name;
    credentials.auth = user.auth;
    credentials.authPassword = kAuthPassword;
    credentials.priv = user.priv;
    credentials.privPassword = user.priv == PrivProtocol::None ? "" : kPrivPassword;
    return credentials;
}

std::vector<std::string> AgentConfiguration()
{
    std::vector<std::string> lines = {"sysLocation Sala 7 - Financeiro", "rocommunity empresa 127.0.0.0/8"};
    for (const UserCase& user : kUsers) {
        std::string line = std::string("createUser ") + user.name + " " + user.authText + " " + kAuthPassword;
        if (*user.privText)
            line += std::string(" ") + user.privText + " " + kPrivPassword;
        lines.push_back(line);
        lines.push_back(std::string("rouser ") + user.name + (*user.privText ? " priv" : " auth"));
    }
    return lines;
}

GetResult GetOne(const Credentials& credentials, const std::string& address, std::uint16_t port,
                 UsmEngines& engines, const char* oid = kSysLocation, int waitMs = kWaitMs)
{
    const ProfileRequest request{&credentials, oid};
    return SnmpGetWith(std::span(&request, 1), address, port, waitMs, -1, engines).front();
}

class ProfilePeers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!NetSnmpAgent::available())
            return;
        s_agent = new NetSnmpAgent(UniqueLoopbackPrefix() + "31", 16131);
        s_started = s_agent->start(AgentConfiguration());
    }
    static void TearDownTestSuite()
    {
        delete s_agent;
        s_agent = nullptr;
    }
    void SetUp() override
    {
        if (!NetSnmpAgent::available())
            VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
        ASSERT_TRUE(s_started) << s_agent->log();
    }
    static NetSnmpAgent* s_agent;
    static bool s_started;
};

NetSnmpAgent* ProfilePeers::s_agent = nullptr;
bool ProfilePeers::s_started = false;

TEST_F(ProfilePeers, EveryAuthenticationAndPrivacyPairReadsTheValue)
{
    UsmEngines engines;
    for (const UserCase& user : kUsers) {
        const GetResult result = GetOne(V3(user), s_agent->address(), s_agent->port(), engines);
        EXPECT_TRUE(result.ok) << user.name << ": failure " << static_cast<int>(result.failure);
        EXPECT_EQ(result.value, "Sala 7 - Financeiro") << user.name;
    }
}

TEST_F(ProfilePeers, KeysAreComputedOncePerPasswordAndTheEngineIsKnownAfterwards)
{
    UsmEngines engines;
    const Credentials credentials = V3(kUsers[8]); // SHA-256, AES-256
    const std::string endpoint = s_agent->address() + ":" + std::to_string(s_agent->port());
    EXPECT_FALSE(engines.engineAt(endpoint));
    ASSERT_TRUE(GetOne(credentials, s_agent->address(), s_agent->port(), engines).ok);
    ASSERT_TRUE(engines.engineAt(endpoint));
    EXPECT_FALSE(engines.engineAt(endpoint)->engineId.empty());
    EXPECT_EQ(engines.masterKeysComputed(), 2); // authentication and privacy passwords
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(
            GetOne(credentials, s_agent->address(), s_agent->port(), engines, "1.3.6.1.2.1.1.1.0").ok);
    EXPECT_EQ(engines.masterKeysComputed(), 2);
}

TEST_F(ProfilePeers, AClockOutsideTheTimeWindowIsResynchronisedOnce)
{
    UsmEngines engines;
    const Credentials credentials = V3(kUsers[6]); // SHA, AES
    ASSERT_TRUE(GetOne(credentials, s_agent->address(), s_agent->port(), engines).ok);
    const std::string endpoint = s_agent->address() + ":" + std::to_string(s_agent->port());
    EngineClock stale = *engines.engineAt(endpoint);
    stale.time += 1000; // far past the 150 s window
    engines.learn(endpoint, stale);
    const GetResult result = GetOne(credentials, s_agent->address(), s_agent->port(), engines);
    EXPECT_TRUE(result.ok) << static_cast<int>(result.failure);
    EXPECT_EQ(result.value, "Sala 7 - Financeiro");
    EXPECT_LT(engines.engineAt(endpoint)->time, stale.time);
}

TEST_F(ProfilePeers, WrongUsersAndPasswordsAreAuthenticationFailures)
{
    struct Case {
        const char* what;
        Credentials credentials;
        GetFailure failure;
    };
    Credentials unknownUser = V3(kUsers[6]);
    unknownUser.user = "ninguem";
    Credentials wrongAuth = V3(kUsers[6]);
    wrongAuth.authPassword = "senha-errada-aqui";
    Credentials wrongPriv = V3(kUsers[6]);
    wrongPriv.privPassword = "senha-errada-aqui";
    Credentials wrongAuthDes = V3(kUsers[3]);
    wrongAuthDes.authPassword = "outra-senha-errada";
    // snmpd reports an unknown user and a wrong digest at once; a scoped PDU it cannot decrypt
    // (the digest was right, the privacy password wrong) it drops without a word.
    const Case cases[] = {
        {"unknown user", unknownUser, GetFailure::AuthenticationFailed},
        {"wrong authentication password", wrongAuth, GetFailure::AuthenticationFailed},
        {"wrong password, MD5 and DES", wrongAuthDes, GetFailure::AuthenticationFailed},
        {"wrong privacy password", wrongPriv, GetFailure::Timeout},
    };
    UsmEngines engines;
    for (const Case& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        const GetResult result =
            GetOne(c.credentials, s_agent->address(), s_agent->port(), engines, kSysLocation, 500);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.failure, c.failure) << c.what;
        if (c.failure == GetFailure::AuthenticationFailed) {
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
                << c.what << ": the report should end the GET, not the wait";
        }
    }
}

TEST_F(ProfilePeers, V2cWithTheSiteCommunity)
{
    UsmEngines engines;
    const Credentials empresa = Community(SnmpVersion::V2c, "empresa");
    GetResult result = GetOne(empresa, s_agent->address(), s_agent->port(), engines);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "Sala 7 - Financeiro");
    // An object the agent does not have is noSuchObject in v2c: a failed GET, but an answer.
    result = GetOne(empresa, s_agent->address(), s_agent->port(), engines, "1.3.6.1.2.1.1.99.0");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure, GetFailure::NoSuchObject);
    EXPECT_TRUE(Answered(result));
    // A wrong community is dropped by snmpd: the whole wait passes.
    result = GetOne(Community(SnmpVersion::V2c, "errada"), s_agent->address(), s_agent->port(), engines,
                    kSysLocation, 300);
    EXPECT_EQ(result.failure, GetFailure::Timeout);
}

TEST_F(ProfilePeers, AllProfilesAtOnceCostOneWait)
{
    UsmEngines engines;
    const Credentials silent = Community(SnmpVersion::V2c, "errada");
    const Credentials v3 = V3(kUsers[7]);
    const Credentials v1 = Community(SnmpVersion::V1, "public");
    const ProfileRequest requests[] = {{&silent, kSysLocation}, {&v3, kSysLocation}, {&v1, kSysLocation}};
    const auto started = std::chrono::steady_clock::now();
    const std::vector<GetResult> results =
        SnmpGetWith(requests, s_agent->address(), s_agent->port(), 500, -1, engines);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(results[0].failure, GetFailure::Timeout);
    EXPECT_TRUE(results[1].ok);
    EXPECT_TRUE(results[2].ok);
    EXPECT_GE(took, std::chrono::milliseconds(500));
    EXPECT_LT(took, std::chrono::milliseconds(1000)) << "discovery and GET must share the one wait";
}

TEST(ProfilePeersV3Only, AnAgentThatAnswersOnlyV3)
{
    if (!NetSnmpAgent::available())
        VORENTA_PEER_MISSING("snmpd (Debian package snmpd)");
    NetSnmpAgent agent(UniqueLoopbackPrefix() + "32", 16132);
    agent.withoutPublic();
    ASSERT_TRUE(agent.start({"sysLocation Cofre",
                             "createUser coletor SHA-256 senha-de-autenticacao AES "
                             "senha-de-privacidade",
                             "rouser coletor priv"}))
        << agent.log();
    UsmEngines engines;
    EXPECT_EQ(GetOne(Community(SnmpVersion::V1, "public"), agent.address(), agent.port(), engines,
                     kSysLocation, 300)
                  .failure,
              GetFailure::Timeout);
    EXPECT_EQ(GetOne(Community(SnmpVersion::V2c, "public"), agent.address(), agent.port(), engines,
                     kSysLocation, 300)
                  .failure,
              GetFailure::Timeout);
    Credentials coletor;
    coletor.version = SnmpVersion::V3;
    coletor.user = "coletor";
    coletor.auth = AuthProtocol::Sha256;
    coletor.authPassword = kAuthPassword;
    coletor.priv = PrivProtocol::Aes128;
    coletor.privPassword = kPrivPassword;
    const GetResult result = GetOne(coletor, agent.address(), agent.port(), engines);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.value, "Cofre");
}

TEST(ProfilePeersSimulator, Counter64OverV2cFromARecordingUnderAnotherCommunity)
{
    if (!test::SnmpSimulator::available())
        VORENTA_PEER_MISSING("snmpsimd (Debian package snmpsim)");
    test::SnmpSimulator simulator(UniqueLoopbackPrefix() + "33", 16133);
    ASSERT_TRUE(simulator.start("1.3.6.1.2.1.1.1.0|4|Impressora da filial\n"
                                "1.3.6.1.2.1.31.1.1.1.6.1|70|18446744073709551615\n"
                                "1.3.6.1.2.1.31.1.1.1.10.1|70|4294967296\n",
                                "filial"))
        << simulator.log();
    UsmEngines engines;
    const Credentials filial = Community(SnmpVersion::V2c, "filial");
    struct Case {
        const char* oid;
        const char* value;
    };
    const Case cases[] = {
        {"1.3.6.1.2.1.1.1.0", "Impressora da filial"},
        {"1.3.6.1.2.1.31.1.1.1.6.1", "18446744073709551615"},
        {"1.3.6.1.2.1.31.1.1.1.10.1", "4294967296"},
    };
    for (const Case& c : cases) {
        const GetResult result = GetOne(filial, simulator.address(), simulator.port(), engines, c.oid);
        EXPECT_TRUE(result.ok) << c.oid;
        EXPECT_EQ(result.value, c.value) << c.oid;
    }
}

} // namespace
} // namespace vorenta::snmp
