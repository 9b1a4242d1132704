// The shot-information part of `lumivore info`: the panel rows as the viewer shows them, the AF
// geometry, every ShotInfo field and the PhotoMeta record, as report sections.
#pragma once
#include <string>
#include <vector>

#include "metadata/tiff.h"

namespace lv::cli {

struct ShotReportField {
    std::string key, text;
    bool quoted = true;
};
struct ShotReportSection {
    std::string key;
    std::vector<ShotReportField> fields;
    std::vector<std::vector<ShotReportField>> items;
    bool isList = false;
};

std::vector<ShotReportSection> shotReport(const std::string& path, ByteView head);

// Appends the sections in the report types of the caller (fields {key, text, quoted}).
template <class Section, class Field>
void appendShotSections(const std::string& path, ByteView head, std::vector<Section>* out) {
    auto convert = [](const std::vector<ShotReportField>& in) {
        std::vector<Field> v;
        for (const ShotReportField& f : in) v.push_back(Field{f.key, f.text, f.quoted});
        return v;
    };
    for (const ShotReportSection& x : shotReport(path, head)) {
        Section s;
        s.key = x.key;
        s.isList = x.isList;
        s.fields = convert(x.fields);
        for (const auto& item : x.items) s.items.push_back(convert(item));
        out->push_back(std::move(s));
    }
}

}  // namespace lv::cli
