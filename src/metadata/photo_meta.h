// The quick metadata of one file, read from its first 256 KiB: what sorting, bursts, the strip
// filter, thumbnails and the import naming need. Filled by readPhotoMeta.
#pragma once
#include <string>

namespace lv {

struct PhotoMeta {
    double captureSerial = 0;    // seconds from 2000-01-01 (real days); 0 = unknown
    int iso = 0;
    int apertureX100 = 0;        // f-number x 100
    double exposureSeconds = 0;
    int focusClass = -1;         // 0 AF-S, 1 AF-C, 2 manual, 3 other automatic
    int shutterType = -1;        // 0 mechanical, 1 electronic, 2 EFC, 3 mechanical or leaf
    int orientation = 1;         // EXIF 1..8
    int pixelWidth = 0;
    int pixelHeight = 0;
    double exposureComp = 0;     // EV
    bool hasExposureComp = false;
    bool continuousDrive = false;
    int burstIndex = -1;         // sequence value from the maker note
    std::string camera;
    std::string lens;
    bool valid = false;          // a TIFF header was found and read
};

// Reads the file head (256 KiB) and fills the record; valid stays false when the file cannot be
// read, is shorter than 8 bytes or holds no TIFF header.
PhotoMeta readPhotoMeta(const std::string& path);

}  // namespace lv
