// Any bytes as an import template: expansion, the check, its message, migration and the chip
// captions and menus never crash, expansion never yields an empty folder level or a character
// Windows refuses, and migration of a migrated template changes nothing more.
// fuzz-max-len: 4096 (texts a person types; longer inputs only slow the search)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/import_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string tpl(reinterpret_cast<const char*>(data), size);
    lv::ImportNameContext c;
    c.year = 2024, c.month = 5, c.day = 17, c.seq = 41;
    c.name = "IMG_0001";
    c.ext = "CR3";
    c.kind = "raw";
    c.camera = "Canon EOS R5";
    c.lens = "EF24-70mm f/2.8L II USM";
    std::string unknown;
    std::string path = lv::expandImportTemplate(tpl, c, &unknown, lv::PathStyle::Windows);
    if (!path.empty() && (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos))
        std::abort();
    for (char ch : path)
        if ((static_cast<unsigned char>(ch) < 32) || std::string_view(":*?\"<>|/").find(ch) != std::string_view::npos)
            std::abort();
    // The check and the expansion agree: a template that expands with unknown tokens is refused.
    lv::TemplateCheck check = lv::checkImportTemplate(tpl);
    if (!unknown.empty() && !check.hasError) std::abort();
    lv::describeTemplateProblems(check);
    std::string migrated = lv::normalizeStoredTemplate(tpl);
    if (lv::normalizeStoredTemplate(migrated) != migrated) std::abort();
    for (const lv::TemplatePiece& p : lv::splitTemplate(tpl)) {
        if (p.kind != lv::TemplatePiece::Token) continue;
        lv::importTokenLabel(p.raw);
        for (const lv::TokenMenuItem& m : lv::importChangeToMenu(p.raw))
            if (lv::checkImportTemplate(m.tokenText).hasError) std::abort();
    }
    lv::shortLensName(tpl);
    lv::shortCameraName(tpl);
    return 0;
}
