// Any bytes as an export destination template: parsing, checking and resolving never crash, a
// template that passes the check has no unknown token, and doubled braces come back single.
// fuzz-max-len: 4096 (texts a person types; longer inputs only slow the search)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "export/export_destination.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string tpl(reinterpret_cast<const char*>(data), size);
    auto items = lv::parseExportTemplate(tpl);
    size_t literal = 0;
    bool counter = false;
    for (const auto& it : items) {
        if (!it.isToken) literal += it.text.size();
        if (it.isToken && it.identity == lv::kExportTokCounter) counter = true;
        if (it.counterWidth < 0 || it.counterWidth > 9) std::abort();
    }
    if (literal > size) std::abort();
    std::string msg = lv::checkExportTemplate(tpl);
    lv::checkExportPath(tpl, lv::PathStyle::Windows);
    lv::checkExportPath(tpl, lv::PathStyle::Posix);
    // Counters look at the file system; everything else resolves from the context alone.
    if (msg.empty() && !counter) {
        lv::ExportResolveContext ctx{"/fuzz/shoot/", {2024, 5, 17, 0, 0, 0, 0}, lv::PathStyle::Posix};
        std::string path = lv::resolveExportDestination(tpl, ctx);
        lv::checkExportPath(path, lv::PathStyle::Posix);
        if (tpl == "{{}}" && path != "{}") std::abort();
    }
    return 0;
}
