#include "service/health.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include <openssl/evp.h>

namespace bbstatsd {

namespace {

HttpReply stopping() {
    HttpReply reply = problemReply(503, "the service is stopping");
    reply.headers.emplace_back("Retry-After", "1");
    reply.headers.emplace_back("Connection", "close");
    return reply;
}

} // namespace

std::string fileDigest(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!file || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("cannot read statistics file " + path);
    }
    std::vector<unsigned char> block(1 << 20);
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
        EVP_DigestUpdate(context.get(), block.data(), got);
    }
    if (std::ferror(file.get()) != 0) {
        throw std::runtime_error("cannot read statistics file " + path);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_DigestFinal_ex(context.get(), digest, &size);
    static constexpr char Hex[] = "0123456789abcdef";
    std::string text = "sha256:";
    for (unsigned i = 0; i < size; ++i) {
        text.push_back(Hex[digest[i] >> 4]);
        text.push_back(Hex[digest[i] & 0xF]);
    }
    return text;
}

ServiceHealth::ServiceHealth(std::string format, std::string digest)
    : m_format(std::move(format)), m_digest(std::move(digest)) {}

void ServiceHealth::setState(State state) {
    m_state.store(state);
    m_idle.notify_all();
}

HttpRoute ServiceHealth::route() const {
    return {"GET", "/healthz", [this](const HttpRequest&) {
                const State state = m_state.load();
                HttpReply reply;
                reply.status = state == State::Ready ? 200 : 503;
                reply.body = std::string(state == State::Ready     ? "ready"
                                         : state == State::Loading ? "loading"
                                                                   : "draining") +
                             "\r\nformat " + m_format + "\r\ndigest " + m_digest + "\r\n";
                return reply;
            }};
}

HttpRoute ServiceHealth::loadingRoute() {
    return {"*", "*", [](const HttpRequest&) {
                HttpReply reply = problemReply(503, "loading");
                reply.headers.emplace_back("Retry-After", "1");
                reply.headers.emplace_back("Connection", "close");
                return reply;
            }};
}

void ServiceHealth::begin() {
    std::lock_guard lock(m_mutex);
    ++m_inFlight;
}

void ServiceHealth::end() {
    std::lock_guard lock(m_mutex);
    if (--m_inFlight == 0) {
        m_idle.notify_all();
    }
}

int ServiceHealth::inFlight() const {
    std::lock_guard lock(m_mutex);
    return m_inFlight;
}

std::vector<HttpRoute> ServiceHealth::guard(std::vector<HttpRoute> routes) {
    // Ends the count of one request when the last copy goes: the reply is handed over, or the
    // library frees a streamed body.
    using Token = std::shared_ptr<void>;
    const auto token = [this] {
        begin();
        return Token(nullptr, [this](void*) { end(); });
    };
    // A streamed body holds the token until the library frees it.
    const auto keep = [](HttpReply reply, const Token& held) {
        if (reply.stream) {
            reply.stream = [stream = std::move(reply.stream), held](std::uint64_t offset, char* out,
                                                                    std::size_t max) {
                return stream(offset, out, max);
            };
        }
        return reply;
    };
    for (HttpRoute& route : routes) {
        const bool admitsInQuick = static_cast<bool>(route.quick);
        if (route.quick) {
            route.quick = [this, token, keep, quick = std::move(route.quick)](
                              const HttpRequest& request) -> std::optional<HttpReply> {
                if (m_state.load() == State::Draining) {
                    return stopping();
                }
                Token held = token();
                std::optional<HttpReply> reply = quick(request);
                if (reply) {
                    return keep(std::move(*reply), held);
                }
                // Counted on until the worker or the store answers; begun here, ended there,
                // or when the server never runs it.
                begin();
                return std::nullopt;
            };
            route.notRun = [this, notRun = std::move(route.notRun)](const HttpRequest& request) {
                if (notRun) {
                    notRun(request);
                }
                end();
            };
        }
        if (route.handler) {
            route.handler = [this, admitsInQuick, token, keep,
                             handler = std::move(route.handler)](const HttpRequest& request) {
                if (!admitsInQuick && m_state.load() == State::Draining) {
                    return stopping();
                }
                Token held = token();
                if (admitsInQuick) {
                    end(); // the count begun when the quick look passed it on
                }
                return keep(handler(request), held);
            };
        }
        if (route.async) {
            route.async = [this, async = std::move(route.async)](
                              const HttpRequest& request, std::function<void(HttpReply)> reply) {
                // Begun when the quick look passed it on; ends once the store has answered.
                async(request, [this, reply = std::move(reply)](HttpReply answer) {
                    reply(std::move(answer));
                    end();
                });
            };
        }
    }
    return routes;
}

bool ServiceHealth::drain(std::chrono::milliseconds limit) {
    setState(State::Draining);
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [this] { return m_inFlight == 0; });
}

} // namespace bbstatsd
