#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "databases/parseintlenient.h"
#include "databases/recordlayout.h"

// A small record of two reply lines, standing in for the database records.
struct TestRecord {
    char Name[16];
    std::int32_t Value;
};

inline void ReadTestName(TestRecord& record, std::string_view line) {
    const std::size_t length = std::min(line.size(), sizeof record.Name - 1);
    std::memset(record.Name, 0, sizeof record.Name);
    std::memcpy(record.Name, line.data(), length);
}

inline void ReadTestValue(TestRecord& record, std::string_view line) {
    record.Value = ParseIntLenient(line);
}

inline RecordLayout<TestRecord> TestLayout(int initialCapacity) {
    return {initialCapacity, {&ReadTestName, &ReadTestValue}};
}

inline std::string NameOf(const TestRecord& record) {
    return std::string(record.Name);
}
