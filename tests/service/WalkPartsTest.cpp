// The concurrent walk's parts without SNMP or a database: a visit's tape, the owner's mailbox and
// the pass's model OID table.
#include "collector/probing/IdentifyDevice.h"
#include "collector/service/walk/OwnerCalls.h"
#include "collector/service/walk/PassModelOids.h"
#include "collector/service/walk/VisitTape.h"
#include "tests/support/CapturingLogSink.h"
#include "tests/support/Deadline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace vorenta {
namespace {

/// A network that answers each GET as `answer` says and notes every OID it was asked.
class NotingNetwork final : public SnmpSource {
public:
    explicit NotingNetwork(std::function<SnmpAnswer(const QString&)> answer) : m_answer(std::move(answer)) {}
    SnmpAnswer SnmpGet(const QString& oid, const QString&, const QString&) override
    {
        asked.append(oid);
        return m_answer(oid);
    }
    QStringList asked;

private:
    std::function<SnmpAnswer(const QString&)> m_answer;
};

const SnmpAnswer kTimedOut{false, {}, true};
const SnmpAnswer kRefused{false, {}, false, true};

/// Identification of 10.0.0.1 run on `tape` as the walk runs it until it ends: each run from the
/// start, each step the run suspended at asked of `network`. Returns the runs it took.
int IdentifyOnTape(VisitTape& tape, NotingNetwork& network, DeviceReading& reading, QStringList& lines)
{
    for (int runs = 1;; ++runs) {
        test::CapturingLogSink log;
        TapeSource source(tape, network, nullptr, false);
        DeviceReading fresh;
        try {
            IdentifyDevice(fresh, QStringLiteral("10.0.0.1"), source, log);
        } catch (const VisitSuspended&) {
            const StepRequest step = tape.takePending();
            tape.record(AskNow(step, network, nullptr));
            continue;
        }
        reading = fresh;
        lines = log.lines;
        return runs;
    }
}

// Where nothing answers, each run asks one new step: the identification's thirteen OIDs are asked
// of the network once each, in identification's order, and the visit keeps no answers.
TEST(VisitTape, ASilentVisitAsksEachOidOnceInIdentificationsOrder)
{
    NotingNetwork network([](const QString&) { return kTimedOut; });
    VisitTape tape;
    DeviceReading reading;
    QStringList lines;
    const int runs = IdentifyOnTape(tape, network, reading, lines);

    // G1, G2, G4, G3, G5, G6, G7, G8, G9, G10, G13, G15 and G6 again, as a serial visit asks them.
    EXPECT_EQ(network.asked,
              QStringList({"1.3.6.1.2.1.43.5.1.1.5.1", "1.3.6.1.4.1.367.3.2.1.1.1.7.0",
                           "1.3.6.1.4.1.1347.43.5.1.1.28.1", "1.3.6.1.2.1.43.5.1.1.17.1",
                           "1.3.6.1.4.1.2001.1.1.1.1.11.1.10.45.0", "1.3.6.1.4.1.367.3.2.1.1.1.10.0",
                           "1.3.6.1.4.1.367.3.2.1.2.1.4.0", "1.3.6.1.4.1.367.3.2.1.2.2.11.0",
                           "1.3.6.1.4.1.641.2.1.2.1.2.1", "1.3.6.1.4.1.1248.1.2.2.1.1.1.5.1",
                           "1.3.6.1.2.1.1.1.0", "1.3.6.1.4.1.11.2.3.9.1.1.7.0",
                           "1.3.6.1.4.1.367.3.2.1.1.1.10.0"}));
    EXPECT_EQ(runs, 14) << "one run a GET, one more that ends";
    EXPECT_EQ(tape.size(), 13u);
    EXPECT_FALSE(tape.spoke());
    EXPECT_FALSE(tape.refused());
    EXPECT_TRUE(reading.NSerie.isEmpty());
}

// An address that refuses its first GET is asked nothing more: every later GET is refused at
// once from the tape, and the visit reads as the serial visit's, whose GETs were all refused.
TEST(VisitTape, AnAddressThatRefusedIsAskedNoMore)
{
    NotingNetwork network([](const QString&) { return kRefused; });
    VisitTape tape;
    DeviceReading reading;
    QStringList lines;
    EXPECT_EQ(IdentifyOnTape(tape, network, reading, lines), 2);
    EXPECT_EQ(network.asked, QStringList({"1.3.6.1.2.1.43.5.1.1.5.1"}));
    EXPECT_TRUE(tape.refused());
    EXPECT_FALSE(tape.spoke());

    NotingNetwork serial([](const QString&) { return kRefused; });
    test::CapturingLogSink serialLog;
    DeviceReading serialReading;
    IdentifyDevice(serialReading, QStringLiteral("10.0.0.1"), serial, serialLog);
    EXPECT_EQ(lines, serialLog.lines);
    EXPECT_EQ(reading.NSerie, serialReading.NSerie);
}

// What tells the walk a device is there: anything but a time-out or a refusal.
TEST(VisitTape, OnlyAnAnswerOrAnErrorMeansTheDeviceSpoke)
{
    struct Case {
        const char* name;
        SnmpAnswer answer;
        bool spoke;
    };
    for (const Case& c : {Case{"time-out", kTimedOut, false}, Case{"refusal", kRefused, false},
                          Case{"answer", SnmpAnswer{true, "x"}, true},
                          Case{"bad reply", SnmpAnswer{false, {}, false, false}, true}}) {
        SCOPED_TRACE(c.name);
        VisitTape tape;
        StepRequest step;
        step.oids = QStringList{"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.6.0"};
        StepAnswers answers;
        answers.answers = {kTimedOut, c.answer};
        tape.record(step, answers);
        EXPECT_EQ(tape.spoke(), c.spoke);
        // Whatever was kept, the replay gives the same answers.
        const StepAnswers replayed = tape.replay(0, step);
        ASSERT_EQ(replayed.answers.size(), 2);
        EXPECT_EQ(replayed.answers[1].ok, c.answer.ok);
        EXPECT_EQ(replayed.answers[1].timedOut, c.answer.timedOut);
        EXPECT_EQ(replayed.answers[1].refused, c.answer.refused);
        EXPECT_EQ(replayed.answers[1].value, c.answer.value);
    }
}

// A run that asks otherwise than the one before is the walk's fault and fails the address; what
// asking threw (a test's source) is thrown again at the visit.
TEST(VisitTape, ARunThatAsksOtherwiseFailsAndAnErrorIsThrownAgain)
{
    VisitTape tape;
    StepRequest asked;
    asked.oids = QStringList{"1.3.6.1.2.1.1.1.0"};
    asked.community = "public";
    asked.host = "10.0.0.1";
    StepAnswers answers;
    answers.answers = {SnmpAnswer{true, "LaserJet"}};
    tape.record(asked, answers);
    StepRequest other = asked;
    other.oids = QStringList{"1.3.6.1.2.1.1.6.0"};
    EXPECT_THROW(tape.replay(0, other), std::logic_error);
    StepRequest otherHost = asked;
    otherHost.host = "10.0.0.2";
    EXPECT_THROW(tape.replay(0, otherHost), std::logic_error);
    EXPECT_EQ(tape.replay(0, asked).answers.front().value, "LaserJet");

    StepAnswers failed;
    failed.error = std::make_exception_ptr(std::runtime_error("falha no meio da faixa"));
    tape.record(other, failed);
    EXPECT_THROW(tape.replay(1, other), std::runtime_error);
}

// A first step the walk foresaw and asked before any run: kept when the run asks exactly it, and
// a run that asks otherwise is told to start afresh instead of failing its address.
TEST(VisitTape, AForeseenFirstStepIsKeptOnlyWhenTheRunAsksIt)
{
    StepRequest foreseen;
    foreseen.oids = QStringList{"1.3.6.1.2.1.43.5.1.1.5.1"};
    foreseen.community = "public";
    foreseen.host = "10.0.0.1";
    StepAnswers answers;
    answers.answers = {kTimedOut};

    NotingNetwork network([](const QString&) { return kTimedOut; });
    VisitTape right;
    right.suspendAt(foreseen, true);
    right.record(AskNow(right.takePending(), network, nullptr));
    EXPECT_EQ(network.asked, QStringList({"1.3.6.1.2.1.43.5.1.1.5.1"}));
    EXPECT_TRUE(right.replay(0, foreseen).answers.front().timedOut);

    VisitTape wrong;
    wrong.suspendAt(foreseen, true);
    wrong.takePending();
    wrong.record(answers);
    StepRequest asked = foreseen;
    asked.community = "privado";
    EXPECT_THROW(wrong.replay(0, asked), VisitForeseenWrongly);

    VisitTape unforeseen; // the same mismatch on a step a run asked is the walk's fault
    unforeseen.record(foreseen, answers);
    EXPECT_THROW(unforeseen.replay(0, asked), std::logic_error);
}

// A call made from a probing thread runs on the owner when it serves its mailbox, with what it
// logs going to the caller's lines; a call on the owner runs at once; a refusal ends the wait.
TEST(OwnerCalls, CallsRunOnTheOwnerAndARefusalEndsTheirWait)
{
    test::CapturingLogSink file;
    WalkOrderLog log(file);
    std::atomic<int> wakes = 0;
    OwnerCalls calls(log, [&] { ++wakes; });
    calls.setOwner(std::this_thread::get_id());

    test::CapturingLogSink addressLines;
    std::thread::id ranOn;
    std::thread prober([&] {
        calls.call(addressLines, [&] {
            ranOn = std::this_thread::get_id();
            log.WriteLog("Erro ao consultar a tabela Oid");
        });
    });
    {
        const test::Deadline deadline("the probing thread's call to reach the owner", std::chrono::seconds(30));
        while (!calls.waiting())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        calls.serve();
        prober.join();
    }
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(addressLines.lines, QStringList({"Erro ao consultar a tabela Oid"}));
    EXPECT_TRUE(file.lines.isEmpty()) << "the address's line went to the log before its turn";
    EXPECT_GE(wakes, 1);

    bool inline_ = false;
    calls.call(addressLines, [&] { inline_ = std::this_thread::get_id() == ranOn; });
    EXPECT_TRUE(inline_) << "a call on the owner waited for itself";

    std::atomic<bool> refused = false;
    std::thread late([&] {
        try {
            calls.call(addressLines, [] {});
        } catch (const PassEnding&) {
            refused = true;
        }
    });
    {
        const test::Deadline deadline("a call waiting when the pass ends to be refused", std::chrono::seconds(30));
        while (!calls.waiting())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        calls.refuse();
        late.join();
    }
    EXPECT_TRUE(refused);
}

/// Table Oid that counts its lookups.
class CountingTable final : public ModelOidTable {
public:
    bool ConnectDatabase() override { return true; }
    std::optional<QString> BuscaOid(const QString& Modelo, const QString& NomeInfo) override
    {
        ++lookups;
        if (NomeInfo == "Nenhum")
            return std::nullopt;
        return Modelo + "/" + NomeInfo;
    }
    std::atomic<int> lookups = 0;
};

// Each model and name is read from table Oid once a pass, found or not, however many probing
// threads ask; the next pass reads again.
TEST(PassModelOids, EachLookupOnceAPass)
{
    test::CapturingLogSink file;
    WalkOrderLog log(file);
    OwnerCalls calls(log, [] {});
    calls.setOwner(std::this_thread::get_id());
    CountingTable table;
    PassModelOids pass;
    test::CapturingLogSink lines;
    OwnerModelOids oids(calls, table, pass, lines);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(oids.BuscaOid("LJ 400", "Status"), QStringLiteral("LJ 400/Status"));
        EXPECT_EQ(oids.BuscaOid("LJ 400", "Nenhum"), std::nullopt);
    }
    EXPECT_EQ(table.lookups, 2);
    pass.clear();
    EXPECT_EQ(oids.BuscaOid("LJ 400", "Status"), QStringLiteral("LJ 400/Status"));
    EXPECT_EQ(table.lookups, 3);
}

} // namespace
} // namespace vorenta
