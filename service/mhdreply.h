#pragma once

#include <string>
#include <string_view>

#include <microhttpd.h>

#include "service/httpserver.h"

// Turning a handler's reply into libmicrohttpd's response.
namespace bbstatsd {

// Header values may carry neither line ends nor other control characters; at most 200 bytes.
std::string headerSafe(std::string_view text);

// Queues the reply on the connection: a body is handed over without a copy, a stream is called
// as the connection drains. MHD_NO when the response cannot be made or queued.
MHD_Result queueReply(MHD_Connection* connection, HttpReply reply);

} // namespace bbstatsd
