// Files, folders and volumes on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <locale.h>
#include <wctype.h>
#include <string>

#include "platform/platform.h"

namespace lv {

void noteErrno(int e);  // errors.cpp
static WinErr lastErr() {
    int e = errno;
    noteErrno(e);
    return winErrorFromErrno(e);
}
static std::string z(std::string_view s) { return std::string(s); }

static uint64_t fileTimeOf(const struct timespec& ts) { return fileTimeFromUnix(ts.tv_sec, uint32_t(ts.tv_nsec)); }
static struct timespec timespecOf(uint64_t ft) {
    int64_t t = int64_t(ft) - int64_t(kFileTimeUnixEpoch);  // 100 ns units since 1970
    int64_t sec = t / 10000000, rem = t % 10000000;
    if (rem < 0) {
        rem += 10000000;
        sec--;
    }
    struct timespec ts;
    ts.tv_sec = time_t(sec);
    ts.tv_nsec = long(rem * 100);
    return ts;
}

WinErr fileOpenRead(std::string_view path, FileHandle* out) {
    // Without O_NONBLOCK opening a pipe waits for a writer; the flag goes again once we know the
    // file is a regular one.
    int fd = ::open(z(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return lastErr();
    struct stat st;
    WinErr e = fstat(fd, &st) != 0 ? lastErr() : kErrOk;
    if (!e && S_ISDIR(st.st_mode)) e = kErrAccessDenied;  // as CreateFileW on a folder
    if (!e && !S_ISREG(st.st_mode)) e = kErrCantAccessFile;
    int flags = e ? 0 : ::fcntl(fd, F_GETFL);
    if (!e && (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) e = lastErr();
    if (e) {
        ::close(fd);
        if (e == kErrAccessDenied) noteErrno(EISDIR);
        return e;
    }
    out->h = fd;
    return kErrOk;
}

WinErr fileCreate(std::string_view path, CreateMode mode, FileHandle* out) {
    int flags = O_WRONLY | O_CLOEXEC;
    if (mode == CreateMode::CreateAlways) flags |= O_CREAT | O_TRUNC;
    if (mode == CreateMode::CreateNew) flags |= O_CREAT | O_EXCL;
    int fd = ::open(z(path).c_str(), flags, 0666);
    if (fd < 0) {
        if (errno == EEXIST && mode == CreateMode::CreateNew) {
            noteErrno(EEXIST);
            return kErrFileExists;  // as CREATE_NEW
        }
        return lastErr();
    }
    out->h = fd;
    return kErrOk;
}

WinErr fileSize(FileHandle f, uint64_t* size) {
    struct stat st;
    if (fstat(int(f.h), &st) != 0) return lastErr();
    *size = uint64_t(st.st_size);
    return kErrOk;
}

WinErr fileReadAt(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got) {
    size_t total = 0;
    while (total < len) {
        ssize_t n = ::pread(int(f.h), static_cast<char*>(buf) + total, len - total, off_t(offset + total));
        if (n < 0) {
            if (errno == EINTR) continue;
            *got = total;
            return lastErr();
        }
        if (n == 0) break;
        total += size_t(n);
    }
    *got = total;
    return kErrOk;
}

WinErr fileWrite(FileHandle f, const void* buf, size_t len) {
    const char* p = static_cast<const char*>(buf);
    while (len > 0) {
        ssize_t n = ::write(int(f.h), p, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return lastErr();
        }
        if (n == 0) return kErrWriteFault;
        p += n;
        len -= size_t(n);
    }
    return kErrOk;
}

WinErr fileFlush(FileHandle f) { return ::fsync(int(f.h)) == 0 ? kErrOk : lastErr(); }

WinErr fileSetEnd(FileHandle f, uint64_t length) {
    if (::ftruncate(int(f.h), off_t(length)) != 0) return lastErr();
    if (::lseek(int(f.h), off_t(length), SEEK_SET) < 0) return lastErr();
    return kErrOk;
}

WinErr fileGetWriteTime(FileHandle f, uint64_t* ft) {
    struct stat st;
    if (fstat(int(f.h), &st) != 0) return lastErr();
    *ft = fileTimeOf(st.st_mtim);
    return kErrOk;
}

WinErr fileSetWriteTime(FileHandle f, uint64_t ft) {
    struct timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1] = timespecOf(ft);
    return ::futimens(int(f.h), ts) == 0 ? kErrOk : lastErr();
}

void fileClose(FileHandle* f) {
    if (f->valid()) ::close(int(f->h));
    f->h = -1;
}

// [SECTION] replacing a file

namespace {
std::atomic<uint32_t> gTempCounter{0};

// Eight hex digits that differ between processes and calls; a clash only costs another try.
std::string tempTag() {
    uint64_t x = perfCounter() ^ (uint64_t(uint32_t(::getpid())) << 32) ^ (uint64_t(gTempCounter++) << 16);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", unsigned(uint32_t(x ^ (x >> 31))));
    return buf;
}
}  // namespace

WinErr tempCreate(std::string_view target, TempFile* out) {
    out->f = {};
    out->path.clear();
    std::string t = z(target);
    size_t slash = t.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : t.substr(0, slash + 1);
    std::string name = t.substr(folder.size());
    long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = NAME_MAX;
    struct stat old;
    bool hasOld = ::stat(t.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < 64; attempt++) {
        std::string path = folder + tempFileName(name, attempt ? tempTag() : "", size_t(limit), false);
        // O_EXCL never opens what is there already: a leftover file, a link to a photo, a pipe.
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd < 0) {
            if (errno == EEXIST || errno == EINTR) continue;
            if (errno == ENAMETOOLONG && limit > 32) {  // the folder's limit said more than it allows
                limit -= 16;
                continue;
            }
            return lastErr();
        }
        if (hasOld) {
            // Owner first, as changing it may clear mode bits. Only root may give a file away;
            // the group alone works for its members.
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)!::fchown(fd, uid_t(-1), old.st_gid);
            (void)::fchmod(fd, old.st_mode & 0777);
        }
        out->f.h = fd;
        out->path = path;
        return kErrOk;
    }
    return kErrFileExists;
}

WinErr tempCommit(TempFile* t, std::string_view target) {
    WinErr e = ::fsync(int(t->f.h)) == 0 ? kErrOk : lastErr();
    if (::close(int(t->f.h)) != 0 && !e) e = lastErr();
    t->f.h = -1;
    if (e) return e;
    std::string to = z(target);
    if (::rename(t->path.c_str(), to.c_str()) != 0) return lastErr();
    t->path.clear();
    // The rename lives in the folder: flush it too. Some file systems cannot; the file is in place.
    size_t slash = to.rfind('/');
    (void)folderFlush(slash == std::string::npos ? std::string(".") : to.substr(0, slash + 1));
    return kErrOk;
}

void tempDiscard(TempFile* t) {
    fileClose(&t->f);
    if (!t->path.empty()) ::unlink(t->path.c_str());
    t->path.clear();
}

WinErr pathWriteTime(std::string_view path, uint64_t* ft) {
    struct stat st;
    if (::stat(z(path).c_str(), &st) != 0) return lastErr();
    *ft = fileTimeOf(st.st_mtim);
    return kErrOk;
}

WinErr pathSetWriteTime(std::string_view path, uint64_t ft) {
    struct timespec ts[2];
    ts[0].tv_sec = 0;
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1] = timespecOf(ft);
    return ::utimensat(AT_FDCWD, z(path).c_str(), ts, 0) == 0 ? kErrOk : lastErr();
}

bool pathExists(std::string_view path) {
    struct stat st;
    return ::lstat(z(path).c_str(), &st) == 0;
}

bool isFolder(std::string_view path) {
    struct stat st;
    return ::stat(z(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

WinErr fileMove(std::string_view from, std::string_view to, bool replace) {
    std::string a = z(from), b = z(to);
    if (replace) return ::rename(a.c_str(), b.c_str()) == 0 ? kErrOk : lastErr();
#ifdef RENAME_NOREPLACE
    // One step that refuses an existing target, where the file system offers it.
    if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_NOREPLACE) == 0) return kErrOk;
    if (errno == EEXIST) return kErrAlreadyExists;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return lastErr();
#endif
    // link+unlink refuses an existing target atomically where hard links work (some network
    // shares have no renameat2).
    if (::link(a.c_str(), b.c_str()) == 0) {
        if (::unlink(a.c_str()) != 0) {
            WinErr e = lastErr();
            ::unlink(b.c_str());
            return e;
        }
        return kErrOk;
    }
    if (errno == EEXIST) return kErrAlreadyExists;
    struct stat st;
    if (::lstat(b.c_str(), &st) == 0) return kErrAlreadyExists;
    if (::lstat(a.c_str(), &st) != 0) return lastErr();
    // No hard links here (FAT, some shares, folders): check-then-rename is the best we have.
    if (::rename(a.c_str(), b.c_str()) != 0) return lastErr();
    return kErrOk;
}

WinErr fileCopy(std::string_view from, std::string_view to, bool failIfExists) {
    FileHandle in;
    WinErr e = fileOpenRead(from, &in);
    if (e) return e;
    FileHandle out;
    e = fileCreate(to, failIfExists ? CreateMode::CreateNew : CreateMode::CreateAlways, &out);
    if (e) {
        fileClose(&in);
        return e == kErrFileExists ? kErrFileExists : e;
    }
    std::string buf(1u << 20, '\0');
    uint64_t off = 0;
    for (;;) {
        size_t got = 0;
        e = fileReadAt(in, off, buf.data(), buf.size(), &got);
        if (e || got == 0) break;
        e = fileWrite(out, buf.data(), got);
        if (e) break;
        off += got;
    }
    uint64_t ft = 0;
    if (!e && fileGetWriteTime(in, &ft) == kErrOk) fileSetWriteTime(out, ft);  // CopyFileW keeps the time
    fileClose(&in);
    fileClose(&out);
    return e;
}

WinErr fileDropCache(std::string_view path) {
    int fd = ::open(z(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return lastErr();
    int rc = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    return rc == 0 ? kErrOk : winErrorFromErrno(rc);
}

WinErr fileOpenReadUncached(std::string_view path, FileHandle* out) {
    WinErr e = fileOpenRead(path, out);
    if (e) return e;
    // Only clean pages can be dropped; a copy is flushed before it is read back.
    ::fdatasync(int(out->h));
    ::posix_fadvise(int(out->h), 0, 0, POSIX_FADV_DONTNEED);
    return kErrOk;
}

WinErr fileReadUncached(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got) {
    return fileReadAt(f, offset, buf, len, got);
}

WinErr fileDelete(std::string_view path) { return ::unlink(z(path).c_str()) == 0 ? kErrOk : lastErr(); }
WinErr folderDelete(std::string_view path) { return ::rmdir(z(path).c_str()) == 0 ? kErrOk : lastErr(); }

WinErr folderCreateAll(std::string_view path) {
    std::string p = z(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return kErrPathNotFound;
    if (isFolder(p)) return kErrOk;
    size_t slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        WinErr e = folderCreateAll(std::string_view(p).substr(0, slash));
        if (e) return e;
    }
    if (::mkdir(p.c_str(), 0777) != 0) {
        if (errno == EEXIST && isFolder(p)) return kErrOk;
        return lastErr();
    }
    return kErrOk;
}

WinErr listFolder(std::string_view path, std::vector<DirEntry>* out) {
    out->clear();
    std::string dir = z(path);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return lastErr();
    int dfd = ::dirfd(d);
    while (struct dirent* de = ::readdir(d)) {
        const char* n = de->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        DirEntry e;
        e.name = n;
        e.hidden = n[0] == '.';
        struct stat st;
        if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) == 0) {
            e.reparse = S_ISLNK(st.st_mode);
            if (e.reparse) {
                // Like a Windows junction: the entry says what it points at, but is never followed.
                struct stat target;
                if (::fstatat(dfd, n, &target, 0) == 0) {
                    if (!S_ISDIR(target.st_mode) && !S_ISREG(target.st_mode)) continue;
                    e.isFolder = S_ISDIR(target.st_mode);
                }
            } else if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
                continue;  // a pipe, device or socket
            } else {
                e.isFolder = S_ISDIR(st.st_mode);
                e.size = e.isFolder ? 0 : uint64_t(st.st_size);
            }
            e.writeTime = fileTimeOf(st.st_mtim);
        }
        out->push_back(std::move(e));
    }
    ::closedir(d);
    // The order Windows gives on NTFS, so "original order" and bursts chained in list order are
    // the same on both systems (readdir order follows a hash and changes from folder to folder).
    std::sort(out->begin(), out->end(), [](const DirEntry& a, const DirEntry& b) {
        int c = compareFileNames(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return kErrOk;
}

// [SECTION] name order
namespace {
// UTF-8 to UTF-16 units; a byte that starts no valid sequence stands for itself as 0xDC00 + byte.
std::u16string unitsOf(std::string_view s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = (unsigned char)s[i];
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= s.size();
        for (size_t k = 1; ok && k < len; k++) ok = ((unsigned char)s[i + k] >> 6) == 2;
        uint32_t cp = 0;
        if (ok) {
            cp = len == 1 ? c : c & (0x7F >> len);
            for (size_t k = 1; k < len; k++) cp = (cp << 6) | ((unsigned char)s[i + k] & 0x3F);
            static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
            ok = cp >= kMin[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        }
        if (!ok) {
            out += char16_t(0xDC00 + c);
            i++;
            continue;
        }
        if (cp >= 0x10000) {
            out += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += len;
    }
    return out;
}

// Upper case of one UTF-16 unit by the C library's Unicode table (simple mappings, as NTFS's
// own table holds); surrogates and units whose upper case lies outside the BMP stay as they are.
char16_t upperUnit(char16_t u) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (u < 0x80) return u >= 'a' && u <= 'z' ? char16_t(u - 32) : u;
    if (!utf8 || (u >= 0xD800 && u <= 0xDFFF)) return u;
    wint_t up = towupper_l(wint_t(u), utf8);
    return up <= 0xFFFF ? char16_t(up) : u;
}
}  // namespace

int compareFileNames(std::string_view a, std::string_view b) {
    std::u16string x = unitsOf(a), y = unitsOf(b);
    for (size_t i = 0; i < x.size() && i < y.size(); i++) {
        char16_t p = upperUnit(x[i]), q = upperUnit(y[i]);
        if (p != q) return p < q ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : x.size() < y.size() ? -1 : 1;
}

bool sameFile(std::string_view a, std::string_view b) {
    struct stat x, y;
    if (::stat(z(a).c_str(), &x) != 0 || ::stat(z(b).c_str(), &y) != 0) return false;
    return x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

// The mount point is the longest mount in /proc/self/mountinfo that holds the path.
static std::string mountPointOf(const std::string& absPath, std::string* sourceOut) {
    std::string best = "/";
    FILE* f = std::fopen("/proc/self/mountinfo", "r");
    if (!f) return best;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        // id parent major:minor root mountpoint options ... - fstype source superoptions
        char root[1024], mp[1024];
        if (std::sscanf(line, "%*s %*s %*s %1023s %1023s", root, mp) != 2) continue;
        std::string m;
        for (const char* p = mp; *p; p++) {  // octal escapes such as \040 for a space
            if (p[0] == '\\' && p[1] >= '0' && p[1] <= '7' && p[2] && p[3]) {
                m += char((p[1] - '0') * 64 + (p[2] - '0') * 8 + (p[3] - '0'));
                p += 3;
            } else {
                m += *p;
            }
        }
        bool holds = m == "/" || absPath == m || (absPath.size() > m.size() && absPath.compare(0, m.size(), m) == 0 &&
                                                  absPath[m.size()] == '/');
        if (holds && m.size() >= best.size()) {
            best = m;
            const char* dash = std::strstr(line, " - ");
            if (dash && sourceOut) {
                char fstype[256], source[1024];
                if (std::sscanf(dash + 3, "%255s %1023s", fstype, source) == 2) *sourceOut = source;
            }
        }
    }
    std::fclose(f);
    return best;
}

// A serial stable for the life of the file system: the file system's UUID when udev names it,
// else the device number.
static uint32_t volumeSerialOf(const std::string& source, dev_t dev) {
    DIR* d = ::opendir("/dev/disk/by-uuid");
    if (d && !source.empty()) {
        char want[PATH_MAX];
        if (::realpath(source.c_str(), want)) {
            while (struct dirent* de = ::readdir(d)) {
                if (de->d_name[0] == '.') continue;
                std::string link = std::string("/dev/disk/by-uuid/") + de->d_name;
                char target[PATH_MAX];
                if (::realpath(link.c_str(), target) && std::strcmp(target, want) == 0) {
                    uint32_t h = 2166136261u;  // FNV-1a of the UUID text
                    for (const char* p = de->d_name; *p; p++) h = (h ^ uint8_t(*p)) * 16777619u;
                    ::closedir(d);
                    return h;
                }
            }
        }
    }
    if (d) ::closedir(d);
    uint64_t v = (uint64_t(major(dev)) << 20) ^ uint64_t(minor(dev));
    return uint32_t(v ^ (v >> 32));
}

WinErr volumeInfo(std::string_view path, VolumeInfo* out) {
    std::string p = fullPath(path);
    struct statvfs vs;
    if (::statvfs(p.c_str(), &vs) != 0) return lastErr();
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return lastErr();
    out->freeBytes = uint64_t(vs.f_bavail) * vs.f_frsize;
    out->totalBytes = uint64_t(vs.f_blocks) * vs.f_frsize;
    out->clusterSize = uint32_t(vs.f_bsize);
    std::string source;
    char real[PATH_MAX];
    std::string abs = ::realpath(p.c_str(), real) ? std::string(real) : p;
    out->mountPoint = mountPointOf(abs, &source);
    if (out->mountPoint.empty() || out->mountPoint.back() != '/') out->mountPoint += '/';
    out->serial = volumeSerialOf(source, st.st_dev);
    return kErrOk;
}

std::string fullPath(std::string_view path) {
    std::string p = z(path);
    if (p.empty() || p[0] != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) p = std::string(cwd) + "/" + p;
    }
    // Remove "." and ".." lexically, like GetFullPathNameW (links are not resolved).
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string r;
    for (const std::string& s : parts) r += "/" + s;
    if (r.empty()) r.push_back('/');
    if (p.size() > 1 && p.back() == '/' && r != "/") r += '/';
    return r;
}

}  // namespace lv
