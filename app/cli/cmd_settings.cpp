#include <cstdio>
#include <string>

#include "commands.h"
#include "options.h"
#include "report.h"
#include "core/settings.h"
#include "platform/platform.h"

namespace lv::cli {

// The settings the program would start with: each key's value in the file's own units and
// whether the file supplied it or the default stands.
int runSettings(const Args& args) {
    ParsedArgs p;
    int rc = kExitOk;
    if (!parseArgs("settings", args, {{"--json", nullptr}, {"--file", "INI"}}, &p, &rc)) return rc;
    if (!p.operands.empty()) return usageError("settings", "unexpected argument \"" + p.operands[0] + "\"");
    const bool json = p.has("--json");
    std::string path = p.value("--file", settingsPath());
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
        std::printf("\n], \"ignored\": [");
        for (size_t i = 0; i < rep.ignored.size(); i++) {
            ReportFields f;
            addText(f, "section", rep.ignored[i].section);
            addText(f, "key", rep.ignored[i].key);
            addText(f, "value", rep.ignored[i].value);
            addText(f, "reason", rep.ignored[i].reason);
            std::printf("%s\n  %s", i ? "," : "", jsonObject(f).c_str());
        }
        std::printf("\n]}\n");
    } else {
        std::string status = !rep.fileExisted ? "missing, every value is its default"
                             : unreadable ? "unreadable: " + describeError(rep.readError) + "; every value is its default"
                                          : "read";
        std::printf("settings file: %s (%s)\n", shownPath(path).c_str(), status.c_str());
        for (size_t i = 0; i < settingKeyCount(); i++) {
            SettingKey k = settingKey(i);
            std::printf("[%s] %s=%s  (%s)\n", k.section, k.key, settingValueText(s, i, dpi).c_str(),
                        rep.fromFile[i] ? "file" : "default");
        }
        // The file is left as it is: the values only say why the defaults stand.
        for (const IgnoredSetting& g : rep.ignored)
            std::printf("ignored: [%s] %s=%s: %s\n", printableText(g.section).c_str(), printableText(g.key).c_str(),
                        printableText(g.value).c_str(), g.reason.c_str());
    }
    return unreadable ? kExitFailed : kExitOk;
}

}  // namespace lv::cli
