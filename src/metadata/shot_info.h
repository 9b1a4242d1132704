// The shot information of the photo on screen: the texts of the panel, the AF geometry the
// overlay draws, and the value formatting shared by the panel and the maker-note decoders.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "metadata/photo_meta.h"
#include "metadata/tiff.h"

namespace lv {

// A face or subject the camera detected, as fractions of the displayed image.
struct DetectionArea {
    double cx = 0, cy = 0, w = 0, h = 0;
    bool hasAfPoint = false;  // the AF point lies inside it
};

struct ShotInfo {
    // [SECTION] file
    std::string fileName, captured, note, processedWith;
    // [SECTION] camera
    std::string cameraModel, cameraFirmware, shutterCount;
    double cameraTemp = 0, sensorTemp = 0, batteryTemp = 0, ambientTemp = 0;
    bool hasCameraTemp = false, hasSensorTemp = false, hasBatteryTemp = false, hasAmbientTemp = false;
    bool hasLevel = false;
    double roll = 0, pitch = 0;
    // [SECTION] lens
    std::string lensModel, lensFirmware, focalLengthText;
    bool fixedLens = false;
    bool cropMode = false;
    double cropFactor = 0;
    // [SECTION] stabilisation
    std::string stabMode;
    // [SECTION] exposure
    std::string apertureText, shutterText, isoText, meteringText;
    double exposureComp = 0;
    bool hasExposureComp = false;
    double lightValue = 0;
    bool hasLightValue = false;
    std::string highlightWarning, exposureSummary;
    // [SECTION] focus
    std::string focusMode, afArea, subject, focusDistance, environment;
    int afcSensitivity = 0, afcAreaSwitch = 0, afcPrediction = 0;
    bool hasAfcSensitivity = false, hasAfcAreaSwitch = false, hasAfcPrediction = false;
    std::string afcSet;
    // [SECTION] drive
    int shutterType = -1;  // 0 mechanical, 1 electronic, 2 EFC, 3 mechanical or leaf
    std::string driveMode;
    int frameNumber = 0;
    // [SECTION] colour
    std::string whiteBalance, photoStyle, lut, dynamicRange, tone, adjustment, effects;
    // [SECTION] AF geometry, already turned to the displayed image
    int afPointX = 0, afPointY = 0;          // 1-based in the frame below; 0 = not recorded
    int afFrameWidth = 0, afFrameHeight = 0;
    double afAreaWidth = 0, afAreaHeight = 0;  // fractions of the frame
    std::string afSizeType;
    std::vector<DetectionArea> detections;
    // Which vendor decoder accepted the file (-1 none); the panel notes an AF point it lacks.
    int vendor = -1;
    bool exifFound = false;
};

// [SECTION] building
// head: the file head extractPreview handed back, or empty to read it here.
ShotInfo buildShotInfo(const std::string& path, ByteView head = {});
// The same on a head already in memory; path only names the file.
ShotInfo buildShotInfoFromHead(const std::string& path, ByteView head);
// DateTimeOriginal as the panel shows it: "2024:05:01 14:03:22" -> "2024-05-01 14:03:22".
std::string capturedText(std::string dateTimeOriginal);
// readPhotoMeta on a head already in memory.
PhotoMeta readPhotoMetaFromHead(ByteView head);
// Panel lines: "H\tid\ttitle", "V\tlabel\tvalue", "D\tgauge\tlabel\tvalue".
std::vector<std::string> shotInfoRows(const ShotInfo& s);
// The rows as plain text for the clipboard, CR LF line ends.
std::string shotInfoText(const ShotInfo& s);

// [SECTION] formatting (empty text when the input is unknown)
std::string formatShutter(uint32_t num, uint32_t den);
std::string formatAperture(uint32_t num, uint32_t den);
std::string formatFocalLength(uint32_t num, uint32_t den, int focal35, bool cropMode, double cropFactor = 0);
std::string formatExposureComp(double ev);
std::string formatLightValue(double lv);
std::string formatMetering(int mode);
std::string formatTemperature(double t);
std::string formatLevel(double angle);
std::string formatShutterType(int code);
std::string cameraName(const std::string& make, const std::string& model);
std::string lensName(const std::string& lensMake, const std::string& lensModel);
// A focus-mode text read as a manual focus setting.
bool isManualFocusText(const std::string& focusMode);
// -1 unknown, 0 AF-S, 1 AF-C, 2 manual, 3 other automatic.
int focusClassOf(const std::string& focusMode);
// "Processed with" must not show camera firmware.
bool looksLikeFirmware(const std::string& software);

}  // namespace lv
