#include "core/diaglog.h"

#include <atomic>
#include <cstdio>

#include "core/settings.h"
#include "platform/platform.h"

namespace lv {

namespace {

// The lock outlives every logging thread: it is never destroyed, so a late logLine from a
// worker that races logClose finds logging off instead of a dead lock.
Lock& logLock() {
    static Lock lock;
    return lock;
}
std::atomic<bool> gEnabled{false};
std::string gPath;  // guarded by logLock()

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v < 0 ? 0 : v % 100);
    return buf;
}

std::string clockText(const LocalTime& t) {
    return twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second);
}

// Opens (or creates) the log for one entry and writes it at the end. Called under the lock.
void appendEntry(const std::string& path, const std::string& bytes) {
    FileHandle f;
    WinErr e = fileCreate(path, CreateMode::OpenExisting, &f);
    if (e == kErrFileNotFound) e = fileCreate(path, CreateMode::CreateNew, &f);
    if (e) return;
    uint64_t size = 0;
    if (fileSize(f, &size) == 0 && fileSetEnd(f, size) == 0) fileWrite(f, bytes.data(), bytes.size());
    fileClose(&f);
}

}  // namespace

std::string_view commandLineArguments(std::string_view cl) {
    size_t i = 0;
    while (i < cl.size() && (cl[i] == ' ' || cl[i] == '\t')) i++;
    if (i < cl.size() && cl[i] == '"') {
        size_t close = cl.find('"', i + 1);
        i = close == std::string_view::npos ? cl.size() : close + 1;
    } else {
        while (i < cl.size() && cl[i] != ' ') i++;
    }
    while (i < cl.size() && (cl[i] == ' ' || cl[i] == '\t')) i++;
    return cl.substr(i);
}

void logOpenAt(std::string_view path, std::string_view exePath, std::string_view commandLine) {
    LockGuard g(logLock());
    if (gEnabled.load()) return;
    gPath.assign(path);
    LocalTime t = localTimeNow();
    char date[32];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d", t.month, t.day, t.year);
    std::string head = "Lumivore 0.9.2 diagnostic log  --  " + std::string(date) + " " + clockText(t) + "\r\n";
    head += "exe: " + std::string(exePath) + "\r\n";
    head += "command line: " + std::string(commandLineArguments(commandLine)) + "\r\n";
    FileHandle f;
    if (fileCreate(gPath, CreateMode::CreateAlways, &f) == 0) {
        fileWrite(f, head.data(), head.size());
        fileClose(&f);
    }
    gEnabled.store(true);
}

void logOpen(std::string_view exePath, std::string_view commandLine) {
    if (gEnabled.load()) return;
    logOpenAt(configFolder() + "diagnostics.log", exePath, commandLine);
}

void logLine(std::string_view message) {
    if (!gEnabled.load(std::memory_order_relaxed)) return;
    // The text is built before taking the lock so the lock covers only the file work.
    std::string entry = clockText(localTimeNow()) + "  ";
    entry.append(message);
    entry += "\r\n";
    LockGuard g(logLock());
    if (!gEnabled.load()) return;
    appendEntry(gPath, entry);
}

void logClose() {
    if (!gEnabled.load()) return;
    std::string entry = clockText(localTimeNow()) + "  clean shutdown\r\n";
    // One hold of the lock for the last entry and the switch-off, so a thread that is still
    // logging cannot slip an entry in after it and make the log read as a crash.
    LockGuard g(logLock());
    if (!gEnabled.load()) return;
    appendEntry(gPath, entry);
    gEnabled.store(false);
    gPath.clear();
}

bool logEnabled() { return gEnabled.load(); }

std::string logPath() {
    LockGuard g(logLock());
    return gEnabled.load() ? gPath : std::string();
}

}  // namespace lv
