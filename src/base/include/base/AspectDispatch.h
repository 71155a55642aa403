// The dispatch of an aspect's `run` to its variant builders by PartDataBasis, shared by both aspects.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <variant>
#include <vector>

#include "host/Symbol.h"
#include "host/Value.h"

namespace tcv {

template <class Aspect>
struct AspectDispatch {
    using Builder = void (Aspect::*)(const host::OutputCollectionPtr&, const host::VariantArray&,
                                     const host::StringArray&);
    // One builder of each aspect takes the output collection as a generic value holding the object.
    using VariantBuilder = void (Aspect::*)(const host::Variant&, const host::VariantArray&, const host::StringArray&);

    struct Entry {
        std::initializer_list<std::int32_t> values;
        std::variant<Builder, VariantBuilder> builder;
    };

    // Calls the first builder whose values hold `partDataBasis`, in table order; false when none does.
    template <std::size_t N>
    static bool call(const Entry (&table)[N], std::int32_t partDataBasis, Aspect& aspect,
                     const host::OutputCollectionPtr& outputColl, const host::VariantArray& inputs,
                     const host::StringArray& outputs) {
        for (const auto& entry : table) {
            for (std::int32_t value : entry.values) {
                if (value != partDataBasis) continue;
                if (const auto* builder = std::get_if<Builder>(&entry.builder))
                    (aspect.**builder)(outputColl, inputs, outputs);
                else
                    (aspect.*std::get<VariantBuilder>(entry.builder))(host::Variant(host::ObjectPtr(outputColl)),
                                                                      inputs, outputs);
                return true;
            }
        }
        return false;
    }

    // Every PartDataBasis the table serves, ascending and each once.
    template <std::size_t N>
    static std::vector<std::int32_t> values(const Entry (&table)[N]) {
        std::vector<std::int32_t> result;
        for (const auto& entry : table) result.insert(result.end(), entry.values.begin(), entry.values.end());
        std::sort(result.begin(), result.end());
        result.erase(std::unique(result.begin(), result.end()), result.end());
        return result;
    }
};

} // namespace tcv
