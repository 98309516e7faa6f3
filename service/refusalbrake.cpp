#include "service/refusalbrake.h"

namespace bbstatsd {

namespace {

constexpr std::chrono::seconds Window{1};

} // namespace

RefusalBrake::RefusalBrake(unsigned perSecond, std::chrono::milliseconds hold,
                           std::size_t maxAddresses)
    : m_perSecond(perSecond), m_hold(hold), m_maxAddresses(maxAddresses) {}

std::chrono::milliseconds RefusalBrake::refused(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    auto it = m_counts.find(address);
    if (it == m_counts.end()) {
        if (m_counts.size() >= m_maxAddresses) {
            std::erase_if(m_counts, [&](const auto& entry) {
                const Count& count = entry.second;
                return now - (count.held ? count.lastDue : count.windowStart) >= Window;
            });
            if (m_counts.size() >= m_maxAddresses) {
                m_counts.clear();
            }
        }
        it = m_counts.emplace(address, Count{now, 0, false, now}).first;
    }
    Count& count = it->second;
    if (count.held) {
        if (now - count.lastDue < Window) {
            // Asked again at once after a held refusal: held once more.
            count.lastDue = now + m_hold;
            return m_hold;
        }
        count = Count{now, 0, false, now};
    }
    if (now - count.windowStart >= Window) {
        count.windowStart = now;
        count.inWindow = 0;
    }
    if (++count.inWindow <= m_perSecond) {
        return std::chrono::milliseconds(0);
    }
    count.held = true;
    count.lastDue = now + m_hold;
    return m_hold;
}

} // namespace bbstatsd
