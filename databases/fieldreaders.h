#pragma once

#include <cstdint>
#include <string_view>

#include "databases/parseintlenient.h"
#include "databases/shortstring.h"

// Reads a real written with "." as the decimal separator, whatever the
// process locale: leading blanks and tabs are skipped, an optional sign
// follows, then digits with at most one "."; reading stops at the first other
// character. No exponent, "inf" or "nan" is accepted. A text without a digit
// in that place, or one out of the double range, reads as -1, the value
// every database shows as "---".
double ParseRealLenient(std::string_view text);

// Field readers for one reply line, by the field's type. They never fail.
inline void ReadValue(std::int32_t& field, std::string_view line) {
    field = ParseIntLenient(line);
}
inline void ReadValue(double& field, std::string_view line) {
    field = ParseRealLenient(line);
}
// A single-character field keeps the line's first byte; an empty line stores
// '\0', which draws as nothing.
inline void ReadValue(char& field, std::string_view line) {
    field = line.empty() ? '\0' : line.front();
}
template <std::size_t N> void ReadValue(ShortString<N>& field, std::string_view line) {
    field.assign(line);
}

namespace detail {
template <class T> struct MemberOf;
template <class Record, class Field> struct MemberOf<Field Record::*> {
    using RecordType = Record;
};
} // namespace detail

// A FieldReader for the data member `Member`: `&ReadLine<&BatterRecord::G>`.
template <auto Member>
void ReadLine(typename detail::MemberOf<decltype(Member)>::RecordType& record,
              std::string_view line) {
    ReadValue(record.*Member, line);
}
