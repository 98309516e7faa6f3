#include "service/workerpool.h"

#include <algorithm>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace bbstatsd {

namespace {

// Niceness of the worker threads: the threads that read requests and answer from the cache
// get the processor first when both want it.
constexpr int WorkerNiceness = 10;

} // namespace

WorkerPool::WorkerPool(unsigned threads, std::size_t queueLimit, unsigned perSender)
    : m_queueLimit(queueLimit), m_perSender(std::max(perSender, 1u)) {
    if (threads == 0) {
        threads = std::max(std::thread::hardware_concurrency(), 1u);
    }
    m_threads.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        m_threads.emplace_back([this] { run(); });
    }
}

WorkerPool::~WorkerPool() {
    stop();
}

WorkerPool::Refusal WorkerPool::submit(const std::string& sender, Job job,
                                       const WaitingBound& bound) {
    std::lock_guard lock(m_mutex);
    if (m_stopping || m_queue.size() >= m_queueLimit) {
        return Refusal::QueueFull;
    }
    const auto inFlight = m_inFlight.find(sender);
    if (inFlight != m_inFlight.end() && inFlight->second >= m_perSender) {
        return Refusal::SenderBusy;
    }
    const bool counted = bound.limit != 0;
    if (counted) {
        const auto waiting = m_waitingIn.find(bound.group);
        if (waiting != m_waitingIn.end() && waiting->second >= bound.limit) {
            return Refusal::GroupFull;
        }
        ++m_waitingIn[bound.group];
    }
    ++m_inFlight[sender];
    m_queue.push_back({sender, std::move(job), bound.group, counted});
    m_wake.notify_one();
    return Refusal::None;
}

void WorkerPool::stop() {
    std::deque<Entry> dropped;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping && m_threads.empty()) {
            return;
        }
        m_stopping = true;
        dropped.swap(m_queue);
        m_waitingIn.clear();
        m_wake.notify_all();
    }
    for (Entry& entry : dropped) {
        entry.job(false);
        release(entry.sender);
    }
    for (std::thread& thread : m_threads) {
        thread.join();
    }
    m_threads.clear();
}

unsigned WorkerPool::inFlight(const std::string& sender) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_inFlight.find(sender);
    return it == m_inFlight.end() ? 0 : it->second;
}

void WorkerPool::run() {
    // Linux gives each thread its own niceness; failing to lower it changes nothing else.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), WorkerNiceness);
    while (true) {
        Entry entry;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty()) {
                return;
            }
            entry = std::move(m_queue.front());
            m_queue.pop_front();
            leftQueue(entry);
        }
        entry.job(true);
        release(entry.sender);
    }
}

void WorkerPool::leftQueue(const Entry& entry) {
    if (!entry.counted) {
        return;
    }
    const auto it = m_waitingIn.find(entry.group);
    if (it != m_waitingIn.end() && --it->second == 0) {
        m_waitingIn.erase(it);
    }
}

void WorkerPool::release(const std::string& sender) {
    std::lock_guard lock(m_mutex);
    const auto it = m_inFlight.find(sender);
    if (it != m_inFlight.end() && --it->second == 0) {
        m_inFlight.erase(it);
    }
}

} // namespace bbstatsd
