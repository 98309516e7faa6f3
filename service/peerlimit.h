#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace bbstatsd {

// Connections open at once from each client address, counted over every daemon that answers
// one listen address: each daemon has its own listening socket and threads, so the library's
// own per-address count, kept per daemon, would let a client hold the limit once per daemon.
class PeerLimit {
public:
    // 0: no limit.
    explicit PeerLimit(unsigned limit) : m_limit(limit) {}

    // Counts a new connection from the address (IPv4, network order); false, counting nothing,
    // when the address holds `limit` connections already.
    bool admit(std::uint32_t address);

    // A counted connection from the address has closed.
    void release(std::uint32_t address);

private:
    const unsigned m_limit;
    std::mutex m_mutex;
    std::unordered_map<std::uint32_t, unsigned> m_open;
};

} // namespace bbstatsd
