// Any text as filter tokens, typed tokens, saved-filter bodies, names and range values: nothing
// crashes, what reads is written back in a form that reads to the same text, and canonical
// bodies and cleaned names stay as they are when cleaned again.
// fuzz-max-len: 4096 (texts a person types; longer inputs only slow the search)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "filter/saved_filters.h"
#include "filter/token_syntax.h"

static void roundTrips(const lv::FilterToken& t) {
    std::string text = lv::tokenToText(t);
    lv::FilterToken again;
    if (!lv::textToToken(text, &again) || lv::tokenToText(again) != text) std::abort();
    lv::describeTokenValues(again);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    lv::FilterToken t;
    if (lv::textToToken(in, &t)) roundTrips(t);
    std::string why;
    if (lv::parseTokenArgument(in, &t, &why)) roundTrips(t);

    std::string body = lv::normalizeBody(in);
    if (lv::normalizeBody(body) != body) std::abort();
    lv::bodyIsUsable(body);
    lv::Filter f;
    for (size_t at = 0; at < body.size();) {
        size_t lf = body.find('\n', at);
        lv::addTokenText(f, std::string_view(body).substr(at, lf - at));
        if (lf == std::string::npos) break;
        at = lf + 1;
    }
    lv::describeFilter(f.tokens);

    std::string name = lv::sanitizeName(in);
    if (lv::sanitizeName(name) != name) std::abort();

    for (const lv::Criterion& c : lv::criteria()) {
        double v = 0;
        if (c.parse && c.parse(in, &v)) c.format(v);
    }
    return 0;
}
