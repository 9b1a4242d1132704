// `lumivore info`: the shot information the panel shows, the AF geometry and PhotoMeta.
#include "info_shot.h"

#include <cmath>
#include <cstdio>

#include "metadata/makernote.h"
#include "metadata/photo_meta.h"
#include "metadata/shot_info.h"

namespace lv::cli {

namespace {

void str(std::vector<ShotReportField>& f, const char* key, const std::string& v) { f.push_back({key, v, true}); }
void num(std::vector<ShotReportField>& f, const char* key, double v) {
    char buf[64];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.6g", std::isfinite(v) ? v : 0.0);
    f.push_back({key, buf, false});
}
void boolean(std::vector<ShotReportField>& f, const char* key, bool v) { f.push_back({key, v ? "true" : "false", false}); }
// A value with its presence flag: the number, or null when absent.
void optional(std::vector<ShotReportField>& f, const char* key, bool has, double v) {
    if (has)
        num(f, key, v);
    else
        f.push_back({key, "null", false});
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out;
    size_t p = 0;
    while (true) {
        size_t t = line.find('\t', p);
        out.push_back(line.substr(p, t == std::string::npos ? std::string::npos : t - p));
        if (t == std::string::npos) return out;
        p = t + 1;
    }
}

}  // namespace

std::vector<ShotReportSection> shotReport(const std::string& path, ByteView head) {
    ShotInfo s = buildShotInfo(path, head);
    std::vector<ShotReportSection> out;

    ShotReportSection panel;
    panel.key = "panel";
    panel.isList = true;
    for (const std::string& line : shotInfoRows(s)) {
        std::vector<std::string> f = split(line);
        std::vector<ShotReportField> item;
        str(item, "kind", f[0]);
        if (f[0] == "H" && f.size() >= 3) {
            str(item, "section", f[1]);
            str(item, "title", f[2]);
        } else if (f[0] == "V" && f.size() >= 3) {
            str(item, "label", f[1]);
            str(item, "value", f[2]);
        } else if (f[0] == "D" && f.size() >= 4) {
            str(item, "gauge", f[1]);
            str(item, "label", f[2]);
            str(item, "value", f[3]);
        }
        panel.items.push_back(item);
    }
    out.push_back(panel);

    ShotReportSection shot;
    shot.key = "shotInfo";
    auto& f = shot.fields;
    size_t vendors = 0;
    const Vendor* table = vendorTable(&vendors);
    str(f, "vendor", s.vendor >= 0 && size_t(s.vendor) < vendors ? table[s.vendor].name : "");
    str(f, "fileName", s.fileName);
    str(f, "captured", s.captured);
    str(f, "note", s.note);
    str(f, "processedWith", s.processedWith);
    str(f, "cameraModel", s.cameraModel);
    str(f, "cameraFirmware", s.cameraFirmware);
    str(f, "shutterCount", s.shutterCount);
    optional(f, "cameraTemp", s.hasCameraTemp, s.cameraTemp);
    optional(f, "sensorTemp", s.hasSensorTemp, s.sensorTemp);
    optional(f, "batteryTemp", s.hasBatteryTemp, s.batteryTemp);
    optional(f, "ambientTemp", s.hasAmbientTemp, s.ambientTemp);
    optional(f, "roll", s.hasLevel, s.roll);
    optional(f, "pitch", s.hasLevel, s.pitch);
    str(f, "lensModel", s.lensModel);
    str(f, "lensFirmware", s.lensFirmware);
    str(f, "focalLengthText", s.focalLengthText);
    boolean(f, "fixedLens", s.fixedLens);
    boolean(f, "cropMode", s.cropMode);
    num(f, "cropFactor", s.cropFactor);
    str(f, "stabMode", s.stabMode);
    str(f, "apertureText", s.apertureText);
    str(f, "shutterText", s.shutterText);
    str(f, "isoText", s.isoText);
    str(f, "meteringText", s.meteringText);
    optional(f, "exposureComp", s.hasExposureComp, s.exposureComp);
    optional(f, "lightValue", s.hasLightValue, s.lightValue);
    str(f, "highlightWarning", s.highlightWarning);
    str(f, "exposureSummary", s.exposureSummary);
    str(f, "focusMode", s.focusMode);
    str(f, "afArea", s.afArea);
    str(f, "subject", s.subject);
    str(f, "focusDistance", s.focusDistance);
    str(f, "environment", s.environment);
    optional(f, "afcSensitivity", s.hasAfcSensitivity, s.afcSensitivity);
    optional(f, "afcAreaSwitch", s.hasAfcAreaSwitch, s.afcAreaSwitch);
    optional(f, "afcPrediction", s.hasAfcPrediction, s.afcPrediction);
    str(f, "afcSet", s.afcSet);
    num(f, "shutterType", s.shutterType);
    str(f, "driveMode", s.driveMode);
    num(f, "frameNumber", s.frameNumber);
    str(f, "whiteBalance", s.whiteBalance);
    str(f, "photoStyle", s.photoStyle);
    str(f, "lut", s.lut);
    str(f, "dynamicRange", s.dynamicRange);
    str(f, "tone", s.tone);
    str(f, "adjustment", s.adjustment);
    str(f, "effects", s.effects);
    out.push_back(shot);

    ShotReportSection af;
    af.key = "af";
    num(af.fields, "afPointX", s.afPointX);
    num(af.fields, "afPointY", s.afPointY);
    num(af.fields, "afFrameWidth", s.afFrameWidth);
    num(af.fields, "afFrameHeight", s.afFrameHeight);
    num(af.fields, "afAreaWidth", s.afAreaWidth);
    num(af.fields, "afAreaHeight", s.afAreaHeight);
    str(af.fields, "afSizeType", s.afSizeType);
    out.push_back(af);

    ShotReportSection det;
    det.key = "detections";
    det.isList = true;
    for (const DetectionArea& d : s.detections) {
        std::vector<ShotReportField> item;
        num(item, "cx", d.cx);
        num(item, "cy", d.cy);
        num(item, "w", d.w);
        num(item, "h", d.h);
        boolean(item, "hasAfPoint", d.hasAfPoint);
        det.items.push_back(item);
    }
    out.push_back(det);

    PhotoMeta m = head.size ? readPhotoMetaFromHead(head) : readPhotoMeta(path);
    ShotReportSection pm;
    pm.key = "photoMeta";
    auto& p = pm.fields;
    num(p, "captureSerial", m.captureSerial);
    num(p, "iso", m.iso);
    num(p, "apertureX100", m.apertureX100);
    num(p, "exposureSeconds", m.exposureSeconds);
    num(p, "focusClass", m.focusClass);
    num(p, "shutterType", m.shutterType);
    num(p, "orientation", m.orientation);
    num(p, "pixelWidth", m.pixelWidth);
    num(p, "pixelHeight", m.pixelHeight);
    num(p, "exposureComp", m.exposureComp);
    boolean(p, "hasExposureComp", m.hasExposureComp);
    boolean(p, "continuousDrive", m.continuousDrive);
    num(p, "burstIndex", m.burstIndex);
    str(p, "camera", m.camera);
    str(p, "lens", m.lens);
    boolean(p, "valid", m.valid);
    out.push_back(pm);
    return out;
}

}  // namespace lv::cli
