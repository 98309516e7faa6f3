#include "service/mhdreply.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <new>

namespace bbstatsd {

namespace {

// A streamed body: the library calls the stream as the connection drains and frees it with
// the response.
MHD_Response* streamResponse(HttpReply& reply) {
    using Stream = std::function<long(std::uint64_t, char*, std::size_t)>;
    auto* stream = new (std::nothrow) Stream(std::move(reply.stream));
    if (stream == nullptr) {
        return nullptr;
    }
    MHD_Response* response = MHD_create_response_from_callback(
        reply.streamLength, HttpReply::StreamBlock,
        [](void* cls, std::uint64_t offset, char* out, std::size_t max) -> ssize_t {
            long written = -1;
            try {
                written = (*static_cast<Stream*>(cls))(offset, out, max);
            } catch (const std::exception&) {
                written = -1;
            }
            return written < 0 ? MHD_CONTENT_READER_END_WITH_ERROR : static_cast<ssize_t>(written);
        },
        stream, [](void* cls) { delete static_cast<Stream*>(cls); });
    if (response == nullptr) {
        delete stream;
    }
    return response;
}

// The body is handed over to the library without a copy and freed when the response is.
MHD_Response* bufferResponse(HttpReply& reply) {
    auto* body = new (std::nothrow) std::string(std::move(reply.body));
    if (body == nullptr) {
        return nullptr;
    }
    MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
        body->size(), body->data(), [](void* owned) { delete static_cast<std::string*>(owned); },
        body);
    if (response == nullptr) {
        delete body;
    }
    return response;
}

} // namespace

// Header values may carry neither line ends nor other control characters.
std::string headerSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        out.push_back(byte < 0x20 || byte == 0x7f ? ' ' : ch);
    }
    if (out.size() > 200) {
        out.resize(200);
    }
    return out;
}

MHD_Result queueReply(MHD_Connection* connection, HttpReply reply) {
    MHD_Response* response =
        reply.stream ? streamResponse(reply)
        : !reply.keptBody.empty()
            ? MHD_create_response_from_buffer(reply.keptBody.size(),
                                              const_cast<char*>(reply.keptBody.data()),
                                              MHD_RESPMEM_PERSISTENT)
            : bufferResponse(reply);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    for (const auto& [name, value] : reply.headers) {
        MHD_add_response_header(response, name.c_str(), headerSafe(value).c_str());
    }
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

HttpReply problemReply(int status, std::string_view reason) {
    HttpReply reply;
    reply.status = status;
    reply.body = headerSafe(reason) + "\r\n";
    reply.headers.emplace_back(ProblemHeader, headerSafe(reason));
    return reply;
}

} // namespace bbstatsd
