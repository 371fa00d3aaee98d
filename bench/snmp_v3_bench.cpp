// What a v3 authPriv GET costs against a v1 GET. The codec alone (request built, reply read: for
// v3 with its HMAC and AES), and a whole GET over loopback to net-snmp's snmpd, once its engine
// and keys are known and once from nothing (discovery and the two password-to-key hashings).
// Loopback only: the agent is started here on 127.x.
#include "collector/snmp/BerEncoder.h"
#include "collector/snmp/ProfileGet.h"
#include "collector/snmp/ReplyDecoder.h"
#include "collector/snmp/UsmCrypto.h"
#include "collector/snmp/V3Message.h"
#include "tests/support/FixtureSnmpAgent.h"
#include "tests/support/SnmpPeers.h"
#include "tests/support/TestCredentials.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace vorenta::snmp;

constexpr const char* kOid = "1.3.6.1.2.1.1.6.0";


const Credentials kV1{SnmpVersion::V1, "public", {}, AuthProtocol::None, {}, PrivProtocol::None, {}, {}};
const Credentials kV3 = vorenta::test::ColetorV3User();

void CodecV1(benchmark::State& state)
{
    const std::string reply = EncodeGetRequest(kOid, "public"); // read like a reply: same size and shape
    for (auto _ : state) {
        std::string request = EncodeGetRequest(kOid, "public");
        benchmark::DoNotOptimize(request);
        std::optional<Reply> decoded = DecodeReply(reply);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(CodecV1);

void CodecV3AuthPriv(benchmark::State& state)
{
    UsmEngines engines;
    const EngineClock engine{std::string("\x80\x00\x1f\x88\x80\x01\x02\x03\x04\x05\x06\x07", 12), 3, 1000};
    const LocalizedKeys keys = engines.keys(kV3, engine.engineId);
    const std::string reply = *EncodeV3Get(kV3, keys, engine, 5, 5, kOid, std::string(8, '\1'));
    for (auto _ : state) {
        std::optional<std::string> request = EncodeV3Get(kV3, keys, engine, 6, 6, kOid, std::string(8, '\2'));
        benchmark::DoNotOptimize(request);
        std::optional<V3Reply> decoded = DecodeV3Message(reply, &kV3, &keys);
        benchmark::DoNotOptimize(decoded);
    }
}
BENCHMARK(CodecV3AuthPriv);

void PasswordToKeyOnce(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PasswordToKey(AuthProtocol::Sha256, "senha-de-autenticacao"));
}
BENCHMARK(PasswordToKeyOnce)->Unit(benchmark::kMillisecond);

std::unique_ptr<vorenta::test::NetSnmpAgent> g_agent;

bool Agent(benchmark::State& state)
{
    if (!g_agent) {
        g_agent = std::make_unique<vorenta::test::NetSnmpAgent>(vorenta::test::UniqueLoopbackPrefix() + "51",
                                                                16151);
        if (!vorenta::test::NetSnmpAgent::available() ||
            !g_agent->start({"sysLocation Sala 1",
                             "createUser coletor SHA-256 senha-de-autenticacao AES senha-de-privacidade",
                             "rouser coletor priv"}))
            g_agent.reset();
    }
    if (!g_agent)
        state.SkipWithError("snmpd (Debian package snmpd) did not start");
    return g_agent != nullptr;
}

void GetOverLoopback(benchmark::State& state, const Credentials& credentials, bool fresh)
{
    if (!Agent(state))
        return;
    auto engines = std::make_unique<UsmEngines>();
    const ProfileRequest request{&credentials, kOid};
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            engines = std::make_unique<UsmEngines>();
            state.ResumeTiming();
        }
        const GetResult result =
            SnmpGetWith(std::span(&request, 1), g_agent->address(), g_agent->port(), 2000, -1, *engines)
                .front();
        if (!result.ok)
            state.SkipWithError("the GET failed");
    }
}
BENCHMARK_CAPTURE(GetOverLoopback, V1, kV1, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GetOverLoopback, V3AuthPrivKnownEngine, kV3, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GetOverLoopback, V3AuthPrivFirstContact, kV3, true)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
