#pragma once

#include <string>
#include <string_view>

namespace bbstatsd::news {

// A whole number with thousands separators: 2873 -> "2,873".
std::string thousands(long long value);
// An average to three decimals without the leading zero: 0.3421 -> ".342", 1 -> "1.000".
std::string average(double value);
// A real to `decimals` places.
std::string fixed(double value, int decimals);
// Text for an HTML page: &, <, > and " escaped.
std::string html(std::string_view text);
// "February 6, 1895"; the year is left out when it is 0 or less.
std::string longDate(int year, int month, int day);

// The start of a page of the site: its title as the window title and the heading.
std::string pageStart(const std::string& title);
// The end of a page: the data's attribution line.
std::string pageEnd();

} // namespace bbstatsd::news
