// The open folder: its photos as parallel per-photo arrays in listing order, the visible list
// (filtered and ordered positions the user steps through), the orderings and the import-browse
// ordering. Everything here runs on the user-interface thread; the GUI stops its background
// threads around the calls that rebuild the lists.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"
#include "metadata/photo_meta.h"

namespace lv {

// [SECTION] photo list
struct PhotoList {
    std::vector<std::string> path;       // folder (with its separator) + file name
    std::vector<int> rating;             // -1 rejected, 0 none, 1..5
    std::vector<std::string> label;      // colour label from the sidecar
    std::vector<int> orientation;        // EXIF 1..8, 1 until the preview is read
    std::vector<PhotoMeta> meta;
    std::vector<uint8_t> metaLoaded;     // 1 once meta has been read
    std::vector<double> captureSerial;   // copy of meta.captureSerial, 0 = unknown
    std::vector<int> burstIndex;         // copy of meta.burstIndex, -1 or 0 = none
    std::vector<int> continuousDrive;    // copy of meta.continuousDrive
    std::vector<int> burstGroup;         // -1 = not in a burst
    std::vector<int> arrival;            // joined while an import destination is browsed; 0 at load
    int count = 0;
};
// Sizes every array to n and clears it (paths are kept when the array already has n entries).
void resetPhotoList(PhotoList& list, int n);
// Stores a photo's metadata and its copies in the list fields.
void setPhotoMeta(PhotoList& list, int index, const PhotoMeta& meta);

// [SECTION] ordering
enum OrderingMode { kOrderOriginal = 0, kOrderNameAZ = 1, kOrderNameZA = 2, kOrderTimeOld = 3, kOrderTimeNew = 4 };
inline constexpr int kOrderingModeCount = 5;
struct OrderingInfo {
    const char* textKey;      // menu text key
    const char* defaultText;  // its English text
    const char* cliName;      // the name used by `lumivore list --order`
};
extern const OrderingInfo kOrderings[kOrderingModeCount];
inline constexpr const char* kOrderingSection = "Ordering";
inline constexpr const char* kOrderingKey = "Mode";
// The mode stored in the settings, or def when it is outside 0..4.
int orderingFromSetting(int stored, int def = kOrderOriginal);
// -1 for an unknown name.
int orderingFromName(std::string_view name);

// [SECTION] folder state
struct FolderState;
// Whether a photo passes the strip filter; the list shows every photo without one.
using PhotoFilterFn = bool (*)(const FolderState& state, int index, void* context);

struct BurstPlayback {
    bool playing = false;
    int startPosition = 0;
    int group = -1;
};

struct FolderState {
    std::string folder;  // with its final separator
    PhotoList photos;
    int currentPosition = 0;
    int orderingMode = kOrderOriginal;
    bool filterActive = false;
    PhotoFilterFn filter = nullptr;  // consulted while filterActive
    void* filterContext = nullptr;
    std::vector<int> visible;   // list indices in display order, in use when visibleInUse
    bool visibleInUse = false;
    bool metadataComplete = false;
    bool metadataChanged = false;
    bool burstsComputed = false;
    int burstCount = 0;
    BurstPlayback playback;
    bool importBrowse = false;  // photos joining later follow the others, in arrival order
    int savedOrderingMode = kOrderOriginal;
    int nextArrival = 1;
    double sidecarPassMs = 0;   // time spent reading ratings and labels at load
};

// Reads rating and label of one photo (its sidecar, else the photo's own XMP packet). Unreadable
// sidecars leave rating 0 and an empty label.
using RatingReaderFn = void (*)(std::string_view photoPath, int* rating, std::string* label);

// While a folder is loaded, its rating pass asks, for every photo, whether sidecar names exist.
// One file-system question per name is slow on large folders (under Wine, where every missing
// name costs a pass over the folder, 3,400 photos took half a minute), so the pass answers them
// from the listing it has just taken. True when path lies in the folder being loaded on this
// thread; *exists then says whether the listing holds it as a file (names compared ignoring case).
bool listedFileExists(std::string_view path, bool* exists);

// [SECTION] listing
// The names of the supported photos of a folder, in the order the system returns them;
// hidden and system files, folders and links to folders are skipped. A folder that cannot be
// listed gives an empty list (and the error when err is given).
std::vector<std::string> listPhotoNames(std::string_view folder, uint32_t* err = nullptr);
int countPhotos(std::string_view folder);
bool folderHasPhotos(std::string_view folder);

// Loads the folder's photos into state, selecting selectName (a file name or a path whose file
// name is used, compared ignoring case). Returns the count; 0 leaves state as it was.
int loadFolder(FolderState& state, std::string_view folder, std::string_view selectName,
               RatingReaderFn readRating = nullptr, PathStyle s = kNativeStyle);
// Adds one photo while an import destination is browsed; returns its list index.
int appendArrivedPhoto(FolderState& state, std::string_view path, RatingReaderFn readRating = nullptr);

// [SECTION] visible list
int visibleLength(const FolderState& state);
// -1 outside 0..length-1.
int visibleToPhoto(const FolderState& state, int position);
// -1 when the photo is not visible.
int photoToVisible(const FolderState& state, int index);
// Collects the photos passing the filter in list order and sorts them by the current mode.
void rebuildVisibleList(FolderState& state, PathStyle s = kNativeStyle);
// Changes the mode keeping the current photo current. Returns true when the mode was taken
// (the caller then saves it in the settings and shows the current photo); modes outside 0..4
// and, outside the import-browse ordering, the current mode change nothing.
bool setOrdering(FolderState& state, int mode, PathStyle s = kNativeStyle);
// Sorts again by the current mode (capture times have arrived), keeping the current photo.
void reapplyOrdering(FolderState& state, PathStyle s = kNativeStyle);
// The import browse window forces oldest-first with late arrivals last; leaving restores the mode.
void enterImportBrowseOrdering(FolderState& state, PathStyle s = kNativeStyle);
void leaveImportBrowseOrdering(FolderState& state, PathStyle s = kNativeStyle);

}  // namespace lv
