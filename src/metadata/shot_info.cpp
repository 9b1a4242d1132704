// Building the shot information of one photo from its file head, and writing it as panel rows.
#include <cmath>
#include <cstdlib>

#include "core/pathname.h"
#include "core/texts.h"
#include "metadata/makernote.h"
#include "metadata/preview.h"
#include "metadata/shot_info.h"

namespace lv {

// [SECTION] XMP texts
// The value of a property in attribute form (prefix:name="...") or element form
// (<prefix:name>...</prefix:name>); last occurrence when wantLast. Any prefix is accepted, since
// writers pick their own.
static std::string xmpProperty(const std::string& xmp, const std::string& name, bool wantLast) {
    std::string found;
    size_t at = 0;
    while ((at = xmp.find(":" + name, at)) != std::string::npos) {
        size_t p = at + 1 + name.size();
        at = p;
        size_t q = p;
        while (q < xmp.size() && (xmp[q] == ' ' || xmp[q] == '\t' || xmp[q] == '\r' || xmp[q] == '\n')) q++;
        std::string value;
        if (q < xmp.size() && xmp[q] == '=') {
            q++;
            while (q < xmp.size() && xmp[q] == ' ') q++;
            if (q >= xmp.size() || (xmp[q] != '"' && xmp[q] != '\'')) continue;
            char quote = xmp[q];
            size_t e = xmp.find(quote, q + 1);
            if (e == std::string::npos) break;
            value = xmp.substr(q + 1, e - q - 1);
        } else if (q < xmp.size() && xmp[q] == '>') {
            size_t e = xmp.find('<', q + 1);
            if (e == std::string::npos) break;
            value = xmp.substr(q + 1, e - q - 1);
        } else {
            continue;
        }
        value = trimText(value);
        if (value.empty()) continue;
        found = value;
        if (!wantLast) break;
    }
    // The few entities a writer uses in a tool name.
    static const struct {
        const char* e;
        const char* c;
    } kEntities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
    for (const auto& en : kEntities) {
        size_t p = 0;
        std::string e = en.e;
        while ((p = found.find(e, p)) != std::string::npos) {
            found.replace(p, e.size(), en.c);
            p += 1;
        }
    }
    return found;
}

// [SECTION] building
std::string capturedText(std::string d) {
    if (d.size() >= 10) {
        d[4] = '-';
        d[7] = '-';
    }
    if (d.size() > 10 && d[10] == 'T') d[10] = ' ';
    return d;
}

static void finishAfArea(ShotInfo* s) {
    double nx = -1, ny = -1;
    if (s->afPointX > 0 && s->afFrameWidth > 0 && s->afFrameHeight > 0) {
        nx = double(s->afPointX - 1) / s->afFrameWidth;
        ny = double(s->afPointY - 1) / s->afFrameHeight;
    }
    const DetectionArea* lock = nullptr;
    for (DetectionArea& d : s->detections) {
        d.hasAfPoint = nx >= 0 && std::fabs(nx - d.cx) <= d.w / 2 && std::fabs(ny - d.cy) <= d.h / 2;
        if (d.hasAfPoint && !lock) lock = &d;
    }
    if (isManualFocusText(s->focusMode)) return;
    if (s->afPointX > 0 && (s->afAreaWidth <= 0 || s->afAreaHeight <= 0)) {
        if (!s->afSizeType.empty())
            s->afArea += ", " + fillPlaceholder(metaText("MetaAfSizeType", "AF area size type {type} (dimensions not provided)"),
                                                "{type}", s->afSizeType);
        else
            s->afArea += " (" + metaText("MetaAfSizeNotRecorded", "size not recorded by the camera") + ")";
    }
    if (s->vendor >= 0 && s->afPointX == 0)
        s->afArea += " (" + metaText("MetaAfPointNotRecorded", "AF point not recorded by the camera") + ")";
    // An empty AF area gets its note alone, without a leading space.
    if (!s->afArea.empty() && s->afArea[0] == ' ') s->afArea.erase(0, 1);
    if (lock && !s->afArea.empty()) {
        bool centre = std::fabs(nx - lock->cx) + std::fabs(ny - lock->cy) <= 0.02;
        s->afArea += " (" + (centre ? metaText("AFLockCenter", "centre") : metaText("AFLockEye", "eye")) + ")";
    }
}

// Camera strings are ASCII by the standard but some bodies write Latin-1 ("\xB0" for a degree
// sign); the panel and the clipboard need UTF-8, so a byte that starts no valid sequence is taken
// as Latin-1.
static std::string validUtf8(const std::string& in) {
    std::string out;
    size_t i = 0;
    while (i < in.size()) {
        unsigned char c = (unsigned char)in[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= in.size();
        for (size_t k = 1; ok && k < len; k++) ok = ((unsigned char)in[i + k] >> 6) == 2;
        if (ok && len == 2 && c < 0xC2) ok = false;  // overlong
        if (ok) {
            out.append(in, i, len);
            i += len;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
            i++;
        }
    }
    return out;
}

static void cleanTexts(ShotInfo* s) {
    for (std::string* t : {&s->captured, &s->note, &s->processedWith, &s->cameraModel, &s->cameraFirmware,
                           &s->shutterCount, &s->lensModel, &s->lensFirmware, &s->stabMode, &s->focusMode, &s->afArea,
                           &s->subject, &s->focusDistance, &s->environment, &s->afcSet, &s->driveMode,
                           &s->whiteBalance, &s->photoStyle, &s->lut, &s->dynamicRange, &s->tone, &s->adjustment,
                           &s->effects, &s->afSizeType})
        *t = validUtf8(*t);
}

// A TIFF header whose directories gave nothing at all (a file cut off inside IFD0) holds no
// more EXIF than a file without one, and the panel says so rather than stay blank.
static bool summaryHoldsNothing(ByteView head, const ExifSummary& e) {
    for (const StringRef& r : {e.make, e.model, e.software, e.lensModel, e.dateTimeOriginal})
        if (!refText(head, r).empty()) return false;
    return e.exifIfdPos == 0 && e.makerNotePos == 0 && e.exposureTimeDen == 0 && e.fNumberDen == 0 && e.iso == 0 &&
           e.focalLengthDen == 0;
}

static bool isJpegHead(ByteView head) { return head.size >= 2 && head.data[0] == 0xFF && head.data[1] == 0xD8; }

ShotInfo buildShotInfoFromHead(const std::string& path, ByteView head) {
    ShotInfo s;
    s.fileName = std::string(fileNamePart(path));
    ExifSummary e;
    int format = identifyContainer(head);
    if (head.size < 12 || !readExifSummary(head, format, &e) || summaryHoldsNothing(head, e)) {
        s.note = metaText("MetaNoteNoExif", "No EXIF data found");
        return s;
    }
    s.exifFound = true;
    s.captured = capturedText(refText(head, e.dateTimeOriginal));
    s.cameraModel = cameraName(makeOf(head, e), modelOf(head, e));
    s.lensModel = lensName(refText(head, e.lensMake), refText(head, e.lensModel));

    s.vendor = selectVendor(head, e, &s);

    // [SECTION] finishing steps
    s.focalLengthText = formatFocalLength(e.focalLengthNum, e.focalLengthDen, e.focalLength35, s.cropMode, s.cropFactor);
    bool jpeg = isJpegHead(head);
    if (jpeg) {
        int check = makerNoteCheck(head);
        if (check == 2 || check == 3)
            s.note = metaText("MetaNoteStripped", "Data incomplete, stripped by another application");
    }
    std::string xmp = jpeg ? findXmpPacket(head, 0) : std::string();
    for (const std::string& c : {xmpProperty(xmp, "softwareAgent", true), xmpProperty(xmp, "CreatorTool", false),
                                 trimText(refText(head, e.software))}) {
        if (!c.empty() && !looksLikeFirmware(c)) {
            s.processedWith = c;
            break;
        }
    }
    finishAfArea(&s);
    s.apertureText = formatAperture(e.fNumberNum, e.fNumberDen) + (e.fNumberNum && e.fNumberDen ? s.apertureText : "");  // a decoder may remark on how it was known
    s.shutterText = formatShutter(e.exposureTimeNum, e.exposureTimeDen);
    if (e.iso > 0) s.isoText = std::to_string(e.iso);  // else the maker note's, when it had one
    if (s.meteringText.empty()) s.meteringText = formatMetering(e.meteringMode);
    if (e.exposureBiasDen != 0) {
        s.exposureComp = double(e.exposureBiasNum) / e.exposureBiasDen;
        s.hasExposureComp = true;
    }
    std::string summary;
    for (const std::string& part : {s.apertureText, s.shutterText, s.isoText.empty() ? std::string() : "ISO " + s.isoText,
                                    s.hasExposureComp ? formatExposureComp(s.exposureComp) : std::string()}) {
        if (part.empty()) continue;
        if (!summary.empty()) summary += "  ";
        summary += part;
    }
    s.exposureSummary = summary;
    cleanTexts(&s);
    return s;
}

ShotInfo buildShotInfo(const std::string& path, ByteView head) {
    if (head.size > 0) return buildShotInfoFromHead(path, head);
    PhotoFile f;
    Bytes own;
    if (photoOpen(path, &f) == 0) {
        if (!readHead(f, &own)) own.clear();
        photoClose(&f);
    }
    return buildShotInfoFromHead(path, own);
}

// [SECTION] PhotoMeta
PhotoMeta readPhotoMetaFromHead(ByteView head) {
    PhotoMeta m;
    if (head.size < 8) return m;
    ExifSummary e;
    int format = identifyContainer(head);
    if (!readExifSummary(head, format, &e)) return m;
    m.captureSerial = captureSerialOf(head, e);
    m.iso = e.iso;
    if (e.fNumberDen) m.apertureX100 = int(uint64_t(e.fNumberNum) * 100 / e.fNumberDen);
    if (e.exposureTimeDen) m.exposureSeconds = double(e.exposureTimeNum) / e.exposureTimeDen;
    m.orientation = readOrientation(head, format);
    m.pixelWidth = e.pixelWidth;
    m.pixelHeight = e.pixelHeight;
    if (e.exposureBiasDen) {
        m.exposureComp = double(e.exposureBiasNum) / e.exposureBiasDen;
        m.hasExposureComp = true;
    }
    m.camera = cameraName(makeOf(head, e), modelOf(head, e));
    m.lens = lensName(refText(head, e.lensMake), refText(head, e.lensModel));
    quickDecode(head, e, &m);
    if (m.iso <= 0 || m.lens.empty()) {
        // Some bodies keep ISO or lens only in their maker note: take them from the decoder the
        // panel uses, so the filter sees every photo the panel describes.
        ShotInfo panel;
        if (selectVendor(head, e, &panel) >= 0) {
            if (m.iso <= 0) m.iso = std::atoi(panel.isoText.c_str());
            if (m.lens.empty()) m.lens = panel.lensModel;
        }
    }
    m.camera = validUtf8(m.camera);
    m.lens = validUtf8(m.lens);
    m.valid = true;
    return m;
}

PhotoMeta readPhotoMeta(const std::string& path) {
    PhotoFile f;
    if (photoOpen(path, &f) != 0) return {};
    Bytes head;
    bool ok = readHead(f, &head);
    photoClose(&f);
    if (!ok) return {};
    return readPhotoMetaFromHead(head);
}

// [SECTION] rows
namespace {
struct Rows {
    std::vector<std::string> lines;
    std::vector<std::string> pending;  // rows of the section being built
    void value(const char* key, const char* label, const std::string& v) {
        if (!v.empty()) pending.push_back("V\t" + metaText(key, label) + "\t" + v);
    }
    void gauge(const char* gauge, const char* key, const char* label, const std::string& v) {
        if (!v.empty()) pending.push_back(std::string("D\t") + gauge + "\t" + metaText(key, label) + "\t" + v);
    }
    void section(int id, const char* key, const char* title) {
        if (!pending.empty()) {
            lines.push_back("H\t" + std::to_string(id) + "\t" + metaText(key, title));
            lines.insert(lines.end(), pending.begin(), pending.end());
        }
        pending.clear();
    }
};

std::string signedSmall(int v) { return (v > 0 ? "+" : "") + std::to_string(v); }
}  // namespace

std::vector<std::string> shotInfoRows(const ShotInfo& s) {
    Rows r;
    r.value("MetaKeyFile", "File name", s.fileName);
    r.value("MetaKeyCaptured", "Captured", s.captured);
    r.value("MetaKeyNote", "Note", s.note);
    r.value("MetaKeyProcessedWith", "Processed with", s.processedWith);
    r.section(0, "MetaSecFile", "File");

    r.value("MetaKeyModel", "Model", s.cameraModel);
    r.value("MetaKeyFirmware", "Firmware", s.cameraFirmware);
    r.value("MetaKeyShutterCount", "Shutter count", s.shutterCount);
    if (s.hasCameraTemp) r.gauge("heatcamera", "MetaKeyCameraTemp", "Camera temp.", formatTemperature(s.cameraTemp));
    if (s.hasSensorTemp) r.gauge("heatsensor", "MetaKeySensorTemp", "Sensor temp.", formatTemperature(s.sensorTemp));
    if (s.hasBatteryTemp) r.gauge("heatbattery", "MetaKeyBatteryTemp", "Battery temp.", formatTemperature(s.batteryTemp));
    if (s.hasAmbientTemp) r.gauge("heatambient", "MetaKeyAmbientTemp", "Ambient temp.", formatTemperature(s.ambientTemp));
    if (s.hasLevel) {
        r.gauge("rear", "MetaKeyRear", "Rear view", formatLevel(s.roll));
        r.gauge("top", "MetaKeyTop", "Top view", formatLevel(s.pitch));
        r.gauge("side", "MetaKeySide", "Side view", formatLevel(s.pitch));
    }
    r.section(1, "MetaSecCamera", "Camera");

    r.value("MetaKeyModel", "Model", s.lensModel);
    r.value("MetaKeyFirmware", "Firmware", s.lensFirmware);
    r.value("MetaKeyFocalLength", "Focal length", s.focalLengthText);
    if (s.fixedLens)
        r.section(7, "MetaSecLensFixed", "Lens (fixed)");
    else
        r.section(7, "MetaSecLens", "Lens");

    r.value("MetaKeyStab", "Mode", s.stabMode);
    r.section(2, "MetaSecStab", "Stabilisation");

    r.value("MetaKeyAperture", "Aperture", s.apertureText);
    r.value("MetaKeyShutter", "Shutter", s.shutterText);
    r.value("MetaKeyISO", "ISO", s.isoText);
    r.value("MetaKeyMetering", "Metering", s.meteringText);
    if (s.hasExposureComp) {
        std::string ev = formatExposureComp(s.exposureComp);
        if (std::fabs(s.exposureComp) <= 3)
            r.gauge("expcomp", "MetaKeyExpComp", "Exposure comp.", ev);
        else
            r.value("MetaKeyExpComp", "Exposure comp.", ev);
    }
    if (s.hasLightValue) r.gauge("light", "MetaKeyLight", "Light", formatLightValue(s.lightValue));
    r.value("MetaKeyHighlightWarn", "Highlight warning", s.highlightWarning);
    r.section(3, "MetaSecExposure", "Exposure");

    r.value("MetaKeyFocusMode", "Mode", s.focusMode);
    if (!isManualFocusText(s.focusMode)) r.value("MetaKeyAFArea", "AF area", s.afArea);
    r.value("MetaKeySubject", "Subject", s.subject);
    r.value("MetaKeyFocusDistance", "Distance", s.focusDistance);
    r.value("MetaKeyEnvironment", "Environment", s.environment);
    if (s.hasAfcSensitivity) r.gauge("afsens", "AfcSensitivity", "AF sensitivity", signedSmall(s.afcSensitivity));
    if (s.hasAfcAreaSwitch) r.gauge("afarea", "AfcAreaSwitch", "Area switching", signedSmall(s.afcAreaSwitch));
    if (s.hasAfcPrediction) r.gauge("afpred", "AfcPrediction", "Subject prediction", signedSmall(s.afcPrediction));
    r.value("MetaKeyAfc", "AF-C set", s.afcSet);
    r.section(4, "MetaSecFocus", "Focus");

    if (s.shutterType >= 0) r.value("MetaKeyShutterType", "Shutter type", formatShutterType(s.shutterType));
    r.value("MetaKeyDriveMode", "Mode", s.driveMode);
    if (s.frameNumber != 0) r.value("MetaKeyFrame", "Frame", std::to_string(s.frameNumber));
    r.section(5, "MetaSecDrive", "Drive");

    r.value("MetaKeyWhiteBalance", "White balance", s.whiteBalance);
    r.value("MetaKeyPhotoStyle", "Photo style", s.photoStyle);
    r.value("MetaKeyLut", "LUT", s.lut);
    r.value("MetaKeyDynamicRange", "D-Range", s.dynamicRange);
    r.value("MetaKeyTone", "Tone", s.tone);
    r.value("MetaKeyAdjust", "Adjustment", s.adjustment);
    r.value("MetaKeyEffects", "Effects", s.effects);
    r.section(6, "MetaSecColor", "Colour");
    return r.lines;
}

std::string shotInfoText(const ShotInfo& s) {
    std::string out;
    for (const std::string& line : shotInfoRows(s)) {
        std::vector<std::string> f;
        size_t p = 0;
        while (true) {
            size_t t = line.find('\t', p);
            f.push_back(line.substr(p, t == std::string::npos ? std::string::npos : t - p));
            if (t == std::string::npos) break;
            p = t + 1;
        }
        if (f[0] == "H" && f.size() >= 3)
            out += f[2] + "\r\n";
        else if (f[0] == "V" && f.size() >= 3)
            out += "  " + f[1] + ": " + f[2] + "\r\n";
        else if (f[0] == "D" && f.size() >= 4)
            out += "  " + f[2] + ": " + f[3] + "\r\n";
    }
    return out;
}

}  // namespace lv
