#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace lv {

// errno values are POSIX names; the numbers differ between systems, so this switch is
// compiled on each. An errno with no close Windows meaning becomes 31 (a device failure),
// the code Windows itself reports for "something went wrong below the file system".
WinErr winErrorFromErrno(int e) {
    switch (e) {
        case 0: return kErrOk;
        case ENOENT: return kErrFileNotFound;
        case ENOTDIR: return kErrPathNotFound;
        case EACCES:
        case EPERM: return kErrAccessDenied;
        case EBUSY: return kErrSharingViolation;
#ifdef ETXTBSY
        case ETXTBSY: return kErrSharingViolation;
#endif
        case EROFS: return kErrWriteProtect;
        case ENOSPC: return kErrDiskFull;
#if defined(EDQUOT)
        case EDQUOT: return kErrDiskFull;
#endif
        case EEXIST: return kErrAlreadyExists;
        case ENAMETOOLONG: return kErrFilenameTooLong;
        case EIO: return kErrIoDevice;
        case ENOMEM: return kErrNotEnoughMemory;
        case EMFILE:
        case ENFILE: return kErrTooManyOpenFiles;
        case EBADF: return kErrInvalidHandle;
        case EINVAL: return kErrInvalidParameter;
        case EXDEV: return kErrNotSameDevice;
        case ENOTEMPTY: return kErrDirNotEmpty;
        case EISDIR: return kErrAccessDenied;  // CreateFileW on a folder says 5
#ifdef ELOOP
        case ELOOP: return kErrInvalidName;
#endif
#ifdef ENOTSUP
        case ENOTSUP: return kErrNotSupported;
#endif
#if defined(EOPNOTSUPP) && (!defined(ENOTSUP) || EOPNOTSUPP != ENOTSUP)
        case EOPNOTSUPP: return kErrNotSupported;
#endif
#ifdef ENODEV
        case ENODEV: return kErrNotReady;
#endif
#ifdef ENXIO
        case ENXIO: return kErrNotReady;
#endif
        default: return kErrGenFailure;
    }
}

namespace {
thread_local int t_lastErrno = 0;

struct ErrnoWords {
    int e;
    const char* text;
};
const ErrnoWords kErrnoWords[] = {
    {ENOENT, "no such file or folder"},  {ENOTDIR, "a part of the path is not a folder"},
    {EISDIR, "is a folder"},             {EACCES, "permission denied"},
    {EPERM, "operation not permitted"},  {EROFS, "read-only file system"},
    {ENOSPC, "no space left on the device"}, {EEXIST, "already exists"},
    {ENAMETOOLONG, "name too long"},     {EIO, "input/output error"},
    {EBUSY, "busy"},                     {EMFILE, "too many open files"},
    {EXDEV, "on another file system"},   {EINVAL, "invalid argument"},
    {EFBIG, "file too large"},           {ENOTEMPTY, "folder not empty"},
#ifdef EDQUOT
    {EDQUOT, "disk quota exceeded"},
#endif
#ifdef ELOOP
    {ELOOP, "too many levels of symbolic links"},
#endif
#ifdef ENXIO
    {ENXIO, "no such device or address"},
#endif
};
}  // namespace

// Called by the POSIX backend where a call failed, before errno changes again.
void noteErrno(int e) { t_lastErrno = e; }

std::string errnoText(int e) {
    for (const ErrnoWords& w : kErrnoWords)
        if (w.e == e) return w.text;
    return std::strerror(e);
}

std::string systemErrorText(WinErr e) {
#ifdef _WIN32
    (void)e;
    return {};
#else
    if (e == 0 || t_lastErrno == 0 || winErrorFromErrno(t_lastErrno) != e) return {};
    return errnoText(t_lastErrno);
#endif
}

std::string hexUpper(const uint8_t* data, size_t len) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s(len * 2, '0');
    for (size_t i = 0; i < len; i++) {
        s[2 * i] = digits[data[i] >> 4];
        s[2 * i + 1] = digits[data[i] & 15];
    }
    return s;
}

WinErr fileReadAll(std::string_view path, std::string* out, uint64_t maxBytes) {
    out->clear();
    FileHandle f;
    WinErr e = fileOpenRead(path, &f);
    if (e) return e;
    uint64_t size = 0;
    e = fileSize(f, &size);
    if (!e && size > maxBytes) e = kErrNotEnoughMemory;
    if (!e) {
        out->resize(size_t(size));
        size_t got = 0;
        e = fileReadAt(f, 0, out->data(), out->size(), &got);
        out->resize(got);
    }
    fileClose(&f);
    return e;
}

WinErr sha256File(std::string_view path, std::string* hexOut) {
    hexOut->clear();
    FileHandle f;
    WinErr e = fileOpenRead(path, &f);
    if (e) return e;
    Sha256 s;
    e = sha256Begin(&s);
    std::vector<uint8_t> buf(4u << 20);
    uint64_t off = 0;
    while (!e) {
        size_t got = 0;
        e = fileReadAt(f, off, buf.data(), buf.size(), &got);
        if (e || got == 0) break;
        e = sha256Update(&s, buf.data(), got);
        off += got;
    }
    fileClose(&f);
    if (e) {
        sha256Abort(&s);
        return e;
    }
    uint8_t d[32];
    e = sha256End(&s, d);
    if (!e) *hexOut = hexUpper(d, 32);
    return e;
}

}  // namespace lv
