#include "Convert.h"

#include <cmath>
#include <cstdint>

namespace py = pybind11;

namespace tcv::python {

namespace {

using Json = nlohmann::ordered_json;

// Far deeper than any part (three levels), shallow enough that a dict holding itself or a pathological
// nesting ends with an error instead of exhausting the stack.
constexpr int kMaxDepth = 64;

// Text as Python str; bytes that are not UTF-8 (which the JSON reader never lets through) are replaced
// rather than raised.
py::str text(const std::string& value) {
    PyObject* decoded = PyUnicode_DecodeUTF8(value.data(), static_cast<Py_ssize_t>(value.size()), "replace");
    if (!decoded) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(decoded);
}

std::string typeName(py::handle object) { return py::str(py::type::handle_of(object).attr("__name__")); }

Json convert(py::handle object, const std::string& path, int depth) {
    if (depth > kMaxDepth)
        throw py::value_error(path + ": nested more than " + std::to_string(kMaxDepth) + " levels deep");
    if (object.is_none()) return nullptr;
    if (py::isinstance<py::bool_>(object)) return object.cast<bool>();
    if (py::isinstance<py::int_>(object)) {
        int overflow = 0;
        const long long value = PyLong_AsLongLongAndOverflow(object.ptr(), &overflow);
        if (overflow)
            throw py::value_error(path + ": the whole number " + std::string(py::repr(object)) +
                                  " does not fit in 64 bits");
        if (value == -1 && PyErr_Occurred()) throw py::error_already_set();
        return static_cast<std::int64_t>(value);
    }
    if (py::isinstance<py::float_>(object)) {
        const double value = object.cast<double>();
        if (!std::isfinite(value))
            throw py::value_error(path + ": expected a finite number, got " + std::string(py::repr(object)));
        return value;
    }
    if (py::isinstance<py::str>(object)) return object.cast<std::string>();
    if (py::isinstance<py::dict>(object)) {
        Json out = Json::object();
        for (auto [key, value] : py::reinterpret_borrow<py::dict>(object)) {
            if (!py::isinstance<py::str>(key))
                throw py::type_error(path + ": keys must be text, got " + std::string(py::repr(key)) + " (a " +
                                     typeName(key) + ")");
            const std::string name = key.cast<std::string>();
            out[name] = convert(value, path + "." + name, depth + 1);
        }
        return out;
    }
    if (py::isinstance<py::list>(object) || py::isinstance<py::tuple>(object)) {
        Json out = Json::array();
        std::size_t index = 0;
        for (py::handle item : object) {
            out.push_back(convert(item, path + "[" + std::to_string(index) + "]", depth + 1));
            ++index;
        }
        return out;
    }
    throw py::type_error(path + ": expected a dict, list, str, number, bool or None, got a " + typeName(object));
}

} // namespace

py::object toPython(const Json& json) {
    switch (json.type()) {
    case Json::value_t::null:
        return py::none();
    case Json::value_t::boolean:
        return py::bool_(json.get<bool>());
    case Json::value_t::number_integer:
        return py::int_(json.get<std::int64_t>());
    case Json::value_t::number_unsigned:
        return py::int_(json.get<std::uint64_t>());
    case Json::value_t::number_float:
        return py::float_(json.get<double>());
    case Json::value_t::string:
        return text(json.get_ref<const std::string&>());
    case Json::value_t::array: {
        py::list out;
        for (const auto& item : json) out.append(toPython(item));
        return out;
    }
    case Json::value_t::object: {
        py::dict out;
        for (const auto& [key, value] : json.items()) out[text(key)] = toPython(value);
        return out;
    }
    case Json::value_t::binary:
    case Json::value_t::discarded:
        break;
    }
    return py::none();
}

Json fromPython(py::handle object, const std::string& path) { return convert(object, path, 0); }

} // namespace tcv::python
