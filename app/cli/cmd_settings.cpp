#include <cstdio>
#include <string>

#include "commands.h"
#include "report.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace lv::cli {

namespace {


}  // namespace

// The settings the program would start with: each key's value in the file's own units and
// whether the file supplied it or the default stands.
int runSettings(const Args& args) {
    bool json = false;
    std::string path;
    for (size_t i = 0; i < args.size(); i++) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--file" && i + 1 < args.size()) {
            path = args[++i];
        } else {
            return usageError("settings", "unexpected argument \"" + args[i] + "\"");
        }
    }
    if (path.empty()) path = settingsPath();
    // Lengths are shown as stored (96-DPI units), so the output does not depend on a screen.
    const int dpi = 96;
    Settings s;
    LoadReport rep = loadSettingsFrom(path, dpi, &s);
    const bool unreadable = rep.readError != 0;
    if (json) {
        std::printf("{\"path\": %s, \"exists\": %s, \"readable\": %s, \"settings\": [", jsonString(path).c_str(),
                    rep.fileExisted ? "true" : "false", unreadable ? "false" : "true");
        for (size_t i = 0; i < settingKeyCount(); i++) {
            SettingKey k = settingKey(i);
            std::printf("%s\n  {\"section\": %s, \"key\": %s, \"value\": %s, \"source\": \"%s\", \"saved\": %s}",
                        i ? "," : "", jsonString(k.section).c_str(), jsonString(k.key).c_str(),
                        jsonString(settingValueText(s, i, dpi)).c_str(), rep.fromFile[i] ? "file" : "default",
                        k.saved ? "true" : "false");
        }
        std::printf("\n]}\n");
    } else {
        std::string status = !rep.fileExisted ? "missing, every value is its default"
                             : unreadable ? "unreadable: " + describeError(rep.readError) + "; every value is its default"
                                          : "read";
        std::printf("settings file: %s (%s)\n", path.c_str(), status.c_str());
        for (size_t i = 0; i < settingKeyCount(); i++) {
            SettingKey k = settingKey(i);
            std::printf("[%s] %s=%s  (%s)\n", k.section, k.key, settingValueText(s, i, dpi).c_str(),
                        rep.fromFile[i] ? "file" : "default");
        }
    }
    return unreadable ? kExitFailed : kExitOk;
}

}  // namespace lv::cli
