#include <mutex>

#include "core/pathname.h"
#include "core/settings.h"

namespace lv {

namespace {

std::string trimmedRoot(std::string_view root) {
    std::string r(root);
    while (!r.empty() && isSeparator(r.back())) r.pop_back();
    return r;
}

std::string appFolder(std::string_view root, const char* leaf) {
    std::string r = trimmedRoot(root);
    if (r.empty()) return {};
    std::string sep(1, kPathSep);
    return r + sep + "Lumivore" + sep + leaf + sep;
}

}  // namespace

std::string configFolderFrom(std::string_view appData, std::string_view programFolder) {
    std::string f = appFolder(appData, "Configuration");
    return f.empty() ? withTrailingSeparator(programFolder) : f;
}

std::string journalFolderFrom(std::string_view appData) { return appFolder(appData, "Import journals"); }

std::string cacheRootFrom(std::string_view temp) { return appFolder(temp, "Cache"); }

std::string configFolder() {
    std::string f = configFolderFrom(appDataRoot(), programFolder());
    folderCreateAll(f);
    return f;
}

std::string settingsPath() {
    static std::once_flag once;
    static std::string path;
    std::call_once(once, [] { path = configFolder() + "Lumivore.ini"; });
    return path;
}

std::string journalFolder() { return journalFolderFrom(appDataRoot()); }

std::string cacheRoot() { return cacheRootFrom(tempRoot()); }

WinErr ensureCacheRoot() {
    std::string r = cacheRoot();
    if (r.empty()) return kErrPathNotFound;
    return folderCreateAll(r);
}

}  // namespace lv
