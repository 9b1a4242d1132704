#include "library/folder.h"

#include <algorithm>

#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] photo list
void resetPhotoList(PhotoList& list, int n) {
    size_t m = size_t(n < 0 ? 0 : n);
    list.path.resize(m);
    list.rating.assign(m, 0);
    list.label.assign(m, std::string());
    list.orientation.assign(m, 1);
    list.meta.assign(m, PhotoMeta());
    list.metaLoaded.assign(m, 0);
    list.captureSerial.assign(m, 0.0);
    list.burstIndex.assign(m, -1);
    list.continuousDrive.assign(m, 0);
    list.burstGroup.assign(m, -1);
    list.arrival.assign(m, 0);
    list.count = int(m);
}

void setPhotoMeta(PhotoList& list, int index, const PhotoMeta& meta) {
    if (index < 0 || index >= list.count) return;
    size_t i = size_t(index);
    list.meta[i] = meta;
    list.metaLoaded[i] = 1;
    list.captureSerial[i] = meta.captureSerial;
    list.burstIndex[i] = meta.burstIndex;
    list.continuousDrive[i] = meta.continuousDrive ? 1 : 0;
}

// [SECTION] ordering table
const OrderingInfo kOrderings[kOrderingModeCount] = {
    {"OrderFile", "Original (&unsorted)", "original"},
    {"OrderNameAZ", "Name (&A-Z)", "name-az"},
    {"OrderNameZA", "Name (&Z-A)", "name-za"},
    {"OrderTimeAZ", "Capture time (&oldest first)", "time-old"},
    {"OrderTimeZA", "Capture time (&newest first)", "time-new"},
};

int orderingFromSetting(int stored, int def) {
    return (stored >= 0 && stored < kOrderingModeCount) ? stored : def;
}

int orderingFromName(std::string_view name) {
    for (int i = 0; i < kOrderingModeCount; i++)
        if (name == kOrderings[i].cliName) return i;
    return -1;
}

// [SECTION] listing
namespace {

// The folder being loaded on this thread and the upper-cased names of its files, sorted.
struct LoadListing {
    std::string folder;
    std::vector<std::string> files;
};
thread_local const LoadListing* tLoading = nullptr;

std::vector<std::string> photoNamesOf(std::vector<DirEntry>& entries, LoadListing* listing) {
    std::vector<std::string> names;
    for (DirEntry& d : entries) {
        if (d.isFolder) continue;
        if (listing) listing->files.push_back(upperAscii(d.name));
        if (d.hidden || d.system) continue;
        if (isSupportedPhoto(d.name)) names.push_back(std::move(d.name));
    }
    if (listing) std::sort(listing->files.begin(), listing->files.end());
    return names;
}

}  // namespace

bool listedFileExists(std::string_view path, bool* exists) {
    const LoadListing* l = tLoading;
    if (!l || path.size() <= l->folder.size() || !equalsIgnoreCase(path.substr(0, l->folder.size()), l->folder)) return false;
    std::string_view name = path.substr(l->folder.size());
    if (name.find_first_of("\\/") != std::string_view::npos) return false;
    *exists = std::binary_search(l->files.begin(), l->files.end(), upperAscii(name));
    return true;
}

std::vector<std::string> listPhotoNames(std::string_view folder, uint32_t* err) {
    std::vector<DirEntry> entries;
    WinErr e = listFolder(folder, &entries);
    if (err) *err = e;
    if (e != kErrOk) return {};
    return photoNamesOf(entries, nullptr);
}

int countPhotos(std::string_view folder) { return int(listPhotoNames(folder).size()); }

bool folderHasPhotos(std::string_view folder) {
    // Stops at the first photo: a card folder of thousands of clips needs no full pass.
    std::vector<DirEntry> entries;
    if (listFolder(folder, &entries) != kErrOk) return false;
    for (const DirEntry& d : entries)
        if (!d.isFolder && !d.hidden && !d.system && isSupportedPhoto(d.name)) return true;
    return false;
}

int loadFolder(FolderState& state, std::string_view folder, std::string_view selectName, RatingReaderFn readRating,
               PathStyle s) {
    std::string dir = withTrailingSeparator(folder, s);
    if (state.importBrowse) {
        state.importBrowse = false;
        state.orderingMode = state.savedOrderingMode;
    }
    std::vector<DirEntry> entries;
    if (listFolder(dir, &entries) != kErrOk) return 0;
    LoadListing listing;
    listing.folder = dir;
    std::vector<std::string> names = photoNamesOf(entries, &listing);
    if (names.empty()) return 0;

    FolderState& st = state;  // shorter lines below
    st.folder = dir;
    resetPhotoList(st.photos, int(names.size()));
    for (size_t i = 0; i < names.size(); i++) st.photos.path[i] = dir + names[i];
    st.burstCount = 0;
    st.burstsComputed = false;
    st.metadataComplete = false;
    st.metadataChanged = false;
    st.playback = BurstPlayback();
    st.nextArrival = 1;

    uint64_t t0 = perfCounter();
    tLoading = &listing;
    if (readRating)
        for (int i = 0; i < st.photos.count; i++)
            readRating(st.photos.path[size_t(i)], &st.photos.rating[size_t(i)], &st.photos.label[size_t(i)]);
    tLoading = nullptr;
    uint64_t freq = perfFrequency();
    st.sidecarPassMs = freq ? double(perfCounter() - t0) * 1000.0 / double(freq) : 0;

    st.currentPosition = 0;
    st.filterActive = false;
    rebuildVisibleList(st, s);

    if (!selectName.empty()) {
        std::string want = dir + std::string(fileNamePart(selectName, s));
        for (int i = 0; i < st.photos.count; i++) {
            if (equalsIgnoreCase(st.photos.path[size_t(i)], want)) {
                st.currentPosition = std::max(0, photoToVisible(st, i));
                break;
            }
        }
    }
    return st.photos.count;
}

int appendArrivedPhoto(FolderState& state, std::string_view path, RatingReaderFn readRating) {
    PhotoList& p = state.photos;
    p.path.emplace_back(path);
    p.rating.push_back(0);
    p.label.emplace_back();
    p.orientation.push_back(1);
    p.meta.emplace_back();
    p.metaLoaded.push_back(0);
    p.captureSerial.push_back(0);
    p.burstIndex.push_back(-1);
    p.continuousDrive.push_back(0);
    p.burstGroup.push_back(-1);
    p.arrival.push_back(state.nextArrival++);
    p.count++;
    int index = p.count - 1;
    if (readRating) readRating(p.path.back(), &p.rating.back(), &p.label.back());
    // New photos need their metadata read and the bursts recomputed.
    state.metadataComplete = false;
    state.metadataChanged = true;
    return index;
}

// [SECTION] visible list
int visibleLength(const FolderState& state) {
    return state.visibleInUse ? int(state.visible.size()) : state.photos.count;
}

int visibleToPhoto(const FolderState& state, int position) {
    if (position < 0 || position >= visibleLength(state)) return -1;
    return state.visibleInUse ? state.visible[size_t(position)] : position;
}

int photoToVisible(const FolderState& state, int index) {
    if (index < 0 || index >= state.photos.count) return -1;
    if (!state.visibleInUse) return index;
    for (size_t i = 0; i < state.visible.size(); i++)
        if (state.visible[i] == index) return int(i);
    return -1;
}

static void sortVisible(FolderState& st, PathStyle s) {
    std::vector<int>& v = st.visible;
    if (v.size() < 2 || st.orderingMode == kOrderOriginal) return;
    const PhotoList& p = st.photos;
    // Stable sorts keep the listing order among equal keys, so photos without a capture time
    // stay where the folder listed them.
    if (st.orderingMode == kOrderNameAZ || st.orderingMode == kOrderNameZA) {
        std::vector<std::string> key(size_t(p.count));
        for (int i : v) key[size_t(i)] = upperAscii(fileNamePart(p.path[size_t(i)], s));
        if (st.orderingMode == kOrderNameAZ)
            std::stable_sort(v.begin(), v.end(), [&](int a, int b) { return key[size_t(a)] < key[size_t(b)]; });
        else
            std::stable_sort(v.begin(), v.end(), [&](int a, int b) { return key[size_t(b)] < key[size_t(a)]; });
        return;
    }
    std::vector<double> key(size_t(p.count));
    for (int i : v) {
        size_t k = size_t(i);
        key[k] = (st.importBrowse && p.arrival[k] > 0) ? 1e12 + double(p.arrival[k]) : p.captureSerial[k];
    }
    if (st.orderingMode == kOrderTimeOld)
        std::stable_sort(v.begin(), v.end(), [&](int a, int b) { return key[size_t(a)] < key[size_t(b)]; });
    else
        std::stable_sort(v.begin(), v.end(), [&](int a, int b) { return key[size_t(b)] < key[size_t(a)]; });
}

void rebuildVisibleList(FolderState& state, PathStyle s) {
    state.visible.clear();
    state.visible.reserve(size_t(state.photos.count));
    bool filtering = state.filterActive && state.filter;
    for (int i = 0; i < state.photos.count; i++)
        if (!filtering || state.filter(state, i, state.filterContext)) state.visible.push_back(i);
    state.visibleInUse = state.filterActive || state.orderingMode != kOrderOriginal;
    sortVisible(state, s);
    if (!state.visibleInUse) state.visible.clear();
}

static void reorderKeepingCurrent(FolderState& state, PathStyle s) {
    int current = visibleToPhoto(state, state.currentPosition);
    if (current < 0 && state.photos.count > 0) current = visibleToPhoto(state, 0);
    rebuildVisibleList(state, s);
    int pos = photoToVisible(state, current);
    int len = visibleLength(state);
    if (pos < 0) pos = 0;
    if (pos > len - 1) pos = std::max(0, len - 1);
    state.currentPosition = pos;
}

bool setOrdering(FolderState& state, int mode, PathStyle s) {
    if (mode < 0 || mode >= kOrderingModeCount) return false;
    if (state.importBrowse)
        state.importBrowse = false;
    else if (mode == state.orderingMode)
        return false;
    state.orderingMode = mode;
    reorderKeepingCurrent(state, s);
    return true;
}

void reapplyOrdering(FolderState& state, PathStyle s) {
    reorderKeepingCurrent(state, s);
}

void enterImportBrowseOrdering(FolderState& state, PathStyle s) {
    if (!state.importBrowse) state.savedOrderingMode = state.orderingMode;
    state.importBrowse = true;
    state.orderingMode = kOrderTimeOld;
    reorderKeepingCurrent(state, s);
}

void leaveImportBrowseOrdering(FolderState& state, PathStyle s) {
    if (!state.importBrowse) return;
    state.importBrowse = false;
    state.orderingMode = state.savedOrderingMode;
    reorderKeepingCurrent(state, s);
}

}  // namespace lv
