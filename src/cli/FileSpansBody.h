// The body of an answer read from a file as the client takes it: the response's spans of the file (each
// after its own head text), then its trailing text. At most one buffer of the file is in memory per
// connection however large the file or the ranges asked of it.
#pragma once

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/optional.hpp>

#include "HttpMessage.h"

namespace tcv::cli {

struct FileSpansBody {
    struct value_type {
        FileHandle file;
        std::vector<FileSpan> spans;
        std::string tail;
    };

    static std::uint64_t size(const value_type& body) {
        std::uint64_t bytes = body.tail.size();
        for (const auto& span : body.spans) bytes += span.head.size() + span.length;
        return bytes;
    }

    class writer {
    public:
        using const_buffers_type = boost::asio::const_buffer;

        template <bool isRequest, class Fields>
        writer(const boost::beast::http::header<isRequest, Fields>&, const value_type& body) : body_(body) {}

        void init(boost::beast::error_code& ec) { ec = {}; }

        boost::optional<std::pair<const_buffers_type, bool>> get(boost::beast::error_code& ec) {
            ec = {};
            while (span_ < body_.spans.size()) {
                const FileSpan& span = body_.spans[span_];
                if (!headSent_) {
                    headSent_ = true;
                    if (!span.head.empty()) return {{boost::asio::buffer(span.head), true}};
                }
                if (sent_ < span.length) {
                    const std::uint64_t left = span.length - sent_;
                    const std::size_t want = left < buffer_.size() ? static_cast<std::size_t>(left) : buffer_.size();
                    ssize_t got;
                    do {
                        got = ::pread(body_.file.get(), buffer_.data(), want, static_cast<off_t>(span.offset + sent_));
                    } while (got < 0 && errno == EINTR);
                    // A file that shrank or cannot be read ends the answer short: the connection is closed.
                    if (got <= 0) {
                        ec = boost::beast::http::error::short_read;
                        return boost::none;
                    }
                    sent_ += static_cast<std::uint64_t>(got);
                    return {{boost::asio::buffer(buffer_.data(), static_cast<std::size_t>(got)), true}};
                }
                ++span_;
                headSent_ = false;
                sent_ = 0;
            }
            if (!tailSent_ && !body_.tail.empty()) {
                tailSent_ = true;
                return {{boost::asio::buffer(body_.tail), false}};
            }
            return boost::none;
        }

    private:
        const value_type& body_;
        std::size_t span_ = 0;
        bool headSent_ = false;
        std::uint64_t sent_ = 0;
        bool tailSent_ = false;
        std::array<char, 16 * 1024> buffer_{};
    };
};

} // namespace tcv::cli
