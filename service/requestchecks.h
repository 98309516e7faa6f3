#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bbstatsd {

// The address a trusted balancer appended to X-Forwarded-For: the last item of the last header
// line, whatever a client wrote before it (lines in the order they came, each a comma list).
// nullopt when there is no line or that item is not an IPv4 or IPv6 address.
std::optional<std::string> lastForwardedAddress(const std::vector<std::string>& lines);

// The first parameter name a raw query gives twice ("a=1&b&a=2" gives "a"), or nullopt when each
// is given once. Empty items ("a=1&&b=2") name nothing. When `textName` is not empty, the query
// from the parameter of that name on is one text of the route's own and is not looked at.
std::optional<std::string> repeatedParameter(std::string_view query, std::string_view textName);

} // namespace bbstatsd
