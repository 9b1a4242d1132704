// What a file is, decided from its name alone: the supported photo formats (in lookup order),
// the other kinds, the user's extension map, the names derived from a photo's name, partners and
// sidecar ownership, and the phrases that list formats and makers in the user interface.
// Nothing here opens a file; the content check belongs to the container code in src/metadata.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/pathname.h"

namespace lv {

// [SECTION] photo formats
// The container handlers in src/metadata are matched to these rows by index; the order is the
// order of lookup, of the phrases and of the file-dialog pattern, so never reorder it.
struct PhotoFormat {
    const char* name;        // display name, at most 16 characters
    const char* extensions;  // upper case with dots, ";"-separated: ".3FR;.FFF"
    bool isRaw;              // a camera RAW container (else JPEG)
    bool poolDecode;         // background workers may pre-decode it
    bool thumbNameHasExt;    // the thumbnail cache name carries the extension
    bool sidecarAppends;     // sidecar is name + ".xmp" (else the extension becomes "xmp")
};
inline constexpr int kPhotoFormatCount = 12;
std::span<const PhotoFormat> photoFormats();

// Index into photoFormats(), or -1. Extensions match whole, ignoring case.
int findPhotoFormat(std::string_view path, PathStyle s = kNativeStyle);
bool isSupportedPhoto(std::string_view path, PathStyle s = kNativeStyle);
bool isRawFile(std::string_view path, PathStyle s = kNativeStyle);
bool poolDecodeAllowed(std::string_view path, PathStyle s = kNativeStyle);

// [SECTION] file kinds
enum class FileKind { Raw, Jpeg, Video, Audio, Sidecar, Other };

// Pipe lists: every item followed by "|".
inline constexpr std::string_view kVideoExtensions =
    ".mp4|.mov|.avi|.m4v|.mts|.m2ts|.mxf|.lrv|.3gp|.wmv|.mkv|.insv|";
inline constexpr std::string_view kAudioExtensions = ".wav|.mp3|.m4a|.aac|.flac|.ogg|.opus|";
inline constexpr std::string_view kSidecarExtensions =
    ".thm|.xmp|.aae|.pp3|.dop|.on1|.sec|.bnp|.ctg|.mpl|.cpi|.modd|";
// Sidecars that travel with their photo on export and import.
inline constexpr std::string_view kAttachableSidecars = ".xmp|.aae|.pp3|.dop|.on1|";
// The import vocabulary, where a JPEG is "sooc".
inline constexpr std::string_view kKindVocabulary = "raw|sooc|video|audio|sidecar|other|";

// Names follow core/pathname.h: the extension runs from the name's last dot, so ".xmp" alone
// is an extension (extensionOf, stemOf, withoutExtension).
// "." + lower-case extension + "|" (".cr2|"), or ".|" without an extension.
std::string extensionKey(std::string_view path, PathStyle s = kNativeStyle);

FileKind classifyFile(std::string_view path, PathStyle s = kNativeStyle);
// "raw", "jpeg", "video", "audio", "sidecar", "other".
const char* fileKindText(FileKind k);
// The kind as text, where the user's map may give a kind to files that would be "other".
std::string kindWithTypeMap(std::string_view path, std::string_view typeMap, PathStyle s = kNativeStyle);
// Trimmed; "jpeg" (any case) is shown as "sooc".
std::string kindDisplayName(std::string_view kindText);

// [SECTION] pipe lists and the type map
// item carries its trailing "|".
bool pipeListHas(std::string_view list, std::string_view item);
void pipeListSet(std::string& list, std::string_view item, bool on);
// Map entries are key "=" value "|", key like ".crm", value "raw", "sooc" or "video".
std::string typeMapGet(std::string_view map, std::string_view key);
void typeMapSet(std::string& map, std::string_view key, std::string_view value);
// Drops malformed fields of a stored map; later entries of a key replace earlier ones.
std::string sanitizeTypeMap(std::string_view text);

// [SECTION] derived names
// "P1000123.RW2" -> "P1000123.xmp"; "IMG_0001.CR2" -> "IMG_0001.CR2.xmp".
std::string sidecarPathFor(std::string_view path, PathStyle s = kNativeStyle);
// "IMG_0001.CR2" -> "thumb_IMG_0001_CR2.jpg"; "P1000123.RW2" -> "thumb_P1000123.jpg".
std::string thumbnailNameFor(std::string_view path, PathStyle s = kNativeStyle);
// Where a sidecar goes when its photo is copied under a new path; empty when it does not follow.
std::string sidecarDestinationName(std::string_view sidecarPath, std::string_view photoPath,
                                   std::string_view newPhotoPath, PathStyle s = kNativeStyle);

// [SECTION] partners and sidecar ownership
// Entries of a folder list whose base names equal that of paths[index], ignoring case, in list
// order (index itself excluded).
std::vector<int> partnersOf(const std::vector<std::string>& paths, int index, PathStyle s = kNativeStyle);
// For each entry in scan order: the index of the photo owning it when it is an attachable
// sidecar with an owner, else -1. A RAW photo is preferred over a JPEG of the same stem.
std::vector<int> sidecarOwners(const std::vector<std::string>& paths, PathStyle s = kNativeStyle);

// [SECTION] phrases
// "3FR/FFF, DNG, ... X3F or JPEG"
std::string formatsPhrase();
// "*.3FR;*.FFF;...;*.JPEG"
std::string openDialogPattern();
// The makers whose maker notes are decoded, in registration order.
std::span<const char* const> vendorNames();
// Sorted, "Canon, Fujifilm, ... Sigma and Sony"; empty for an empty list.
std::string vendorsPhrase();
std::string vendorsPhrase(std::span<const char* const> vendors);
// The UI text of key with every "{formats}" replaced by formatsPhrase().
std::string textWithFormats(std::string_view key);
// The UI text of key with every "{vendors}" replaced by vendorsPhrase().
std::string textWithVendors(std::string_view key);

// Hands the settings store the type-map rule; the store sits below this layer.
void registerFileKindSettingsRules();

}  // namespace lv
