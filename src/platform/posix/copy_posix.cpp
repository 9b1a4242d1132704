// File facts and folder flushes for the copy engines, and the console of the command line, on POSIX.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/platform.h"

namespace lv {

WinErr pathFileInfo(std::string_view path, uint64_t* size, uint64_t* writeTime) {
    struct stat st;
    if (::stat(std::string(path).c_str(), &st) != 0) return winErrorFromErrno(errno);
    if (S_ISDIR(st.st_mode)) return kErrAccessDenied;
    *size = uint64_t(st.st_size);
    *writeTime = fileTimeFromUnix(st.st_mtim.tv_sec, uint32_t(st.st_mtim.tv_nsec));
    return kErrOk;
}

WinErr folderFlush(std::string_view folder) {
    int fd = ::open(std::string(folder.empty() ? "." : folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return winErrorFromErrno(errno);
    // Some file systems (FAT over FUSE, some shares) refuse: the names are then as safe as they get.
    WinErr e = ::fsync(fd) == 0 || errno == EINVAL ? kErrOk : winErrorFromErrno(errno);
    ::close(fd);
    return e;
}

WinErr volumeFlush(FileHandle f) {
#ifdef __linux__
    // Local disk file systems whose syncfs waits for the data and reports write errors. Network
    // and FUSE file systems may return before the bytes are anywhere safe.
    static const unsigned long kFlushable[] = {
        0xEF53,      // ext2, ext3, ext4
        0x58465342,  // xfs
        0x9123683E,  // btrfs
        0xF2F52010,  // f2fs
        0x4D44,      // vfat
        0x2011BAB0,  // exfat
        0x7366746E,  // ntfs3
        0x01021994,  // tmpfs (nothing to flush)
    };
    struct statfs sf;
    if (::fstatfs(int(f.h), &sf) != 0) return winErrorFromErrno(errno);
    bool known = false;
    for (unsigned long t : kFlushable) known = known || (unsigned long)sf.f_type == t;
    if (!known) return kErrNotSupported;
    return ::syncfs(int(f.h)) == 0 ? kErrOk : winErrorFromErrno(errno);
#else
    (void)f;
    return kErrNotSupported;
#endif
}

WinErr fileVolumeId(FileHandle f, uint64_t* id) {
    struct stat st;
    if (::fstat(int(f.h), &st) != 0) return winErrorFromErrno(errno);
    *id = uint64_t(st.st_dev);
    return kErrOk;
}

WinErr fileCopyRange(FileHandle in, uint64_t offset, FileHandle out, size_t len, size_t* got) {
    *got = 0;
#ifdef __linux__
    loff_t from = loff_t(offset);
    for (;;) {
        ssize_t n = ::copy_file_range(int(in.h), &from, int(out.h), nullptr, len, 0);
        if (n >= 0) {
            *got = size_t(n);
            return kErrOk;
        }
        if (errno == EINTR) continue;
        // Kernels and file systems that cannot copy between these two files say so in these ways.
        if (errno == ENOSYS || errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP)
            return kErrNotSupported;
        return winErrorFromErrno(errno);
    }
#else
    (void)in, (void)offset, (void)out, (void)len;
    return kErrNotSupported;
#endif
}

bool stderrIsTerminal() { return ::isatty(2) == 1; }

static void (*gInterrupt)() = nullptr;
static void onSignal(int) {
    if (gInterrupt) gInterrupt();
}

void setInterruptHandler(void (*fn)()) {
    gInterrupt = fn;
    struct sigaction sa = {};
    sa.sa_handler = fn ? onSignal : SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
}

}  // namespace lv
