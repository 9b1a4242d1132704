// Reading JSON in tests (the corpus manifests, ExifTool's and lumivore's output) with nlohmann-json,
// without exceptions: a missing member or element reads as null.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

namespace lvtest {

using Json = nlohmann::json;

// The value, or a discarded one (is_discarded()) when the text is not JSON.
inline Json parseJson(const std::string& text) { return Json::parse(text, nullptr, false); }

inline const Json& jsonNull() {
    static const Json n;
    return n;
}
inline const Json& field(const Json& j, const std::string& key) {
    if (!j.is_object()) return jsonNull();
    auto it = j.find(key);
    return it == j.end() ? jsonNull() : *it;
}
inline const Json& item(const Json& j, size_t i) { return j.is_array() && i < j.size() ? j[i] : jsonNull(); }

// A string's text, a number as the manifests print it (no trailing ".0"), true/false, else "".
inline std::string text(const Json& j) {
    if (j.is_string()) return j.get<std::string>();
    if (j.is_boolean()) return j.get<bool>() ? "true" : "false";
    if (!j.is_number()) return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", j.get<double>());
    return buf;
}
// A number, or the leading number of a string.
inline double number(const Json& j) { return j.is_number() ? j.get<double>() : std::atof(text(j).c_str()); }

}  // namespace lvtest
