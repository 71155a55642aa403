#include "tarncheckvalve/refhost/ConstructionMemo.h"

#include <cstring>
#include <type_traits>

namespace tcv::refhost {

namespace {

template <class T>
void appendBits(std::string& key, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    key.append(bytes, sizeof(T));
}

} // namespace

std::string ConstructionMemo::keyOf(const Creation& creation) {
    std::string key = creation.kind;
    key.push_back('\0');
    for (const auto& [name, value] : creation.values) {
        key += name;
        // The alternative's index tells a number from a flag or an integer of the same bits.
        key.push_back(static_cast<char>(value.index()));
        std::visit(
            [&key](const auto& v) {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, std::string>) {
                    appendBits(key, v.size());
                    key += v;
                } else if constexpr (std::is_same_v<V, std::vector<double>>) {
                    appendBits(key, v.size());
                    for (double d : v) appendBits(key, d);
                } else {
                    appendBits(key, v);
                }
            },
            value);
    }
    return key;
}

} // namespace tcv::refhost
