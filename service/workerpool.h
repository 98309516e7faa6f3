#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace bbstatsd {

// Jobs of one kind that may wait for a worker at once (not yet running), counted apart from the
// others: a kind whose clients give up after a while is refused at once rather than queued long.
// A job is refused when `limit` of its group wait already, or when those waiting would keep it
// waiting longer than `longestWait`, judged by how long the group's recent jobs ran.
struct WaitingBound {
    std::string group;                        // jobs naming the same group count together
    unsigned limit = 0;                       // 0: no bound of its own
    std::chrono::milliseconds longestWait{0}; // 0: only the count bounds
};

// A fixed set of threads that run slow jobs (queries the result cache does not hold) away from
// the threads that read requests, so cheap requests are never queued behind expensive ones. The
// queue is bounded and each sender (a client address) may have only a few jobs waiting or
// running at once. The threads run at a lower scheduling priority than the rest of the process.
class WorkerPool {
public:
    // A job learns whether it runs (true) or is dropped unrun because the pool stops (false);
    // it is called exactly once either way and must not throw.
    using Job = std::function<void(bool run)>;

    // Why a job was not taken.
    enum class Refusal { None, QueueFull, SenderBusy, GroupFull };

    // threads: 0 means one per processor; queueLimit: jobs waiting at most; perSender: jobs one
    // sender may have waiting or running.
    WorkerPool(unsigned threads, std::size_t queueLimit, unsigned perSender);
    // Stops as stop() does.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Takes a job of sender, or says why not (the job is then not called). Thread-safe.
    Refusal submit(const std::string& sender, Job job, const WaitingBound& bound = {});

    // Lets the running jobs end, calls each waiting job with false and joins the threads. Later
    // submissions are refused (QueueFull). Idempotent.
    void stop();

    // Jobs waiting or running for sender.
    unsigned inFlight(const std::string& sender) const;

private:
    struct Entry {
        std::string sender;
        Job job;
        std::string group;
        bool counted = false; // counted in m_groups[group] while it waits
    };
    // Ends the count of a job that no longer waits; called with m_mutex held.
    void leftQueue(const Entry& entry);
    // Counts the run time of a job of a bounded group.
    void ran(const Entry& entry, std::chrono::steady_clock::duration took);
    void run();
    void release(const std::string& sender);

    const std::size_t m_queueLimit;
    const unsigned m_perSender;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_queue;
    std::unordered_map<std::string, unsigned> m_inFlight;
    struct Group {
        unsigned waiting = 0;
        double runMs = 0; // recent jobs' run time, a moving average; 0 before the first
    };
    std::unordered_map<std::string, Group> m_groups;
    unsigned m_threadCount = 1;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace bbstatsd
