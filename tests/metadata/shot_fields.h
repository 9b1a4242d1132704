// Expectations on the shot information as "field=value" texts, for the built maker notes and the
// real files alike: "field=value" must match exactly, "field~value" must differ, "field^value"
// must start the text, "field*value" must occur in it and "field!value" must not. "meta." fields
// come from the quick read the strip filter and bursts use.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "metadata/shot_info.h"

namespace lvtest {

inline std::string fieldText(const std::string& v) { return v; }
inline std::string fieldText(bool v) { return std::to_string(int(v)); }
inline std::string fieldText(int v) { return std::to_string(v); }
inline std::string fieldText(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.4g", v);
    return b;
}
inline std::string fieldText(bool has, double v) { return has ? fieldText(v) : "none"; }

using FieldFn = std::function<std::string(const lv::ShotInfo&, const lv::PhotoMeta&)>;
template <class T>
std::pair<const std::string, FieldFn> shotField(const char* name, T lv::ShotInfo::*f) {
    return {name, [f](const lv::ShotInfo& s, const lv::PhotoMeta&) { return fieldText(s.*f); }};
}
template <class T>
std::pair<const std::string, FieldFn> metaField(const char* name, T lv::PhotoMeta::*f) {
    return {std::string("meta.") + name, [f](const lv::ShotInfo&, const lv::PhotoMeta& m) { return fieldText(m.*f); }};
}
inline std::pair<const std::string, FieldFn> optField(const char* name, bool lv::ShotInfo::*has, double lv::ShotInfo::*f) {
    return {name, [has, f](const lv::ShotInfo& s, const lv::PhotoMeta&) { return fieldText(s.*has, s.*f); }};
}

inline const std::map<std::string, FieldFn>& shotFields() {
    using S = lv::ShotInfo;
    using M = lv::PhotoMeta;
    static const std::map<std::string, FieldFn> fields = {
        shotField("file", &S::fileName), shotField("captured", &S::captured), shotField("note", &S::note),
        shotField("processed", &S::processedWith), shotField("camera", &S::cameraModel),
        shotField("firmware", &S::cameraFirmware), shotField("count", &S::shutterCount), shotField("lens", &S::lensModel),
        shotField("fixed", &S::fixedLens), shotField("focal", &S::focalLengthText), shotField("stab", &S::stabMode),
        shotField("aperture", &S::apertureText), shotField("iso", &S::isoText), shotField("metering", &S::meteringText),
        shotField("exposure", &S::exposureSummary), shotField("focus", &S::focusMode), shotField("area", &S::afArea),
        shotField("subject", &S::subject), shotField("distance", &S::focusDistance), shotField("afc", &S::afcSet),
        shotField("shutter", &S::shutterType), shotField("drive", &S::driveMode), shotField("frameNo", &S::frameNumber),
        shotField("wb", &S::whiteBalance), shotField("style", &S::photoStyle), shotField("dr", &S::dynamicRange),
        shotField("tone", &S::tone), shotField("adjust", &S::adjustment), shotField("effects", &S::effects),
        shotField("x", &S::afPointX), shotField("y", &S::afPointY), shotField("frameW", &S::afFrameWidth),
        shotField("frameH", &S::afFrameHeight), shotField("vendor", &S::vendor),
        optField("cameraTemp", &S::hasCameraTemp, &S::cameraTemp), optField("sensorTemp", &S::hasSensorTemp, &S::sensorTemp),
        optField("batteryTemp", &S::hasBatteryTemp, &S::batteryTemp),
        optField("ambientTemp", &S::hasAmbientTemp, &S::ambientTemp), optField("lv", &S::hasLightValue, &S::lightValue),
        {"level", [](const S& s, const M&) { return s.hasLevel ? fieldText(s.roll) + " " + fieldText(s.pitch) : "none"; }},
        {"point", [](const S& s, const M&) { return fieldText(s.afPointX) + "," + fieldText(s.afPointY); }},
        {"frame", [](const S& s, const M&) { return fieldText(s.afFrameWidth) + "x" + fieldText(s.afFrameHeight); }},
        {"areaSize", [](const S& s, const M&) { return fieldText(s.afAreaWidth * 255) + "x" + fieldText(s.afAreaHeight * 255); }},
        {"rows", [](const S& s, const M&) {
             std::string all;
             for (const std::string& r : lv::shotInfoRows(s)) all += r + "\n";
             return all;
         }},
        metaField("valid", &M::valid), metaField("focus", &M::focusClass), metaField("continuous", &M::continuousDrive),
        metaField("shutter", &M::shutterType), metaField("burst", &M::burstIndex), metaField("orientation", &M::orientation),
        metaField("iso", &M::iso), metaField("lens", &M::lens), metaField("camera", &M::camera),
    };
    return fields;
}

// Either record may be absent; a field of an absent record is a mistake of the test.
inline void expectFieldsOf(const lv::ShotInfo* s, const lv::PhotoMeta* m, const std::vector<std::string>& expect,
                           const std::string& where) {
    for (const std::string& e : expect) {
        size_t op = e.find_first_of("=~^*!");
        auto it = op == std::string::npos ? shotFields().end() : shotFields().find(e.substr(0, op));
        ASSERT_TRUE(it != shotFields().end()) << "no such field: " << e;
        ASSERT_TRUE(e.rfind("meta.", 0) == 0 ? m != nullptr : s != nullptr) << "field of the other record: " << e;
        std::string got = it->second(s ? *s : lv::ShotInfo(), m ? *m : lv::PhotoMeta()), want = e.substr(op + 1);
        char o = e[op];
        bool ok = o == '=' ? got == want : o == '~' ? got != want : o == '^' ? got.rfind(want, 0) == 0
                                                                              : (got.find(want) != std::string::npos) == (o == '*');
        EXPECT_TRUE(ok) << where << (where.empty() ? "" : ": ") << e << ", got " << got;
    }
}
inline void expectFields(const lv::ShotInfo& s, const lv::PhotoMeta& m, const std::vector<std::string>& expect,
                         const std::string& where = "") {
    expectFieldsOf(&s, &m, expect, where);
}
inline void expectFields(const lv::ShotInfo& s, const std::vector<std::string>& expect) { expectFieldsOf(&s, nullptr, expect, ""); }
inline void expectFields(const lv::PhotoMeta& m, const std::vector<std::string>& expect) { expectFieldsOf(nullptr, &m, expect, ""); }

}  // namespace lvtest
