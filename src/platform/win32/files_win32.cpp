// Files, folders and volumes on Windows.
#include "platform/platform.h"
#include "platform/win32/win32_util.h"

namespace lv {

static WinErr lastErr() { return WinErr(GetLastError()); }
static HANDLE H(FileHandle f) { return reinterpret_cast<HANDLE>(f.h); }

std::wstring wideFromUtf8(std::string_view s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string utf8FromWide(std::wstring_view s) {
    if (s.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), r.data(), n, nullptr, nullptr);
    return r;
}


std::wstring sysPath(std::string_view utf8) {
    std::wstring w = wideFromUtf8(utf8);
    if (w.size() < 248 || w.rfind(L"\\\\?\\", 0) == 0) return w;
    // The prefix turns off the system's own clean-up, so the path must be full and use "\".
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n) {
        std::wstring full(n, L'\0');
        n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
        full.resize(n);
        w = full;
    }
    std::u16string u(w.begin(), w.end());
    std::u16string r = longPathForm(u);
    return std::wstring(r.begin(), r.end());
}

WinErr fileOpenRead(std::string_view path, FileHandle* out) {
    HANDLE h = CreateFileW(sysPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastErr();
    if (GetFileType(h) != FILE_TYPE_DISK) {  // a pipe or a device ("CON", "\\.\pipe\...")
        CloseHandle(h);
        return kErrCantAccessFile;
    }
    out->h = reinterpret_cast<intptr_t>(h);
    return kErrOk;
}

WinErr fileOpenReadUncached(std::string_view path, FileHandle* out) {
    HANDLE h = CreateFileW(sysPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_NO_BUFFERING, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastErr();
    out->h = reinterpret_cast<intptr_t>(h);
    return kErrOk;
}

WinErr fileReadUncached(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got) {
    OVERLAPPED ov = {};
    ov.Offset = DWORD(offset);
    ov.OffsetHigh = DWORD(offset >> 32);
    DWORD n = 0;
    *got = 0;
    if (!ReadFile(H(f), buf, DWORD(len), &n, &ov)) {
        DWORD e = GetLastError();
        return e == ERROR_HANDLE_EOF ? kErrOk : WinErr(e);
    }
    *got = n;
    return kErrOk;
}

WinErr fileCreate(std::string_view path, CreateMode mode, FileHandle* out) {
    DWORD disp = mode == CreateMode::CreateAlways ? CREATE_ALWAYS : mode == CreateMode::CreateNew ? CREATE_NEW : OPEN_EXISTING;
    HANDLE h = CreateFileW(sysPath(path).c_str(), GENERIC_WRITE | GENERIC_READ, FILE_SHARE_READ, nullptr, disp,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastErr();
    out->h = reinterpret_cast<intptr_t>(h);
    return kErrOk;
}

WinErr fileSize(FileHandle f, uint64_t* size) {
    LARGE_INTEGER li;
    if (!GetFileSizeEx(H(f), &li)) return lastErr();
    *size = uint64_t(li.QuadPart);
    return kErrOk;
}

WinErr fileReadAt(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got) {
    size_t total = 0;
    while (total < len) {
        OVERLAPPED ov = {};
        uint64_t at = offset + total;
        ov.Offset = DWORD(at);
        ov.OffsetHigh = DWORD(at >> 32);
        DWORD chunk = DWORD(len - total > (1u << 30) ? (1u << 30) : len - total), n = 0;
        if (!ReadFile(H(f), static_cast<char*>(buf) + total, chunk, &n, &ov)) {
            DWORD e = GetLastError();
            *got = total;
            return e == ERROR_HANDLE_EOF ? kErrOk : WinErr(e);
        }
        if (n == 0) break;
        total += n;
    }
    *got = total;
    return kErrOk;
}

WinErr fileWrite(FileHandle f, const void* buf, size_t len) {
    const char* p = static_cast<const char*>(buf);
    while (len > 0) {
        DWORD chunk = DWORD(len > (1u << 30) ? (1u << 30) : len), n = 0;
        if (!WriteFile(H(f), p, chunk, &n, nullptr)) return lastErr();
        if (n == 0) return kErrWriteFault;
        p += n;
        len -= n;
    }
    return kErrOk;
}

WinErr fileFlush(FileHandle f) { return FlushFileBuffers(H(f)) ? kErrOk : lastErr(); }

WinErr fileSetEnd(FileHandle f, uint64_t length) {
    LARGE_INTEGER li;
    li.QuadPart = LONGLONG(length);
    if (!SetFilePointerEx(H(f), li, nullptr, FILE_BEGIN)) return lastErr();
    return SetEndOfFile(H(f)) ? kErrOk : lastErr();
}

WinErr fileGetWriteTime(FileHandle f, uint64_t* ft) {
    FILETIME w;
    if (!GetFileTime(H(f), nullptr, nullptr, &w)) return lastErr();
    *ft = fileTimeToU64(w);
    return kErrOk;
}

WinErr fileSetWriteTime(FileHandle f, uint64_t ft) {
    FILETIME w = u64ToFileTime(ft);
    return SetFileTime(H(f), nullptr, nullptr, &w) ? kErrOk : lastErr();
}

void fileClose(FileHandle* f) {
    if (f->valid()) CloseHandle(H(*f));
    f->h = -1;
}

// [SECTION] replacing a file

namespace {
volatile LONG gTempCounter = 0;

// Eight hex digits that differ between processes and calls; a clash only costs another try.
std::string tempTag() {
    uint64_t x = perfCounter() ^ (uint64_t(GetCurrentProcessId()) << 32) ^
                 (uint64_t(uint32_t(InterlockedIncrement(&gTempCounter))) << 16);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    static const char digits[] = "0123456789abcdef";
    std::string r(8, '0');
    for (int i = 0; i < 8; i++) r[size_t(i)] = digits[(x >> (4 * i + 20)) & 15];
    return r;
}
}  // namespace

WinErr tempCreate(std::string_view target, TempFile* out) {
    out->f = {};
    out->path.clear();
    std::string t(target);
    size_t cut = t.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? std::string() : t.substr(0, cut + 1);
    std::string name = t.substr(folder.size());
    size_t limit = 255;  // UTF-16 units per name on NTFS, exFAT and FAT long names
    for (int attempt = 0; attempt < 64; attempt++) {
        std::string path = folder + tempFileName(name, attempt ? tempTag() : "", limit, true);
        // CREATE_NEW never opens what is there already, and a link of any kind counts as there.
        HANDLE h = CreateFileW(sysPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            DWORD e = GetLastError();
            if (e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS) continue;
            // A file system with shorter names (some network shares) says so only now.
            if ((e == ERROR_FILENAME_EXCED_RANGE || e == ERROR_INVALID_NAME) && limit > 32) {
                limit -= 16;
                continue;
            }
            return WinErr(e);
        }
        out->f.h = reinterpret_cast<intptr_t>(h);
        out->path = path;
        return kErrOk;
    }
    return kErrFileExists;
}

WinErr tempCommit(TempFile* t, std::string_view target) {
    WinErr e = FlushFileBuffers(H(t->f)) ? kErrOk : lastErr();
    fileClose(&t->f);
    if (e) return e;
    std::wstring from = sysPath(t->path), to = sysPath(target);
    // ReplaceFileW keeps the old file's attributes, ACL and creation time on the new one; with no
    // old file, or where the file system cannot (some shares), a rename written through instead.
    if (!ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                      nullptr, nullptr) &&
        !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return lastErr();
    t->path.clear();
    return kErrOk;
}

void tempDiscard(TempFile* t) {
    fileClose(&t->f);
    if (!t->path.empty()) DeleteFileW(sysPath(t->path).c_str());
    t->path.clear();
}

WinErr pathWriteTime(std::string_view path, uint64_t* ft) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(sysPath(path).c_str(), GetFileExInfoStandard, &d)) return lastErr();
    *ft = fileTimeToU64(d.ftLastWriteTime);
    return kErrOk;
}

WinErr pathSetWriteTime(std::string_view path, uint64_t ft) {
    HANDLE h = CreateFileW(sysPath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastErr();
    FILETIME w = u64ToFileTime(ft);
    WinErr e = SetFileTime(h, nullptr, nullptr, &w) ? kErrOk : lastErr();
    CloseHandle(h);
    return e;
}

bool pathExists(std::string_view path) { return GetFileAttributesW(sysPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isFolder(std::string_view path) {
    DWORD a = GetFileAttributesW(sysPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

WinErr fileMove(std::string_view from, std::string_view to, bool replace) {
    DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    return MoveFileExW(sysPath(from).c_str(), sysPath(to).c_str(), flags) ? kErrOk : lastErr();
}

WinErr fileCopy(std::string_view from, std::string_view to, bool failIfExists) {
    return CopyFileW(sysPath(from).c_str(), sysPath(to).c_str(), failIfExists) ? kErrOk : lastErr();
}

// Windows drops a file's cache only for administrators (or by unbuffered reads of our own).
WinErr fileDropCache(std::string_view) { return kErrNotSupported; }

WinErr fileDelete(std::string_view path) { return DeleteFileW(sysPath(path).c_str()) ? kErrOk : lastErr(); }
WinErr folderDelete(std::string_view path) { return RemoveDirectoryW(sysPath(path).c_str()) ? kErrOk : lastErr(); }

WinErr folderCreateAll(std::string_view path) {
    std::string p(path);
    while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
    if (p.empty()) return kErrPathNotFound;
    if (isFolder(p)) return kErrOk;
    size_t cut = p.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0) {
        std::string parent = p.substr(0, cut);
        bool driveRoot = parent.size() == 2 && parent[1] == ':';
        bool uncRoot = parent.rfind("\\\\", 0) == 0 && parent.find('\\', 2) == std::string::npos;
        if (!driveRoot && !uncRoot && !isFolder(parent)) {
            WinErr e = folderCreateAll(parent);
            if (e) return e;
        }
    }
    if (!CreateDirectoryW(sysPath(p).c_str(), nullptr)) {
        DWORD e = GetLastError();
        if (e == ERROR_ALREADY_EXISTS && isFolder(p)) return kErrOk;
        return WinErr(e);
    }
    return kErrOk;
}

static bool isSpecialFileTag(DWORD tag) {
    return tag == 0x80000023 || tag == 0x80000024 || tag == 0x80000025 || tag == 0x80000026;  // socket, FIFO, char, block
}

WinErr listFolder(std::string_view path, std::vector<DirEntry>* out) {
    out->clear();
    std::string pattern(path);
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW fd;
    std::wstring wpattern = sysPath(pattern);
    HANDLE h = FindFirstFileExW(wpattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    // Systems before Windows 7 know neither the basic level nor large fetches.
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        h = FindFirstFileExW(wpattern.c_str(), FindExInfoStandard, &fd, FindExSearchNameMatch, nullptr, 0);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND ? kErrOk : WinErr(e);  // an empty folder
    }
    do {
        const wchar_t* n = fd.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        // Pipes, devices and sockets made by a Linux subsystem are reparse points no program opens.
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && isSpecialFileTag(fd.dwReserved0)) continue;
        DirEntry e;
        e.name = utf8FromWide(n);
        e.isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.hidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        e.system = (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        e.reparse = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        e.size = e.isFolder ? 0 : (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        e.writeTime = fileTimeToU64(fd.ftLastWriteTime);
        out->push_back(std::move(e));
    } while (FindNextFileW(h, &fd));
    DWORD e = GetLastError();
    FindClose(h);
    return e == ERROR_NO_MORE_FILES ? kErrOk : WinErr(e);
}

int compareFileNames(std::string_view a, std::string_view b) {
    std::wstring x = wideFromUtf8(a), y = wideFromUtf8(b);
    int r = CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE);
    return r == CSTR_LESS_THAN ? -1 : r == CSTR_GREATER_THAN ? 1 : 0;
}

bool sameFile(std::string_view a, std::string_view b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    std::string_view paths[2] = {a, b};
    for (int i = 0; i < 2; i++) {
        HANDLE h = CreateFileW(sysPath(paths[i]).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

WinErr volumeInfo(std::string_view path, VolumeInfo* out) {
    std::wstring w = sysPath(path);
    ULARGE_INTEGER avail, total, freeAll;
    if (!GetDiskFreeSpaceExW(w.c_str(), &avail, &total, &freeAll)) return lastErr();
    out->freeBytes = avail.QuadPart;
    out->totalBytes = total.QuadPart;
    wchar_t mount[MAX_PATH + 1];
    if (!GetVolumePathNameW(wideFromUtf8(fullPath(path)).c_str(), mount, MAX_PATH)) return lastErr();
    out->mountPoint = utf8FromWide(mount);
    if (!out->mountPoint.empty() && out->mountPoint.back() != '\\') out->mountPoint += '\\';
    DWORD spc = 0, bps = 0, freeC = 0, totalC = 0;
    if (GetDiskFreeSpaceW(mount, &spc, &bps, &freeC, &totalC)) out->clusterSize = spc * bps;
    DWORD serial = 0;
    if (GetVolumeInformationW(mount, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) out->serial = serial;
    return kErrOk;
}

std::string fullPath(std::string_view path) {
    std::wstring w = wideFromUtf8(path);
    DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (!n) return std::string(path);
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return utf8FromWide(full);
}

}  // namespace lv
