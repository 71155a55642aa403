#include "HttpMessage.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>

#include <boost/locale/utf.hpp>

namespace tcv::cli {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

std::string HttpRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (equalNoCase(key, name)) return value;
    return {};
}

std::string HttpRequest::param(std::string_view name) const {
    for (const auto& [key, value] : query)
        if (key == name) return value;
    return {};
}

void HttpResponse::setHeader(std::string name, std::string value) {
    for (auto& [key, existing] : headers)
        if (equalNoCase(key, name)) {
            existing = std::move(value);
            return;
        }
    headers.emplace_back(std::move(name), std::move(value));
}

void HttpResponse::setContent(std::string text, std::string type) {
    body = std::move(text);
    contentType = std::move(type);
}

std::uint64_t HttpResponse::contentLength() const {
    std::uint64_t bytes = body.size();
    if (file.get() >= 0)
        for (const auto& span : spans) bytes += span.head.size() + span.length;
    return bytes;
}

std::string percentDecoded(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out.push_back(' ');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> parseQuery(std::string_view query) {
    std::vector<std::pair<std::string, std::string>> params;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        params.emplace_back(percentDecoded(pair.substr(0, eq), true),
                            eq == std::string_view::npos ? std::string() : percentDecoded(pair.substr(eq + 1), true));
    }
    return params;
}

bool isValidUtf8(std::string_view text) {
    using Traits = boost::locale::utf::utf_traits<char>;
    const char* position = text.data();
    const char* const end = position + text.size();
    while (position != end) {
        const boost::locale::utf::code_point c = Traits::decode(position, end);
        if (c == boost::locale::utf::illegal || c == boost::locale::utf::incomplete) return false;
    }
    return true;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace tcv::cli
