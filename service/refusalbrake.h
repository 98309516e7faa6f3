#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace bbstatsd {

// Holds back the refusals of a client that asks again at once, ignoring Retry-After: an address
// refused more than `perSecond` times within a second has its further refusals held back
// `hold`, and stays held while it keeps being refused within a second of its last held reply.
// A client that waits a second after a refusal is never held; nor are a few refusals in a row
// (a client failing over to its other hosts, a window's burst of small requests). At most
// `maxAddresses` addresses are remembered; past that the quiet ones are forgotten, and when none
// is, all of them.
class RefusalBrake {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr unsigned DefaultPerSecond = 40;
    static constexpr std::chrono::milliseconds DefaultHold{1000};

    explicit RefusalBrake(unsigned perSecond = DefaultPerSecond,
                          std::chrono::milliseconds hold = DefaultHold,
                          std::size_t maxAddresses = 4096);

    // Counts one refusal of `address` at `now` and returns how long its reply is held back (0:
    // sent at once). Thread-safe.
    std::chrono::milliseconds refused(const std::string& address,
                                      Clock::time_point now = Clock::now());

private:
    struct Count {
        Clock::time_point windowStart;
        unsigned inWindow = 0;
        bool held = false;
        Clock::time_point lastDue; // when the last held reply goes out
    };

    const unsigned m_perSecond;
    const std::chrono::milliseconds m_hold;
    const std::size_t m_maxAddresses;
    std::mutex m_mutex;
    std::unordered_map<std::string, Count> m_counts;
};

} // namespace bbstatsd
