#include "library/open_paths.h"

#include "core/texts.h"
#include "library/bursts.h"
#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv {

// [SECTION] opening a folder
MessageSpec noPhotosMessage(std::string_view folder, PathStyle s) {
    MessageSpec m;
    m.title = text("NoFilesTitle");
    m.text = text("NoFilesMsg") + "\r\n" + withTrailingSeparator(folder, s) + "\r\n\r\n" + textWithFormats("NoFilesTypes");
    m.icon = MessageIcon::Information;
    return m;
}

FolderOpen openFolder(FolderState& state, std::string_view folder, std::string_view selectName,
                      RatingReaderFn readRating, PathStyle s) {
    FolderOpen r;
    if (!folderHasPhotos(folder)) {
        r.message = noPhotosMessage(folder, s);
        return r;
    }
    r.rememberBefore = photoForRecent(state);
    stopBurstPlayback(state, false);
    // The folder may have lost its photos since the check: the old one then stays open.
    if (loadFolder(state, folder, selectName, readRating, s) == 0) {
        r.message = noPhotosMessage(folder, s);
        return r;
    }
    r.opened = true;
    r.rememberAfter = photoForRecent(state);
    return r;
}

std::string photoForRecent(const FolderState& state) {
    if (state.photos.count <= 0) return {};
    int index = visibleToPhoto(state, state.currentPosition);
    if (index < 0) index = 0;
    return state.photos.path[size_t(index)];
}

// [SECTION] clipboard
std::string clipboardPathText(std::string_view clip) {
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!clip.empty() && space(clip.front())) clip.remove_prefix(1);
    while (!clip.empty() && space(clip.back())) clip.remove_suffix(1);
    if (clip.size() >= 2 && clip.front() == '"' && clip.back() == '"') clip = clip.substr(1, clip.size() - 2);
    return std::string(clip);
}

ClipboardOpen resolveClipboardPath(std::string_view clip, PathStyle s) {
    ClipboardOpen r;
    std::string path = clipboardPathText(clip);
    if (path.empty()) {
        r.target = ClipboardTarget::Empty;
        r.message = {text("ClipPathTitle"), text("ClipEmptyMsg"), MessageIcon::Information, false};
    } else if (isFolder(path)) {
        r.target = ClipboardTarget::Folder;
        r.folder = path;
    } else if (pathExists(path)) {
        r.target = ClipboardTarget::File;
        r.folder = std::string(folderPart(path, s));
        r.selectName = std::string(fileNamePart(path, s));
    } else {
        r.target = ClipboardTarget::Missing;
        r.message = {text("ClipPathTitle"), text("ClipBadMsg") + "\r\n" + path, MessageIcon::Exclamation, false};
    }
    return r;
}

// [SECTION] recent list
RecentOpen resolveRecentEntry(std::string_view entry, PathStyle s) {
    RecentOpen r;
    r.folder = std::string(folderPart(entry, s));
    r.fileName = std::string(fileNamePart(entry, s));
    if (r.folder.empty()) return r;
    r.open = true;
    r.missing = !r.fileName.empty() && folderHasPhotos(r.folder) && !pathExists(std::string(entry));
    if (r.missing) {
        r.message.title = text("RecentMissingTitle");
        r.message.text = text("RecentMissingMsg") + "\r\n" + r.fileName + "\r\n\r\n" + text("RecentMissingAsk");
        r.message.icon = MessageIcon::Warning;
        r.message.yesNo = true;
    }
    return r;
}

// [SECTION] dialogs and Explorer
std::string pickFolderTitle() { return textWithFormats("DlgPickFolder"); }
std::string pickFileTitle() { return textWithFormats("DlgPickFile"); }

void pickFileFilters(FileDialogFilter* photos, FileDialogFilter* all) {
    if (photos) *photos = {textWithFormats("DlgFilterImages"), openDialogPattern()};
    if (all) *all = {text("DlgFilterAll"), "*.*"};
}

std::string revealParameters(std::string_view path) {
    if (path.empty()) return {};
    return "/select,\"" + std::string(path) + "\"";
}

}  // namespace lv
