#include "service/requestchecks.h"

#include <algorithm>
#include <unordered_set>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace bbstatsd {

std::optional<std::string> lastForwardedAddress(const std::vector<std::string>& lines) {
    if (lines.empty()) {
        return std::nullopt;
    }
    std::string_view text = lines.back();
    const auto comma = text.rfind(',');
    if (comma != std::string_view::npos) {
        text.remove_prefix(comma + 1);
    }
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") + 1 - first);
    const std::string address(text);
    in6_addr probe{};
    if (inet_pton(AF_INET, address.c_str(), &probe) != 1 &&
        inet_pton(AF_INET6, address.c_str(), &probe) != 1) {
        return std::nullopt;
    }
    return address;
}

std::optional<std::string> repeatedParameter(std::string_view query, std::string_view textName) {
    // A set: a request line of thousands of items must not cost their square.
    std::unordered_set<std::string_view> names;
    std::size_t start = 0;
    while (start < query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view item = query.substr(start, end - start);
        start = end + 1;
        const std::string_view name = item.substr(0, item.find('='));
        if (item.empty()) {
            continue;
        }
        if (!textName.empty() && name == textName) {
            break;
        }
        if (!names.insert(name).second) {
            return std::string(name);
        }
    }
    return std::nullopt;
}

} // namespace bbstatsd
