// Any bytes as a settings file: reading, setting and replacing never crash, and a value that
// was set reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/ini.h"
#include "core/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text = lv::iniTextFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    lv::Settings s;
    lv::loadSettingsText(text, true, 144, &s);
    std::string saved = lv::saveSettingsText(text, s, 144);
    lv::Settings again;
    lv::loadSettingsText(saved, true, 144, &again);
    if (again.cacheMode != s.cacheMode || again.windowW != s.windowW || again.exifPanelW != s.exifPanelW) std::abort();
    std::string out = lv::iniSet(text, "Fuzz", "Key", "value");
    if (lv::iniGet(out, "Fuzz", "Key", "") != "value") std::abort();
    std::string keys[] = {"A"}, values[] = {"1"};
    out = lv::iniReplaceSectionText(text, "Recent", keys, values, 1);
    if (lv::iniGetInt(out, "Recent", "A", 0) != 1) std::abort();
    return 0;
}
