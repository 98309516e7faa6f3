#pragma once

#include <string_view>

#include <QByteArray>
#include <QList>

#include "databases/recordlayout.h"

// Reads one record the way a page fetch does: line k through readers[k];
// lines missing from `lines` read as empty lines.
template <class Record>
Record ReadRecord(const RecordLayout<Record>& layout, const QList<QByteArray>& lines) {
    Record record{};
    for (int k = 0; k < layout.linesPerRecord(); ++k) {
        const QByteArray line = k < lines.size() ? lines[k] : QByteArray();
        layout.readers[static_cast<std::size_t>(k)](
            record, std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    }
    return record;
}

// `count` lines, each empty except line `index`, which holds `text`.
inline QList<QByteArray> OneLine(int count, int index, const QByteArray& text) {
    QList<QByteArray> lines(count);
    lines[index] = text;
    return lines;
}
