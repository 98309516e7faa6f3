#include "service/newsformat.h"

#include <cmath>
#include <cstdio>

namespace bbstatsd::news {

std::string thousands(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    for (auto at = static_cast<long long>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    if (value < 0) {
        digits.insert(0, 1, '-');
    }
    return digits;
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string average(double value) {
    std::string text = fixed(value, 3);
    return text.starts_with("0.") ? text.substr(1) : text;
}

std::string html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string longDate(int year, int month, int day) {
    static constexpr const char* months[] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
    std::string text = month >= 1 && month <= 12 ? months[month - 1] : "?";
    text += ' ';
    text += std::to_string(day);
    if (year > 0) {
        text += ", ";
        text += std::to_string(year);
    }
    return text;
}

std::string pageStart(const std::string& title) {
    return "<HTML>\r\n<HEAD><TITLE>" + html(title) + "</TITLE></HEAD>\r\n<BODY>\r\n<H1>" +
           html(title) + "</H1>\r\n";
}

std::string pageEnd() {
    return "<P>Baseball statistics from the Lahman Baseball Database by Sean Lahman, licensed "
           "under CC BY-SA 3.0.</P>\r\n</BODY>\r\n</HTML>\r\n";
}

} // namespace bbstatsd::news
