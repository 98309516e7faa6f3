#include "service/peerlimit.h"

namespace bbstatsd {

bool PeerLimit::admit(std::uint32_t address) {
    if (m_limit == 0) {
        return true;
    }
    std::lock_guard lock(m_mutex);
    unsigned& open = m_open[address];
    if (open >= m_limit) {
        return false;
    }
    ++open;
    return true;
}

void PeerLimit::release(std::uint32_t address) {
    if (m_limit == 0) {
        return;
    }
    std::lock_guard lock(m_mutex);
    const auto found = m_open.find(address);
    if (found == m_open.end()) {
        return;
    }
    // An address with nothing open is forgotten, so the table holds only current clients.
    if (--found->second == 0) {
        m_open.erase(found);
    }
}

} // namespace bbstatsd
