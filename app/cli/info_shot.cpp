// `lumivore info`: the shot information the panel shows, the AF geometry and PhotoMeta.
#include "info_shot.h"

#include <cmath>
#include <cstdio>

#include "metadata/makernote.h"
#include "metadata/photo_meta.h"
#include "metadata/shot_info.h"

namespace lv::cli {

namespace {

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

void appendShotSections(const std::string& path, ByteView head, std::vector<ReportSection>* outSections) {
    ShotInfo s = buildShotInfo(path, head);
    std::vector<ReportSection>& out = *outSections;

    ReportSection panel;
    panel.key = "panel";
    panel.isList = true;
    for (const std::string& line : shotInfoRows(s)) {
        std::vector<std::string> f = split(line);
        ReportFields item;
        addText(item, "kind", f[0]);
        if (f[0] == "H" && f.size() >= 3) {
            addText(item, "section", f[1]);
            addText(item, "title", f[2]);
        } else if (f[0] == "V" && f.size() >= 3) {
            addText(item, "label", f[1]);
            addText(item, "value", f[2]);
        } else if (f[0] == "D" && f.size() >= 4) {
            addText(item, "gauge", f[1]);
            addText(item, "label", f[2]);
            addText(item, "value", f[3]);
        }
        panel.items.push_back(item);
    }
    out.push_back(panel);

    ReportSection shot;
    shot.key = "shotInfo";
    auto& f = shot.fields;
    size_t vendors = 0;
    const Vendor* table = vendorTable(&vendors);
    addText(f, "vendor", s.vendor >= 0 && size_t(s.vendor) < vendors ? table[s.vendor].name : "");
    addText(f, "fileName", s.fileName);
    addText(f, "captured", s.captured);
    addText(f, "note", s.note);
    addText(f, "processedWith", s.processedWith);
    addText(f, "cameraModel", s.cameraModel);
    addText(f, "cameraFirmware", s.cameraFirmware);
    addText(f, "shutterCount", s.shutterCount);
    addOptional(f, "cameraTemp", s.hasCameraTemp, s.cameraTemp);
    addOptional(f, "sensorTemp", s.hasSensorTemp, s.sensorTemp);
    addOptional(f, "batteryTemp", s.hasBatteryTemp, s.batteryTemp);
    addOptional(f, "ambientTemp", s.hasAmbientTemp, s.ambientTemp);
    addOptional(f, "roll", s.hasLevel, s.roll);
    addOptional(f, "pitch", s.hasLevel, s.pitch);
    addText(f, "lensModel", s.lensModel);
    addText(f, "lensFirmware", s.lensFirmware);
    addText(f, "focalLengthText", s.focalLengthText);
    addBool(f, "fixedLens", s.fixedLens);
    addBool(f, "cropMode", s.cropMode);
    addNumber(f, "cropFactor", s.cropFactor);
    addText(f, "stabMode", s.stabMode);
    addText(f, "apertureText", s.apertureText);
    addText(f, "shutterText", s.shutterText);
    addText(f, "isoText", s.isoText);
    addText(f, "meteringText", s.meteringText);
    addOptional(f, "exposureComp", s.hasExposureComp, s.exposureComp);
    addOptional(f, "lightValue", s.hasLightValue, s.lightValue);
    addText(f, "highlightWarning", s.highlightWarning);
    addText(f, "exposureSummary", s.exposureSummary);
    addText(f, "focusMode", s.focusMode);
    addText(f, "afArea", s.afArea);
    addText(f, "subject", s.subject);
    addText(f, "focusDistance", s.focusDistance);
    addText(f, "environment", s.environment);
    addOptional(f, "afcSensitivity", s.hasAfcSensitivity, s.afcSensitivity);
    addOptional(f, "afcAreaSwitch", s.hasAfcAreaSwitch, s.afcAreaSwitch);
    addOptional(f, "afcPrediction", s.hasAfcPrediction, s.afcPrediction);
    addText(f, "afcSet", s.afcSet);
    addNumber(f, "shutterType", s.shutterType);
    addText(f, "driveMode", s.driveMode);
    addNumber(f, "frameNumber", s.frameNumber);
    addText(f, "whiteBalance", s.whiteBalance);
    addText(f, "photoStyle", s.photoStyle);
    addText(f, "lut", s.lut);
    addText(f, "dynamicRange", s.dynamicRange);
    addText(f, "tone", s.tone);
    addText(f, "adjustment", s.adjustment);
    addText(f, "effects", s.effects);
    out.push_back(shot);

    ReportSection af;
    af.key = "af";
    addNumber(af.fields, "afPointX", s.afPointX);
    addNumber(af.fields, "afPointY", s.afPointY);
    addNumber(af.fields, "afFrameWidth", s.afFrameWidth);
    addNumber(af.fields, "afFrameHeight", s.afFrameHeight);
    addNumber(af.fields, "afAreaWidth", s.afAreaWidth);
    addNumber(af.fields, "afAreaHeight", s.afAreaHeight);
    addText(af.fields, "afSizeType", s.afSizeType);
    out.push_back(af);

    ReportSection det;
    det.key = "detections";
    det.isList = true;
    for (const DetectionArea& d : s.detections) {
        ReportFields item;
        addNumber(item, "cx", d.cx);
        addNumber(item, "cy", d.cy);
        addNumber(item, "w", d.w);
        addNumber(item, "h", d.h);
        addBool(item, "hasAfPoint", d.hasAfPoint);
        det.items.push_back(item);
    }
    out.push_back(det);

    PhotoMeta m = head.size ? readPhotoMetaFromHead(head) : readPhotoMeta(path);
    ReportSection pm;
    pm.key = "photoMeta";
    auto& p = pm.fields;
    addNumber(p, "captureSerial", m.captureSerial);
    addNumber(p, "iso", m.iso);
    addNumber(p, "apertureX100", m.apertureX100);
    addNumber(p, "exposureSeconds", m.exposureSeconds);
    addNumber(p, "focusClass", m.focusClass);
    addNumber(p, "shutterType", m.shutterType);
    addNumber(p, "orientation", m.orientation);
    addNumber(p, "pixelWidth", m.pixelWidth);
    addNumber(p, "pixelHeight", m.pixelHeight);
    addNumber(p, "exposureComp", m.exposureComp);
    addBool(p, "hasExposureComp", m.hasExposureComp);
    addBool(p, "continuousDrive", m.continuousDrive);
    addNumber(p, "burstIndex", m.burstIndex);
    addText(p, "camera", m.camera);
    addText(p, "lens", m.lens);
    addBool(p, "valid", m.valid);
    out.push_back(pm);
}

}  // namespace lv::cli
