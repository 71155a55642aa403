// Between the catalogue's and report's JSON and Python objects: dicts, lists, text, numbers, True, False
// and None, in both directions, with the order of keys kept.
#pragma once

#include <string>

#include <nlohmann/json.hpp>
#include <pybind11/pybind11.h>

namespace tcv::python {

// The Python object of a JSON value: objects become dicts (keys in order), arrays lists, numbers int or
// float (the same double the JSON text gives), text str.
pybind11::object toPython(const nlohmann::ordered_json& json);

// The JSON value of a Python object made of dicts with text keys, lists, tuples, str, int, float, bool
// and None. Anything else, a number JSON cannot hold (NaN, infinity, an int beyond 64 bits) or nesting
// deeper than a catalogue ever needs raises ValueError or TypeError naming the place under `path`
// ("part.inputs.FacetoFace").
nlohmann::ordered_json fromPython(pybind11::handle object, const std::string& path);

} // namespace tcv::python
