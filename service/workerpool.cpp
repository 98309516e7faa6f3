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
    m_threadCount = threads;
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
        Group& group = m_groups[bound.group];
        const double waitMs = group.waiting * group.runMs / m_threadCount;
        if (group.waiting >= bound.limit ||
            (bound.longestWait.count() > 0 &&
             waitMs > static_cast<double>(bound.longestWait.count()))) {
            return Refusal::GroupFull;
        }
        ++group.waiting;
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
        for (auto& [name, group] : m_groups) {
            group.waiting = 0;
        }
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
        const auto start = std::chrono::steady_clock::now();
        entry.job(true);
        ran(entry, std::chrono::steady_clock::now() - start);
        release(entry.sender);
    }
}

void WorkerPool::leftQueue(const Entry& entry) {
    if (entry.counted) {
        --m_groups[entry.group].waiting;
    }
}

void WorkerPool::ran(const Entry& entry, std::chrono::steady_clock::duration took) {
    if (!entry.counted) {
        return;
    }
    const double ms = std::chrono::duration<double, std::milli>(took).count();
    std::lock_guard lock(m_mutex);
    Group& group = m_groups[entry.group];
    // A quarter of each new run time: follows a change of load within a few jobs.
    group.runMs = group.runMs == 0 ? ms : group.runMs + (ms - group.runMs) / 4;
}

void WorkerPool::release(const std::string& sender) {
    std::lock_guard lock(m_mutex);
    const auto it = m_inFlight.find(sender);
    if (it != m_inFlight.end() && --it->second == 0) {
        m_inFlight.erase(it);
    }
}

} // namespace bbstatsd
