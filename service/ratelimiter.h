#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace bbstatsd {

// Admits at most `burst` requests at once per sender and `perSecond` a second after that (a
// token bucket per sender). It remembers at most `maxSenders` senders; past that, senders whose
// bucket has refilled are forgotten, and when none has, every bucket starts afresh.
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(double perSecond, double burst, std::size_t maxSenders = 4096);

    // True when sender may make a request at `now` (which then counts). Thread-safe.
    bool admit(const std::string& sender, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };
    double refilled(const Bucket& bucket, Clock::time_point now) const;

    const double m_perSecond;
    const double m_burst;
    const std::size_t m_maxSenders;
    std::mutex m_mutex;
    std::unordered_map<std::string, Bucket> m_buckets;
};

} // namespace bbstatsd
