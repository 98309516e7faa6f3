#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Text of fixed capacity N (at most 255 bytes) held inside the record that
// owns it, so records stay trivially copyable and an all-zero record holds
// empty texts. Assigning longer text keeps the first characters that fit and
// never fails; a UTF-8 sequence is never split, so the kept text stays valid.
template <std::size_t N> class ShortString {
    static_assert(N > 0 && N <= 255, "a short string holds 1 to 255 bytes");

public:
    static constexpr std::size_t capacity = N;

    // Stores the longest prefix of `text` that fits, cut at a character start.
    void assign(std::string_view text) {
        std::size_t length = text.size() < N ? text.size() : N;
        if (length < text.size()) {
            // Step back over continuation bytes so the cut lands before the
            // first byte of a character that does not fit whole.
            while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
                --length;
            }
        }
        m_chars.fill('\0');
        for (std::size_t i = 0; i < length; ++i) {
            m_chars[i] = text[i];
        }
        m_length = static_cast<std::uint8_t>(length);
    }

    // The stored text; valid while this object lives and is not reassigned.
    std::string_view view() const { return std::string_view(m_chars.data(), m_length); }
    std::size_t size() const { return m_length; }
    bool empty() const { return m_length == 0; }

    // Equal when length and every stored byte agree.
    friend bool operator==(const ShortString& a, const ShortString& b) {
        return a.view() == b.view();
    }

private:
    std::uint8_t m_length = 0;
    std::array<char, N> m_chars{};
};
