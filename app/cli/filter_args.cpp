#include "filter_args.h"

#include <cstdio>

#include "report.h"
#include "core/ini.h"
#include "core/settings.h"
#include "filter/saved_filters.h"
#include "filter/scan.h"
#include "filter/token_syntax.h"
#include "library/filekinds.h"
#include "platform/platform.h"

namespace lv::cli {

// [SECTION] options
int takeFilterOption(const char* command, const Args& args, size_t& i, FilterArgs& fa) {
    static const struct {
        const char* name;
        int slot;  // 0 --filter, 1 --saved, 2 --settings
    } kOptions[] = {{"--filter", 0}, {"--saved", 1}, {"--settings", 2}};
    const std::string& a = args[i];
    for (const auto& o : kOptions) {
        std::string name = o.name, value;
        if (a == name) {
            if (i + 1 >= args.size()) return usageError(command, name + " needs a value");
            value = args[++i];
        } else if (a.rfind(name + "=", 0) == 0) {
            value = a.substr(name.size() + 1);
        } else {
            continue;
        }
        if (o.slot == 0) fa.tokens.push_back(value);
        if (o.slot == 1) fa.saved = value;
        if (o.slot == 2) fa.settingsFile = value;
        return kExitOk;
    }
    return -1;
}

std::string settingsFileOf(const std::string& given) { return given.empty() ? settingsPath() : given; }

int loadSavedFiltersFrom(const char* command, const std::string& path, SavedFilters* out) {
    std::string text;
    if (WinErr e = iniReadFile(path, &text)) {
        std::fprintf(stderr, "lumivore %s: %s: %s\n", command, path.c_str(), describeError(e).c_str());
        return kExitFailed;
    }
    loadSavedFilters(*out, text);
    return kExitOk;
}

// [SECTION] tokens
int tokensFromArgs(const char* command, const std::vector<std::string>& texts, Filter* out) {
    for (const std::string& t : texts) {
        FilterToken token;
        std::string why;
        if (!parseTokenArgument(t, &token, &why)) return usageError(command, "bad token \"" + t + "\": " + why);
        if (findToken(*out, token.criterion) >= 0)
            return usageError(command, "bad token \"" + t + "\": a second token for " +
                                           criterion(token.criterion)->key);
        out->tokens.push_back(std::move(token));
    }
    return kExitOk;
}

int filterFromArgs(const char* command, const FilterArgs& fa, Filter* out) {
    Filter typed;
    if (int r = tokensFromArgs(command, fa.tokens, &typed)) return r;
    out->tokens.clear();
    if (!fa.saved.empty()) {
        std::string path = settingsFileOf(fa.settingsFile);
        SavedFilters saved;
        if (int r = loadSavedFiltersFrom(command, path, &saved)) return r;
        int index = findSavedFilter(saved, fa.saved);
        if (index < 0) return usageError(command, "no saved filter called \"" + fa.saved + "\" in " + path);
        if (!tokensOfSavedFilter(saved, index, &out->tokens))
            return usageError(command, unusableSavedLine(saved.entries[size_t(index)].name));
    }
    for (FilterToken& t : typed.tokens) out->tokens[size_t(addToken(*out, t.criterion))] = std::move(t);
    return kExitOk;
}

// [SECTION] metadata
static void drawProgress(int read, int total, void* context) {
    int& shown = *static_cast<int*>(context);  // the last percentage drawn
    int percent = total > 0 ? int(int64_t(read) * 100 / total) : 100;
    if (percent == shown) return;
    shown = percent;
    const int width = 30;
    int filled = total > 0 ? int(int64_t(read) * width / total) : width;
    std::fprintf(stderr, "\rreading metadata [%s%s] %d / %d", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(width - filled), ' ').c_str(), read, total);
    if (read == total) std::fprintf(stderr, "\r%*s\r", width + 40, "");
    std::fflush(stderr);
}

void readFolderMetadata(FolderState& folder) {
    Lock lock;  // nothing else runs here; the scan step takes it all the same
    ScanState scan;
    bool bar = folder.photos.count > 200 && stderrIsTerminal();
    int shown = -1;
    runMetadataScan(folder, scan, lock, bar ? drawProgress : nullptr, &shown);
}

void useFilter(FolderState& folder, FilterSession& session, const Filter& filter) {
    session.current = filter;
    attachFilter(folder, session);
    folder.filterActive = true;
}

// [SECTION] JSON
std::string photoFactsJson(const FolderState& folder, int index) {
    PhotoFacts f;
    copyPhotoFacts(folder, index, nullptr, &f);
    const PhotoMeta& m = f.meta;
    ReportFields r;
    addBool(r, "metadataRead", folder.photos.metaLoaded[size_t(index)] != 0);
    addText(r, "fileType", isRawFile(f.path) ? "raw" : "jpeg");
    addNumber(r, "iso", m.iso);
    addNumber(r, "aperture", m.apertureX100 / 100.0);
    addNumber(r, "exposureSeconds", m.exposureSeconds);
    addOptional(r, "exposureComp", m.hasExposureComp, m.exposureComp);
    addNumber(r, "focusClass", m.focusClass);
    addNumber(r, "shutterType", m.shutterType);
    addNumber(r, "orientation", m.orientation);
    addNumber(r, "pixelWidth", m.pixelWidth);
    addNumber(r, "pixelHeight", m.pixelHeight);
    addText(r, "camera", m.camera);
    addText(r, "lens", m.lens);
    return jsonObject(r);
}

std::string tokensJson(const Filter& filter) {
    std::string s = "[";
    for (size_t i = 0; i < filter.tokens.size(); i++) s += (i ? ", " : "") + jsonString(tokenToText(filter.tokens[i]));
    return s + "]";
}

}  // namespace lv::cli
