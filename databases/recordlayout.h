#pragma once

#include <string_view>
#include <vector>

// Reads one reply line into one field of a record; never fails (bad text
// reads as the field's lenient value).
template <class Record> using FieldReader = void (*)(Record& record, std::string_view line);

// How one database's records travel in a page reply: entry k of `readers`
// reads line k of a record, so readers.size() is the number of lines per
// record. `initialCapacity` is the number of page-cache slots allocated at
// start; the cache grows beyond it when a reply states more records.
template <class Record> struct RecordLayout {
    int initialCapacity = 0;
    std::vector<FieldReader<Record>> readers;

    int linesPerRecord() const { return static_cast<int>(readers.size()); }
};
