#include "service/ratelimiter.h"

#include <algorithm>

namespace bbstatsd {

RateLimiter::RateLimiter(double perSecond, double burst, std::size_t maxSenders)
    : m_perSecond(perSecond), m_burst(std::max(burst, 1.0)), m_maxSenders(maxSenders) {}

double RateLimiter::refilled(const Bucket& bucket, Clock::time_point now) const {
    const std::chrono::duration<double> elapsed = now - bucket.updated;
    return std::min(m_burst, bucket.tokens + std::max(elapsed.count(), 0.0) * m_perSecond);
}

bool RateLimiter::admit(const std::string& sender, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    auto it = m_buckets.find(sender);
    if (it == m_buckets.end()) {
        if (m_buckets.size() >= m_maxSenders) {
            std::erase_if(m_buckets, [&](const auto& entry) {
                return refilled(entry.second, now) >= m_burst;
            });
            if (m_buckets.size() >= m_maxSenders) {
                m_buckets.clear();
            }
        }
        it = m_buckets.emplace(sender, Bucket{m_burst, now}).first;
    }
    Bucket& bucket = it->second;
    bucket.tokens = refilled(bucket, now);
    bucket.updated = now;
    if (bucket.tokens < 1.0) {
        return false;
    }
    bucket.tokens -= 1.0;
    return true;
}

} // namespace bbstatsd
