#include "sidecar/rating_commands.h"

#include <mutex>

#include "core/pathname.h"
#include "core/texts.h"
#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"

namespace lv {

namespace {
std::mutex g_warnedLock;
std::string g_warnedFolder;  // upper case; the folder whose failure was last shown

SidecarCommandResult failed(std::string_view path, bool forLabel) {
    SidecarCommandResult r;
    r.ok = false;
    r.code = lastSidecarError();
    r.notice = sidecarFailureNotice(path, forLabel, r.code);
    return r;
}


SidecarPath sidecarFor(const RatedPhoto& photo) {
    return photo.sidecar.empty() ? sidecarOf(photo.path) : SidecarPath{std::string(photo.sidecar)};
}
}  // namespace

SidecarCommandResult setRating(RatedPhoto photo, int rating) {
    if (rating < -1) rating = -1;
    if (rating > 5) rating = 5;
    int old = *photo.rating;
    *photo.rating = rating;
    if (writeRating(sidecarFor(photo), rating, *photo.label)) return {};
    *photo.rating = old;
    return failed(photo.path, false);
}

SidecarCommandResult toggleReject(RatedPhoto photo) { return setRating(photo, *photo.rating == -1 ? 0 : -1); }

SidecarCommandResult setLabel(RatedPhoto photo, std::string_view label) {
    std::string old = *photo.label;
    *photo.label = std::string(label);
    if (writeLabel(sidecarFor(photo), label, *photo.rating)) return {};
    *photo.label = old;
    return failed(photo.path, true);
}

static bool validEntry(const PhotoList& list, int index) {
    return index >= 0 && index < list.count && size_t(index) < list.path.size() &&
           size_t(index) < list.rating.size() && size_t(index) < list.label.size();
}

SidecarCommandResult setRating(PhotoList& list, int index, int rating) {
    if (!validEntry(list, index)) return {};
    return setRating(RatedPhoto{list.path[index], &list.rating[index], &list.label[index]}, rating);
}

SidecarCommandResult toggleReject(PhotoList& list, int index) {
    if (!validEntry(list, index)) return {};
    return toggleReject(RatedPhoto{list.path[index], &list.rating[index], &list.label[index]});
}

SidecarCommandResult setLabel(PhotoList& list, int index, std::string_view label) {
    if (!validEntry(list, index)) return {};
    return setLabel(RatedPhoto{list.path[index], &list.rating[index], &list.label[index]}, label);
}

SidecarNotice sidecarFailureNotice(std::string_view photoPath, bool forLabel, WinErr code) {
    SidecarNotice n;
    std::string folder = upperAscii(folderPart(photoPath));
    {
        std::lock_guard<std::mutex> g(g_warnedLock);
        if (folder == g_warnedFolder) return n;
        g_warnedFolder = folder;
    }
    n.show = true;
    n.title = text("SidecarFailedTitle");
    std::string message = text(forLabel ? "SidecarLabelFailed" : "SidecarRatingFailed");
    n.text = std::string(fileNamePart(photoPath)) + ": " + fillPlaceholder(message, "{code}", std::to_string(code));
    return n;
}

void resetSidecarWarning() {
    std::lock_guard<std::mutex> g(g_warnedLock);
    g_warnedFolder.clear();
}

namespace {
struct ChipColour {
    const char* name;  // upper case
    uint8_t r, g, b;
};
constexpr ChipColour kChipColours[] = {
    {"RED", 220, 40, 40},   {"YELLOW", 220, 190, 0},  {"GREEN", 60, 170, 60},
    {"BLUE", 50, 120, 220}, {"PURPLE", 150, 70, 200},
};
constexpr ChipColour kOtherLabel = {"", 140, 140, 140};

struct LabelWord {
    const char* word;
    const char* label;
};
constexpr LabelWord kLabelWords[] = {{"red", "Red"}, {"yellow", "Yellow"}, {"green", "Green"}, {"none", ""}};
}  // namespace

LabelColour labelColour(std::string_view label) {
    LabelColour c;
    std::string key = upperAscii(trimXmlSpace(label));
    if (key.empty()) return c;
    const ChipColour* chip = &kOtherLabel;
    for (const ChipColour& k : kChipColours)
        if (key == k.name) chip = &k;
    c.hasLabel = true;
    c.r = chip->r;
    c.g = chip->g;
    c.b = chip->b;
    return c;
}

bool labelFromWord(std::string_view word, std::string* label) {
    for (const LabelWord& w : kLabelWords)
        if (equalsIgnoreCase(word, w.word)) {
            *label = w.label;
            return true;
        }
    return false;
}

}  // namespace lv
