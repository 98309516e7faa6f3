#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace bbstatsd {

// A sequence of 32-bit values held in 1, 2 or 4 bytes each: the fewest that fit every value
// held so far (a value that does not fit widens all of them once). Values are kept one above
// themselves, so that -1, the missing marker of counts and ranks (0xffffffff unsigned), takes
// no more room than 0. T is std::int32_t or std::uint32_t.
template <typename T> class PackedInts {
    static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::uint32_t>);

public:
    // The values held in U, read as T: the view a loop over many rows takes once (visit).
    template <typename U> struct View {
        const U* held;
        T operator[](std::size_t i) const { return decode(held[i]); }
    };

    T operator[](std::size_t i) const {
        switch (m_width) {
        case 1:
            return decode(m_8[i]);
        case 2:
            return decode(m_16[i]);
        default:
            return decode(m_32[i]);
        }
    }
    std::size_t size() const {
        return m_width == 1 ? m_8.size() : (m_width == 2 ? m_16.size() : m_32.size());
    }
    bool empty() const { return size() == 0; }
    // Bytes per value now: 1, 2 or 4.
    int width() const { return m_width; }

    void push_back(T value) {
        const std::uint32_t held = encode(value);
        fit(held);
        switch (m_width) {
        case 1:
            m_8.push_back(static_cast<std::uint8_t>(held));
            break;
        case 2:
            m_16.push_back(static_cast<std::uint16_t>(held));
            break;
        default:
            m_32.push_back(held);
        }
    }
    // Replaces the value at i (i < size()).
    void set(std::size_t i, T value) {
        const std::uint32_t held = encode(value);
        fit(held);
        switch (m_width) {
        case 1:
            m_8[i] = static_cast<std::uint8_t>(held);
            break;
        case 2:
            m_16[i] = static_cast<std::uint16_t>(held);
            break;
        default:
            m_32[i] = held;
        }
    }
    // n copies of value, held at least as wide as `largest` needs, so that setting values up
    // to it later widens nothing.
    void assign(std::size_t n, T value, T largest = T(0)) {
        *this = PackedInts();
        fit(encode(largest));
        fit(encode(value));
        const std::uint32_t held = encode(value);
        switch (m_width) {
        case 1:
            m_8.assign(n, static_cast<std::uint8_t>(held));
            break;
        case 2:
            m_16.assign(n, static_cast<std::uint16_t>(held));
            break;
        default:
            m_32.assign(n, held);
        }
    }
    void reserve(std::size_t n) {
        m_width == 1 ? m_8.reserve(n) : (m_width == 2 ? m_16.reserve(n) : m_32.reserve(n));
    }
    void shrink_to_fit() {
        m_8.shrink_to_fit();
        m_16.shrink_to_fit();
        m_32.shrink_to_fit();
    }
    // Bytes held.
    std::size_t bytes() const { return m_8.capacity() + m_16.capacity() * 2 + m_32.capacity() * 4; }

    // Calls f with a View of the values as held (View<std::uint8_t>, <std::uint16_t> or
    // <std::uint32_t>) and returns what it returns: a loop over many values inside f reads
    // them without asking their width each time.
    template <typename F> decltype(auto) visit(F&& f) const {
        switch (m_width) {
        case 1:
            return f(View<std::uint8_t>{m_8.data()});
        case 2:
            return f(View<std::uint16_t>{m_16.data()});
        default:
            return f(View<std::uint32_t>{m_32.data()});
        }
    }

private:
    static std::uint32_t encode(T value) { return static_cast<std::uint32_t>(value) + 1u; }
    static T decode(std::uint32_t held) { return static_cast<T>(held - 1u); }

    // Widens the values held so that `held` fits, keeping the room reserved.
    void fit(std::uint32_t held) {
        if (m_width == 1 && held > 0xffu) {
            if (held > 0xffffu) {
                widen(m_8, m_32);
                m_width = 4;
                return;
            }
            widen(m_8, m_16);
            m_width = 2;
        }
        if (m_width == 2 && held > 0xffffu) {
            widen(m_16, m_32);
            m_width = 4;
        }
    }
    template <typename From, typename To> static void widen(From& from, To& to) {
        to.reserve(from.capacity());
        to.assign(from.begin(), from.end());
        from = From();
    }

    int m_width = 1;
    std::vector<std::uint8_t> m_8;
    std::vector<std::uint16_t> m_16;
    std::vector<std::uint32_t> m_32;
};

} // namespace bbstatsd
