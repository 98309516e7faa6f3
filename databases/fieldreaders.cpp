#include "databases/fieldreaders.h"

#include <charconv>
#include <cstddef>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double ParseRealLenient(std::string_view text) {
    constexpr double malformed = -1.0;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Take the longest run of the form digits [ "." digits ] with at least
    // one digit; from_chars then converts exactly that run, independent of
    // the C locale.
    std::size_t end = i;
    std::size_t digits = 0;
    while (end < text.size() && isDigit(text[end])) {
        ++end;
        ++digits;
    }
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
            ++digits;
        }
    }
    if (digits == 0) {
        return malformed;
    }
    double value = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != last) {
        return malformed;
    }
    return negative ? -value : value;
}
