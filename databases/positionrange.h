#pragma once

#include <cstdint>

// A run of result positions: first .. first + count - 1.
struct PositionRange {
    std::int64_t first = 0;
    std::int64_t count = 0;
};
