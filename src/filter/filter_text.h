// Text helpers shared by the files of the strip filter (not part of its interface).
#pragma once
#include <string>
#include <string_view>

namespace lv {

// Without spaces and control characters at either end.
std::string_view trimView(std::string_view s);
// The whole text as a finite decimal number ("2.8", "-0.7", "1e3"); false otherwise.
bool parseDecimal(std::string_view t, double* out);

}  // namespace lv
