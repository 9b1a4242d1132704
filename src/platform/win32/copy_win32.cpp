// File facts and folder flushes for the copy engines, and the console of the command line, on Windows.
#include "platform/platform.h"
#include "platform/win32/win32_util.h"

namespace lv {

WinErr pathFileInfo(std::string_view path, uint64_t* size, uint64_t* writeTime) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(sysPath(path).c_str(), GetFileExInfoStandard, &d)) return WinErr(GetLastError());
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return kErrAccessDenied;
    *size = (uint64_t(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    *writeTime = fileTimeToU64(d.ftLastWriteTime);
    return kErrOk;
}

// NTFS and exFAT log their names themselves; a folder cannot be flushed without backup rights.
WinErr folderFlush(std::string_view) { return kErrOk; }

// Flushing a whole volume needs a handle to the volume, which only an administrator gets.
WinErr volumeFlush(FileHandle) { return kErrNotSupported; }

WinErr fileVolumeId(FileHandle f, uint64_t* id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(f.h), &info)) return WinErr(GetLastError());
    *id = info.dwVolumeSerialNumber;
    return kErrOk;
}

// ReadFile and WriteFile: CopyFileExW copies whole files only, to a name of its own choosing.
WinErr fileCopyRange(FileHandle, uint64_t, FileHandle, size_t, size_t* got) {
    *got = 0;
    return kErrNotSupported;
}

bool stderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

static void (*gInterrupt)() = nullptr;
static BOOL WINAPI onConsoleCtrl(DWORD type) {
    if ((type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) && gInterrupt) {
        gInterrupt();
        return TRUE;
    }
    return FALSE;
}

void setInterruptHandler(void (*fn)()) {
    gInterrupt = fn;
    SetConsoleCtrlHandler(onConsoleCtrl, fn ? TRUE : FALSE);
}

}  // namespace lv
