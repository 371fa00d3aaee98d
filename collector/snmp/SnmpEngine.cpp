#include "collector/snmp/SnmpEngine.h"

#include "collector/snmp/UniqueDescriptor.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <deque>
#include <future>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

namespace vorenta::snmp {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxDatagram = 65536;
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
// Datagrams taken from one socket before the loop looks at the others again.
constexpr int kReceivesPerTurn = 256;
// Datagrams of queued groups taken into one turn: the turn's sends go out together (sendmmsg per
// socket), and a deadline counts from when its group's datagrams really left.
constexpr std::size_t kSendsPerTurn = 1024;
constexpr unsigned kBatch = 64;

std::uint64_t KeyOf(const sockaddr_in& address)
{
    return static_cast<std::uint64_t>(ntohl(address.sin_addr.s_addr)) << 16 | ntohs(address.sin_port);
}

/// What happens to one request of a group.
enum class SlotState : std::uint8_t { Unsent, Open, Ended };

struct Slot {
    std::int32_t socket = -1; ///< the socket it went out on, while open
    SlotState state = SlotState::Unsent;
    GetFailure failure = GetFailure::None;
};

/// One submitted group. Only what it needs while open: the requests until they are all sent, a
/// small slot per request, and the datagrams once the first one arrives.
struct Group {
    std::uint64_t key = 0;
    sockaddr_in destination{};
    int waitMs = 0;
    std::vector<std::string> requests; ///< emptied once every request is out
    std::vector<Slot> slots;
    std::vector<std::string> datagrams; ///< sized on the first answer
    Conversation conversation;
    Enough enough;
    std::function<void(std::vector<ExchangeResult>)> done;
    std::size_t unsent = 0;
    std::size_t open = 0;
    Clock::time_point deadline{};
    std::size_t heapIndex = std::numeric_limits<std::size_t>::max();
    std::size_t outgoing = 0;      ///< datagrams handed to the outbox and not yet sent
    std::size_t firstOutgoing = 0; ///< of those, first datagrams of an exchange: they start the wait
};

/// A datagram on its way out of one socket, sent with the others of the loop's turn.
struct Outgoing {
    Group* group = nullptr;
    std::size_t slot = 0;
    std::string bytes;
    bool first = false; ///< an exchange's first datagram, not a conversation's next
};

constexpr std::size_t kNotInHeap = std::numeric_limits<std::size_t>::max();

/// Every open group's deadline, earliest first; each group knows its place, so a group that ends
/// early leaves at once and one whose wait restarts moves in place.
class DeadlineHeap {
public:
    bool empty() const { return m_heap.empty(); }
    Group* top() const { return m_heap.front(); }

    void set(Group* group, Clock::time_point deadline)
    {
        group->deadline = deadline;
        if (group->heapIndex == kNotInHeap) {
            group->heapIndex = m_heap.size();
            m_heap.push_back(group);
            up(group->heapIndex);
        } else {
            // A wait only restarts later, never earlier.
            down(group->heapIndex);
        }
    }

    void remove(Group* group)
    {
        const std::size_t at = group->heapIndex;
        if (at == kNotInHeap)
            return;
        group->heapIndex = kNotInHeap;
        Group* last = m_heap.back();
        m_heap.pop_back();
        if (at == m_heap.size())
            return;
        m_heap[at] = last;
        last->heapIndex = at;
        up(at);
        down(last->heapIndex);
    }

private:
    bool before(std::size_t a, std::size_t b) const { return m_heap[a]->deadline < m_heap[b]->deadline; }
    void swap(std::size_t a, std::size_t b)
    {
        std::swap(m_heap[a], m_heap[b]);
        m_heap[a]->heapIndex = a;
        m_heap[b]->heapIndex = b;
    }
    void up(std::size_t at)
    {
        while (at > 0 && before(at, (at - 1) / 2)) {
            swap(at, (at - 1) / 2);
            at = (at - 1) / 2;
        }
    }
    void down(std::size_t at)
    {
        for (;;) {
            std::size_t least = at;
            for (std::size_t child = 2 * at + 1; child <= 2 * at + 2 && child < m_heap.size(); ++child) {
                if (before(child, least))
                    least = child;
            }
            if (least == at)
                return;
            swap(at, least);
            at = least;
        }
    }

    std::vector<Group*> m_heap;
};

bool WouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK;
}

// An ICMP error that arrived for an earlier datagram is also left pending on the socket, and the
// next call on it reports that instead of doing its work: such a call is made again.
bool LeftByAnEarlierError(int error)
{
    return error == ECONNREFUSED || error == EHOSTUNREACH || error == ENETUNREACH || error == EHOSTDOWN ||
           error == EPROTO;
}

} // namespace

class SnmpEngine::Loop {
public:
    Loop(EngineSettings settings, int cancelDescriptor);
    ~Loop();

    void submit(ExchangeGroup group);
    int socketCount() const { return static_cast<int>(m_sockets.size()); }
    std::size_t backlog() const { return m_backlog; }

private:
    void run();
    void wake();
    void takeInbox();
    void sendQueued(Clock::time_point now);
    std::int64_t waitFor(Clock::time_point now) const;
    void refill(Clock::time_point now);

    void start(std::unique_ptr<Group> group);
    void serve(std::uint64_t key);
    void queueSend(int socket, Group* group, std::size_t slot, std::string bytes, bool first);
    void flush();
    void sent(Outgoing& datagram, bool ok);
    void receive(int socket);
    void readErrors(int socket);
    Group* openOn(int socket, std::uint64_t key, std::size_t& index);
    void answer(Group* group, std::size_t index, int socket, std::string datagram);

    void endSlot(Group* group, std::size_t index, GetFailure failure);
    void askEnough(Group* group);
    void endOpen(Group* group, GetFailure failure, bool alsoUnsent);
    void finishIfEnded(Group* group);
    void expire(Clock::time_point now);
    void cancelEverything();

    const EngineSettings m_settings;
    const int m_cancel;
    std::vector<UniqueDescriptor> m_sockets;
    UniqueDescriptor m_epoll;
    UniqueDescriptor m_wake;
    std::thread m_thread;

    std::mutex m_inboxMutex; // guards the two below
    std::vector<std::unique_ptr<Group>> m_inbox;
    bool m_stopping = false;

    // The loop's own state, touched only on its thread.
    std::deque<std::unique_ptr<Group>> m_queue; ///< waiting for the pacing, in submit order
    std::atomic<std::size_t> m_backlog{0};      ///< requests in the inbox and the queue
    std::unordered_map<std::uint64_t, std::vector<std::unique_ptr<Group>>> m_atDestination;
    DeadlineHeap m_deadlines;
    std::size_t m_turnStart = 0;  ///< the socket every group of this turn starts from
    std::size_t m_turnWidest = 0; ///< how many sockets, from the start, this turn's groups took
    double m_tokens = 0;
    double m_burst = 0;
    Clock::time_point m_refilled{};
    bool m_cancelled = false;
    std::string m_buffer;
    std::vector<std::vector<Outgoing>> m_outbox; ///< per socket, until the end of the turn
    std::size_t m_outgoing = 0;
};

SnmpEngine::Loop::Loop(EngineSettings settings, int cancelDescriptor)
    : m_settings(settings), m_cancel(cancelDescriptor), m_buffer(kMaxDatagram, '\0')
{
    for (int i = 0; i < std::max(settings.sockets, 0); ++i) {
        UniqueDescriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        const int on = 1;
        // Without IP_RECVERR an unconnected socket never hears of a refusal.
        if (!socket.valid() || ::setsockopt(socket.get(), IPPROTO_IP, IP_RECVERR, &on, sizeof(on)) != 0)
            break;
        // A burst of answers must not overflow the default buffer; the system may grant less.
        const int size = kReceiveBuffer;
        ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
        sockaddr_in any{};
        any.sin_family = AF_INET;
        if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)) != 0)
            break;
        m_sockets.push_back(std::move(socket));
    }
    m_epoll = UniqueDescriptor(::epoll_create1(EPOLL_CLOEXEC));
    m_wake = UniqueDescriptor(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    const auto watch = [this](int descriptor, std::uint64_t tag) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = tag;
        return ::epoll_ctl(m_epoll.get(), EPOLL_CTL_ADD, descriptor, &event) == 0;
    };
    bool watching = m_epoll.valid() && m_wake.valid() && watch(m_wake.get(), m_sockets.size());
    for (std::size_t i = 0; watching && i < m_sockets.size(); ++i)
        watching = watch(m_sockets[i].get(), i);
    if (watching && m_cancel >= 0)
        watching = watch(m_cancel, m_sockets.size() + 1);
    if (!watching) {
        // Without its loop the engine sends nothing: every group fails as it would without sockets.
        m_sockets.clear();
        return;
    }
    if (m_settings.packetsPerSecond > 0)
        m_burst = std::max(64.0, m_settings.packetsPerSecond / 1000.0);
    m_tokens = m_burst;
    m_outbox.resize(m_sockets.size());
    m_refilled = Clock::now();
    m_thread = std::thread([this] { run(); });
}

SnmpEngine::Loop::~Loop()
{
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
}

void SnmpEngine::Loop::wake()
{
    const std::uint64_t one = 1;
    if (m_wake.valid() && ::write(m_wake.get(), &one, sizeof(one)) < 0) {
        // Only a counter at its limit refuses, and then the loop is woken already.
    }
}

void SnmpEngine::Loop::submit(ExchangeGroup request)
{
    const std::optional<sockaddr_in> destination = ResolveIpv4(request.host, request.port);
    const GetFailure failure = !destination        ? GetFailure::Unresolved
                               : m_sockets.empty() ? GetFailure::SocketFailed
                                                   : GetFailure::None;
    if (failure != GetFailure::None) {
        std::vector<ExchangeResult> results(request.requests.size());
        for (ExchangeResult& result : results)
            result.failure = failure;
        if (request.done)
            request.done(std::move(results));
        return;
    }
    auto group = std::make_unique<Group>();
    group->destination = *destination;
    group->key = KeyOf(*destination);
    group->waitMs = std::max(request.waitMs, 0);
    group->requests = std::move(request.requests);
    group->slots.resize(group->requests.size());
    group->unsent = group->requests.size();
    group->conversation = std::move(request.conversation);
    group->enough = std::move(request.enough);
    group->done = std::move(request.done);
    bool wake = false;
    m_backlog += group->requests.size();
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        wake = m_inbox.empty();
        m_inbox.push_back(std::move(group));
    }
    if (wake)
        this->wake();
}

void SnmpEngine::Loop::run()
{
    std::vector<epoll_event> events(m_sockets.size() + 2);
    for (;;) {
        const Clock::time_point now = Clock::now();
        const std::int64_t sleep = waitFor(now);
        timespec timeout{static_cast<time_t>(sleep / 1000000000), static_cast<long>(sleep % 1000000000)};
        const int ready = ::epoll_pwait2(m_epoll.get(), events.data(), static_cast<int>(events.size()),
                                         sleep < 0 ? nullptr : &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            break; // cannot happen with a valid descriptor; what is open ends below
        bool stopping = false;
        for (int i = 0; i < ready; ++i) {
            const std::uint64_t tag = events[i].data.u64;
            if (tag == m_sockets.size() + 1 && !m_cancelled) {
                // Level-triggered and never read: taken out, or it would wake the loop for ever.
                ::epoll_ctl(m_epoll.get(), EPOLL_CTL_DEL, m_cancel, nullptr);
                m_cancelled = true;
            }
        }
        if (m_cancelled)
            cancelEverything();
        for (int i = 0; i < ready; ++i) {
            const std::uint64_t tag = events[i].data.u64;
            if (tag == m_sockets.size()) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t taken = ::read(m_wake.get(), &count, sizeof(count));
                std::lock_guard<std::mutex> lock(m_inboxMutex);
                stopping = m_stopping;
            } else if (tag < m_sockets.size()) {
                if (events[i].events & EPOLLERR)
                    readErrors(static_cast<int>(tag));
                if (events[i].events & EPOLLIN)
                    receive(static_cast<int>(tag));
            }
        }
        takeInbox();
        if (stopping) {
            m_cancelled = true;
            cancelEverything();
            return;
        }
        const Clock::time_point after = Clock::now();
        expire(after);
        sendQueued(after);
        flush();
        m_turnStart = (m_turnStart + m_turnWidest) % m_sockets.size();
        m_turnWidest = 0;
    }
    m_cancelled = true;
    takeInbox();
    cancelEverything();
}

void SnmpEngine::Loop::takeInbox()
{
    std::vector<std::unique_ptr<Group>> arrived;
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        arrived.swap(m_inbox);
    }
    for (std::unique_ptr<Group>& group : arrived)
        m_queue.push_back(std::move(group));
    if (m_cancelled)
        cancelEverything();
}

// How long the loop may sleep, in nanoseconds (-1: until something happens): until the earliest
// deadline, or until the pacing lets the next queued group out. The sleep is exact rather than
// in whole milliseconds, so that the pacing holds its rate; a deadline is still never met early,
// since the loop compares it with the clock when it wakes.
std::int64_t SnmpEngine::Loop::waitFor(Clock::time_point now) const
{
    std::int64_t ns = -1;
    if (!m_deadlines.empty()) {
        const auto left = std::chrono::ceil<std::chrono::nanoseconds>(m_deadlines.top()->deadline - now);
        ns = std::max<std::int64_t>(left.count(), 0);
    }
    if (!m_queue.empty()) {
        std::int64_t pacing = 0;
        if (m_settings.packetsPerSecond > 0) {
            // Half a burst at least, so that a turn sends several groups together; the other half
            // absorbs a late wake-up without losing the rate.
            const double needed =
                std::max(std::min(static_cast<double>(m_queue.front()->requests.size()), m_burst),
                         m_burst / 2) -
                m_tokens;
            if (needed > 0)
                pacing = static_cast<std::int64_t>(std::ceil(needed * 1e9 / m_settings.packetsPerSecond));
        }
        ns = ns < 0 ? pacing : std::min(ns, pacing);
    }
    return ns;
}

void SnmpEngine::Loop::refill(Clock::time_point now)
{
    if (m_settings.packetsPerSecond <= 0)
        return;
    const double seconds = std::chrono::duration<double>(now - m_refilled).count();
    m_refilled = now;
    m_tokens = std::min(m_burst, m_tokens + seconds * m_settings.packetsPerSecond);
}

// A group goes out whole when the bucket holds its datagrams (or a full burst, for a group larger
// than one); what it takes beyond the bucket is owed by the groups after it.
void SnmpEngine::Loop::sendQueued(Clock::time_point now)
{
    refill(now);
    while (!m_queue.empty() && m_outgoing < kSendsPerTurn) {
        if (m_settings.packetsPerSecond > 0) {
            const double needed = std::min(static_cast<double>(m_queue.front()->requests.size()), m_burst);
            if (m_tokens < needed)
                return;
        }
        std::unique_ptr<Group> group = std::move(m_queue.front());
        m_queue.pop_front();
        m_backlog -= group->requests.size();
        start(std::move(group));
    }
}

void SnmpEngine::Loop::start(std::unique_ptr<Group> owned)
{
    Group* group = owned.get();
    std::vector<std::unique_ptr<Group>>& here = m_atDestination[group->key];
    here.push_back(std::move(owned));
    serve(group->key);
    // An empty group, or one whose every send failed, has nothing to wait for.
    finishIfEnded(group);
}

void SnmpEngine::Loop::queueSend(int socket, Group* group, std::size_t slot, std::string bytes, bool first)
{
    m_tokens -= 1;
    ++group->outgoing;
    if (first)
        ++group->firstOutgoing;
    ++m_outgoing;
    m_outbox[static_cast<std::size_t>(socket)].push_back({group, slot, std::move(bytes), first});
}

// The turn's datagrams, a batch per sendmmsg and socket. A datagram the system would not take
// for a moment (a full send buffer) is retried after a short wait, as a blocking socket would;
// one that an earlier ICMP error stood in the way of is retried at once.
void SnmpEngine::Loop::flush()
{
    std::vector<mmsghdr> headers(kBatch);
    std::vector<iovec> vectors(kBatch);
    while (m_outgoing > 0) {
        for (std::size_t socket = 0; socket < m_outbox.size(); ++socket) {
            std::vector<Outgoing> batch;
            batch.swap(m_outbox[socket]);
            std::size_t next = 0;
            int attempts = 0;
            while (next < batch.size()) {
                const unsigned count =
                    static_cast<unsigned>(std::min<std::size_t>(kBatch, batch.size() - next));
                for (unsigned k = 0; k < count; ++k) {
                    Outgoing& datagram = batch[next + k];
                    vectors[k] = {datagram.bytes.data(), datagram.bytes.size()};
                    headers[k] = {};
                    headers[k].msg_hdr.msg_name = &datagram.group->destination;
                    headers[k].msg_hdr.msg_namelen = sizeof(sockaddr_in);
                    headers[k].msg_hdr.msg_iov = &vectors[k];
                    headers[k].msg_hdr.msg_iovlen = 1;
                }
                const int done = ::sendmmsg(m_sockets[socket].get(), headers.data(), count, MSG_NOSIGNAL);
                if (done > 0) {
                    for (int k = 0; k < done; ++k)
                        sent(batch[next + static_cast<std::size_t>(k)], true);
                    next += static_cast<std::size_t>(done);
                    attempts = 0;
                    continue;
                }
                const int error = errno;
                if (++attempts < 4 && (WouldBlock(error) || error == ENOBUFS)) {
                    pollfd writable{m_sockets[socket].get(), POLLOUT, 0};
                    ::poll(&writable, 1, 10);
                } else if (attempts >= 4 || (error != EINTR && !LeftByAnEarlierError(error))) {
                    sent(batch[next], false);
                    ++next;
                    attempts = 0;
                }
            }
        }
    }
}

// A datagram has left (or could not): the first datagrams of a group start its wait when the
// last of them is out (a conversation's next round trip keeps the wait as it is), and a failed
// one ends its exchange.
void SnmpEngine::Loop::sent(Outgoing& datagram, bool ok)
{
    Group* group = datagram.group;
    --m_outgoing;
    --group->outgoing;
    if (datagram.first && --group->firstOutgoing == 0 && ok)
        m_deadlines.set(group, Clock::now() + std::chrono::milliseconds(group->waitMs));
    if (ok)
        return;
    const std::uint64_t key = group->key;
    endSlot(group, datagram.slot, GetFailure::SendFailed);
    askEnough(group);
    finishIfEnded(group);
    serve(key);
}

// Sends what the groups at `key` have not sent yet, in submit order, on the sockets no exchange
// with that destination holds: at most one open exchange per socket and destination, so the
// socket alone tells which exchange a reply answers. Every group of a loop turn takes its sockets
// from the turn's start, so that the turn's datagrams gather on few sockets and go out in few
// sendmmsg calls; the start moves past them for the next turn, so that consecutive exchanges with
// one destination (never in the same turn) use other sockets and a late reply to one that ended
// rarely meets a new one.
void SnmpEngine::Loop::serve(std::uint64_t key)
{
    const auto found = m_atDestination.find(key);
    if (found == m_atDestination.end())
        return;
    std::vector<bool> busy;
    bool anyUnsent = false;
    for (const std::unique_ptr<Group>& group : found->second)
        anyUnsent = anyUnsent || group->unsent > 0;
    if (!anyUnsent)
        return;
    busy.assign(m_sockets.size(), false);
    std::size_t free = m_sockets.size();
    for (const std::unique_ptr<Group>& group : found->second) {
        for (const Slot& slot : group->slots) {
            if (slot.state == SlotState::Open) {
                busy[static_cast<std::size_t>(slot.socket)] = true;
                --free;
            }
        }
    }
    // Group pointers stay valid while slots are queued: nothing here ends a group.
    std::vector<Group*> groups;
    for (const std::unique_ptr<Group>& group : found->second)
        groups.push_back(group.get());
    for (Group* group : groups) {
        if (group->unsent == 0)
            continue;
        std::size_t socket = m_turnStart;
        for (std::size_t i = 0; i < group->slots.size() && free > 0; ++i) {
            Slot& slot = group->slots[i];
            if (slot.state != SlotState::Unsent)
                continue;
            while (busy[socket])
                socket = (socket + 1) % m_sockets.size();
            m_turnWidest =
                std::max(m_turnWidest, (socket + m_sockets.size() - m_turnStart) % m_sockets.size() + 1);
            --group->unsent;
            slot.state = SlotState::Open;
            slot.socket = static_cast<std::int32_t>(socket);
            busy[socket] = true;
            --free;
            ++group->open;
            queueSend(static_cast<int>(socket), group, i, std::move(group->requests[i]), true);
        }
        if (group->unsent == 0)
            std::vector<std::string>().swap(group->requests);
    }
}

Group* SnmpEngine::Loop::openOn(int socket, std::uint64_t key, std::size_t& index)
{
    const auto found = m_atDestination.find(key);
    if (found == m_atDestination.end())
        return nullptr;
    for (const std::unique_ptr<Group>& group : found->second) {
        for (std::size_t i = 0; i < group->slots.size(); ++i) {
            if (group->slots[i].state == SlotState::Open && group->slots[i].socket == socket) {
                index = i;
                return group.get();
            }
        }
    }
    return nullptr;
}

void SnmpEngine::Loop::receive(int socket)
{
    const int descriptor = m_sockets[static_cast<std::size_t>(socket)].get();
    for (int turn = 0; turn < kReceivesPerTurn; ++turn) {
        sockaddr_in from{};
        socklen_t size = sizeof(from);
        const ssize_t received = ::recvfrom(descriptor, m_buffer.data(), m_buffer.size(), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &size);
        if (received < 0) {
            if (errno == EINTR || LeftByAnEarlierError(errno))
                continue; // the error queue tells whose datagram it was
            return;
        }
        if (from.sin_family != AF_INET)
            continue;
        std::size_t index = 0;
        Group* group = openOn(socket, KeyOf(from), index);
        if (!group)
            continue; // late, duplicated, or from an endpoint nothing was sent to
        answer(group, index, socket, std::string(m_buffer.data(), static_cast<std::size_t>(received)));
    }
}

void SnmpEngine::Loop::answer(Group* group, std::size_t index, int socket, std::string datagram)
{
    const std::uint64_t key = group->key;
    if (group->conversation) {
        NextStep step = group->conversation(index, datagram);
        if (step.kind == NextStep::Kind::Ignore)
            return;
        if (step.kind == NextStep::Kind::Send) {
            // The next round trip keeps the socket and the group's wait.
            queueSend(socket, group, index, std::move(step.request), false);
            return;
        }
    }
    if (group->datagrams.empty())
        group->datagrams.resize(group->slots.size());
    group->datagrams[index] = std::move(datagram);
    endSlot(group, index, GetFailure::None);
    askEnough(group);
    finishIfEnded(group);
    serve(key);
}

void SnmpEngine::Loop::readErrors(int socket)
{
    const int descriptor = m_sockets[static_cast<std::size_t>(socket)].get();
    for (int turn = 0; turn < kReceivesPerTurn; ++turn) {
        sockaddr_in destination{};
        char payload[64];
        iovec vector{payload, sizeof(payload)};
        alignas(cmsghdr) char control[512];
        msghdr message{};
        message.msg_name = &destination;
        message.msg_namelen = sizeof(destination);
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        if (::recvmsg(descriptor, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        const sock_extended_err* error = nullptr;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_RECVERR)
                error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(header));
        }
        if (!error || message.msg_namelen < sizeof(sockaddr_in) || destination.sin_family != AF_INET)
            continue;
        std::size_t index = 0;
        Group* group = openOn(socket, KeyOf(destination), index);
        if (!group)
            continue; // a refusal of an exchange that has already ended
        const bool refused = error->ee_origin == SO_EE_ORIGIN_ICMP && error->ee_errno == ECONNREFUSED;
        const std::uint64_t key = group->key;
        endSlot(group, index, refused ? GetFailure::Refused : GetFailure::ReceiveFailed);
        askEnough(group);
        finishIfEnded(group);
        serve(key);
    }
}

void SnmpEngine::Loop::endSlot(Group* group, std::size_t index, GetFailure failure)
{
    Slot& slot = group->slots[index];
    if (slot.state == SlotState::Open)
        --group->open;
    else if (slot.state == SlotState::Unsent)
        --group->unsent;
    slot.state = SlotState::Ended;
    slot.socket = -1;
    slot.failure = failure;
}

void SnmpEngine::Loop::askEnough(Group* group)
{
    if (!group->enough || (group->open == 0 && group->unsent == 0))
        return;
    std::vector<bool> finished(group->slots.size());
    for (std::size_t i = 0; i < group->slots.size(); ++i)
        finished[i] = group->slots[i].state == SlotState::Ended;
    if (group->enough(finished))
        endOpen(group, GetFailure::Cancelled, true);
}

void SnmpEngine::Loop::endOpen(Group* group, GetFailure failure, bool alsoUnsent)
{
    for (std::size_t i = 0; i < group->slots.size(); ++i) {
        const SlotState state = group->slots[i].state;
        if (state == SlotState::Open || (alsoUnsent && state == SlotState::Unsent))
            endSlot(group, i, failure);
    }
}

// Once every exchange of a group has ended: its results to `done`, and the group is gone.
void SnmpEngine::Loop::finishIfEnded(Group* group)
{
    if (group->open > 0 || group->unsent > 0)
        return;
    m_deadlines.remove(group);
    if (group->outgoing > 0) {
        // A conversation's next datagram not sent yet, and the exchange has ended meanwhile.
        for (std::vector<Outgoing>& batch : m_outbox) {
            const auto end = std::remove_if(batch.begin(), batch.end(), [group](const Outgoing& datagram) {
                return datagram.group == group;
            });
            m_outgoing -= static_cast<std::size_t>(batch.end() - end);
            batch.erase(end, batch.end());
        }
        group->outgoing = 0;
        group->firstOutgoing = 0;
    }
    std::vector<ExchangeResult> results(group->slots.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        results[i].failure = group->slots[i].failure;
        if (results[i].failure == GetFailure::None && !group->datagrams.empty())
            results[i].datagram = std::move(group->datagrams[i]);
    }
    std::function<void(std::vector<ExchangeResult>)> done = std::move(group->done);
    const auto found = m_atDestination.find(group->key);
    if (found != m_atDestination.end()) {
        std::vector<std::unique_ptr<Group>>& here = found->second;
        here.erase(std::remove_if(here.begin(), here.end(),
                                  [group](const std::unique_ptr<Group>& g) { return g.get() == group; }),
                   here.end());
        if (here.empty())
            m_atDestination.erase(found);
    }
    if (done)
        done(std::move(results));
}

// Groups whose wait is over: what is still open ends as a time-out. A group that still has
// requests waiting for sockets sends them now, on the sockets that just freed, with a new wait.
void SnmpEngine::Loop::expire(Clock::time_point now)
{
    while (!m_deadlines.empty() && m_deadlines.top()->deadline <= now) {
        Group* group = m_deadlines.top();
        m_deadlines.remove(group);
        const std::uint64_t key = group->key;
        endOpen(group, GetFailure::Timeout, false);
        finishIfEnded(group);
        serve(key);
    }
}

// A stop: every group, open or queued, ends at once with what is open or unsent Cancelled.
void SnmpEngine::Loop::cancelEverything()
{
    std::deque<std::unique_ptr<Group>> queued;
    queued.swap(m_queue);
    for (std::unique_ptr<Group>& group : queued) {
        m_backlog -= group->requests.size();
        Group* raw = group.get();
        m_atDestination[raw->key].push_back(std::move(group));
    }
    while (!m_atDestination.empty()) {
        std::vector<std::unique_ptr<Group>>& here = m_atDestination.begin()->second;
        Group* group = here.front().get();
        endOpen(group, GetFailure::Cancelled, true);
        finishIfEnded(group);
    }
}

SnmpEngine::SnmpEngine(EngineSettings settings, int cancelDescriptor)
    : m_loop(std::make_unique<Loop>(settings, cancelDescriptor))
{
}

SnmpEngine::~SnmpEngine() = default;

void SnmpEngine::submit(ExchangeGroup group)
{
    m_loop->submit(std::move(group));
}

std::vector<ExchangeResult> SnmpEngine::exchange(ExchangeGroup group)
{
    auto promise = std::make_shared<std::promise<std::vector<ExchangeResult>>>();
    std::future<std::vector<ExchangeResult>> future = promise->get_future();
    group.done = [promise](std::vector<ExchangeResult> results) { promise->set_value(std::move(results)); };
    submit(std::move(group));
    return future.get();
}

int SnmpEngine::socketCount() const
{
    return m_loop->socketCount();
}

std::size_t SnmpEngine::backlog() const
{
    return m_loop->backlog();
}

SnmpEngine& EngineChoice::get()
{
    if (m_set)
        return *m_set;
    std::call_once(m_made, [this] { m_own = std::make_unique<SnmpEngine>(EngineSettings{}, m_cancelDescriptor); });
    return *m_own;
}

} // namespace vorenta::snmp
