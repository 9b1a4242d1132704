// The portable face of the operating system. Everything outside src/platform and app/win32
// goes through these calls; the backends live in posix/ and win32/.
//
// Every call that can fail returns a Windows error number (0 = success), on both systems, so
// messages keyed on those numbers read the same everywhere. Paths are UTF-8 with the native
// separator; the Windows backend adds the "\\?\" prefix itself where a path needs it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace lv {

// [SECTION] error numbers
using WinErr = uint32_t;
enum : WinErr {
    kErrOk = 0,
    kErrFileNotFound = 2,
    kErrPathNotFound = 3,
    kErrTooManyOpenFiles = 4,
    kErrAccessDenied = 5,
    kErrInvalidHandle = 6,
    kErrNotEnoughMemory = 8,
    kErrInvalidData = 13,
    kErrNotSameDevice = 17,
    kErrWriteProtect = 19,
    kErrNotReady = 21,
    kErrWriteFault = 29,  // a write that stored fewer bytes than it was given
    kErrGenFailure = 31,
    kErrSharingViolation = 32,
    kErrHandleEof = 38,
    kErrNotSupported = 50,
    kErrFileExists = 80,
    kErrInvalidParameter = 87,
    kErrDiskFull = 112,
    kErrInsufficientBuffer = 122,
    kErrInvalidName = 123,
    kErrDirNotEmpty = 145,
    kErrAlreadyExists = 183,
    kErrFilenameTooLong = 206,
    kErrIoDevice = 1117,
    kErrCantAccessFile = 1920,  // not a regular file: a pipe, device, socket or foreign reparse point
};
// errno -> Windows error number. Pure, so both mappings are tested on every system.
WinErr winErrorFromErrno(int e);
// What the system itself said about the last failed file call of this thread, in its own terms
// ("is a folder" where Windows says 5), when that failure gave e; "" otherwise and on Windows,
// whose numbers are their own terms.
std::string systemErrorText(WinErr e);
// The words for an errno value (POSIX systems; pure).
std::string errnoText(int e);

// [SECTION] files
struct FileHandle {
    intptr_t h = -1;
    bool valid() const { return h != -1; }
};
enum class CreateMode {
    CreateAlways,  // create or truncate
    CreateNew,     // fail with 80 when it exists
    OpenExisting,  // open for writing without truncating
};
// Shared read: others may read, write, rename or delete the file while we hold it. Opens only
// regular files and never waits: a pipe, device or socket gives 1920 at once.
WinErr fileOpenRead(std::string_view path, FileHandle* out);
WinErr fileCreate(std::string_view path, CreateMode mode, FileHandle* out);
WinErr fileSize(FileHandle f, uint64_t* size);
// Reads up to len bytes at offset; *got < len only at the end of the file.
WinErr fileReadAt(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got);
// Writes all of buf at the current position (a write that stores nothing gives 29).
WinErr fileWrite(FileHandle f, const void* buf, size_t len);
WinErr fileFlush(FileHandle f);
// Sets the file's length (and the write position to it).
WinErr fileSetEnd(FileHandle f, uint64_t length);
// Last-write time as a Windows file time: 100 ns units since 1601-01-01 UTC.
WinErr fileGetWriteTime(FileHandle f, uint64_t* fileTime);
WinErr fileSetWriteTime(FileHandle f, uint64_t fileTime);
void fileClose(FileHandle* f);

WinErr pathWriteTime(std::string_view path, uint64_t* fileTime);
WinErr pathSetWriteTime(std::string_view path, uint64_t fileTime);
bool pathExists(std::string_view path);
bool isFolder(std::string_view path);
// Move or rename. Without replace an existing target fails with 183 (80 on some systems);
// with replace the target is swapped in one step where the system allows.
WinErr fileMove(std::string_view from, std::string_view to, bool replace);
WinErr fileCopy(std::string_view from, std::string_view to, bool failIfExists);
// For tests and tools only: the product never deletes a user's file.
WinErr fileDelete(std::string_view path);
WinErr folderDelete(std::string_view path);  // an empty folder
// Creates the folder and every missing parent; an existing folder is success.
WinErr folderCreateAll(std::string_view path);
// Asks the system to forget the file's cached pages, so the next read comes from the disk
// (benchmarks of cold reads). 50 where the system cannot do it for an ordinary user.
WinErr fileDropCache(std::string_view path);
// Opens a file for reading from the disk rather than the system's cache: unbuffered on Windows,
// cached pages dropped first on POSIX. Read it only with fileReadUncached.
WinErr fileOpenReadUncached(std::string_view path, FileHandle* out);
// One read of up to len bytes at offset; offset and len multiples of 4096 and buf aligned to
// 4096. *got < len only at the end of the file.
WinErr fileReadUncached(FileHandle f, uint64_t offset, void* buf, size_t len, size_t* got);
// Reads a whole small file (settings, sidecars); refuses files above maxBytes with 8.
WinErr fileReadAll(std::string_view path, std::string* out, uint64_t maxBytes = 64u << 20);

// Unix time (seconds) <-> Windows file time.
constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;
inline uint64_t fileTimeFromUnix(int64_t sec, uint32_t nsec = 0) {
    return uint64_t(sec * 10000000ll + int64_t(kFileTimeUnixEpoch)) + nsec / 100;
}

// [SECTION] replacing a file
// Every file we rewrite (sidecars, settings, journals, cache files) goes through these steps, so
// a reader, a second writer or a crash only ever meets the complete old or the complete new file,
// and nothing already on disk (a leftover temporary file, a link to a photo) is written through:
// 1. tempCreate: a new file beside the target, created exclusively (never an existing file, link
//    or special file): "<name>.tmp" when that name is free, else "<name>.<tag>.tmp"; a name too
//    long for the file system is shortened to fit. It takes the target's mode and owner (POSIX,
//    where permitted) before anything is written into it.
// 2. fileWrite into temp.f.
// 3. tempCommit: flush to disk, close, replace the target in one step (its attributes and ACL
//    kept on Windows), then flush the folder (Linux) so the new name survives a power cut.
// Of two writers replacing one file at the same time, the last one wins. A target with several
// hard links becomes a file of its own: the other names keep the old text, as only a rename
// keeps every reader's view complete.
struct TempFile {
    FileHandle f;
    std::string path;
};
WinErr tempCreate(std::string_view target, TempFile* out);
WinErr tempCommit(TempFile* t, std::string_view target);
// After a failed step: closes and removes the temporary file, which only we ever held.
void tempDiscard(TempFile* t);
// All three steps for one buffer.
WinErr fileReplace(std::string_view target, const void* data, size_t len);
// The name of attempt `tag` ("" first) for a target named `name` with at most maxUnits bytes
// (utf16: UTF-16 units) per name: the name is cut at a character boundary to make room. Pure.
std::string tempFileName(std::string_view name, std::string_view tag, size_t maxUnits, bool utf16);

// [SECTION] folder listing
struct DirEntry {
    std::string name;
    bool isFolder = false;
    bool hidden = false;   // Windows attribute; on POSIX a name starting with "."
    bool system = false;   // Windows attribute; never on POSIX
    bool reparse = false;  // reparse point or symbolic link (never followed)
    uint64_t size = 0;
    uint64_t writeTime = 0;  // Windows file time
};
// Lists a folder without "." and "..". Only folders and regular files (and links, unfollowed) are
// listed: pipes, devices and sockets, which Windows never shows, are left out. Windows gives the
// file system's order (name order on NTFS); the POSIX listing, whose system order is a hash,
// sorts the names the way NTFS does: compareFileNames, ties (names differing only in case) in
// byte order.
WinErr listFolder(std::string_view path, std::vector<DirEntry>* out);
// Orders two UTF-8 names as NTFS does: both as UTF-16, each unit upper-cased by the system's
// table, then compared unit by unit (no natural number order: IMG_10 before IMG_9). A byte that
// is not UTF-8 counts as the unit 0xDC00 + byte. Negative, 0 or positive.
int compareFileNames(std::string_view a, std::string_view b);
// True when both paths name one existing file (the same volume and file number: hard links and
// other spellings of a path included).
bool sameFile(std::string_view a, std::string_view b);

// [SECTION] volumes
struct VolumeInfo {
    uint64_t freeBytes = 0;    // available to this user
    uint64_t totalBytes = 0;
    uint32_t clusterSize = 0;  // allocation unit in bytes
    uint32_t serial = 0;       // stable for the life of the file system
    std::string mountPoint;    // with a trailing separator
};
WinErr volumeInfo(std::string_view path, VolumeInfo* out);

// [SECTION] threads, locks, clocks
struct Thread {
    void* impl = nullptr;
};
using ThreadFn = void (*)(void* arg);
WinErr threadStart(Thread* t, size_t stackBytes, ThreadFn fn, void* arg);
void threadJoin(Thread* t);  // waits and releases; a never-started thread is a no-op

// A plain lock; held only for short steps.
struct Lock {
    std::mutex m;
};
inline void lockEnter(Lock& l) { l.m.lock(); }
inline void lockLeave(Lock& l) { l.m.unlock(); }
struct LockGuard {
    Lock& l;
    explicit LockGuard(Lock& lk) : l(lk) { lockEnter(l); }
    ~LockGuard() { lockLeave(l); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

void sleepMs(uint32_t ms);
uint32_t tickCountMs();  // wraps like GetTickCount
uint64_t perfCounter();
uint64_t perfFrequency();
// Local time of day and date, for log lines and templates.
struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
LocalTime localTimeNow();
uint64_t fileTimeNow();
// A Windows file time as local time; false when it cannot be converted.
bool localTimeFromFileTime(uint64_t fileTime, LocalTime* out);

// [SECTION] environment and folders
// Empty when unset.
std::string envGet(std::string_view name);
// NUMBER_OF_PROCESSORS on Windows, the online CPU count on POSIX; at least 1.
int processorCount();
// The base of the configuration and journal folders: %APPDATA% on Windows,
// $XDG_CONFIG_HOME (default ~/.config) on POSIX. No trailing separator; may be empty.
std::string appDataRoot();
// The base of the thumbnail cache: %TEMP% on Windows, $XDG_CACHE_HOME (default ~/.cache) on POSIX.
std::string tempRoot();
// The folder holding the running program, with a trailing separator.
std::string programFolder();
// Bytes in the system ANSI code page as UTF-8 (Windows); false where there is none (POSIX).
bool utf8FromSystemAnsi(std::string_view bytes, std::string* out);
// Absolute form of a path (GetFullPathNameW / realpath without resolving links).
std::string fullPath(std::string_view path);
// An absolute Windows path of 248 or more UTF-16 units gets "\\?\" ("\\?\UNC\" for a network
// path) in front; shorter or already prefixed paths are returned as they are. Pure.
std::u16string longPathForm(std::u16string_view absPath);

// [SECTION] imaging
// A decoded picture: 32-bit BGRA, top-down rows, stride 4 * width.
struct Bgra {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};
// The stored width and height from the JPEG's frame header, without decoding.
WinErr jpegSize(const uint8_t* data, size_t len, int* width, int* height);
// Every decode first asks this, so a small or hostile file cannot make us allocate and work for
// a picture it does not hold. Refused with 8 ("too large"): a frame of more than kJpegMaxPixels,
// the largest picture we decode (1 GiB as BGRA; the largest camera sensors have 150 million
// pixels). Refused with 13: more pixels than the data can describe. Each 8x8 block of a JPEG
// costs at least one bit of entropy-coded data (its DC difference), so len bytes hold at most
// len * kJpegPixelsPerByte pixels; real photos use 2 to 20 bits per block, so they are far
// below it (arithmetic coding, which no camera writes, is held to the same bound).
inline constexpr uint64_t kJpegMaxPixels = 1ull << 28;
inline constexpr uint64_t kJpegPixelsPerByte = 8 * 64;
WinErr jpegDecodeAllowed(const uint8_t* data, size_t len, int* width, int* height);
// Decodes a JPEG held in memory at its full size.
WinErr jpegDecode(const uint8_t* data, size_t len, Bgra* out);
// Decodes and scales to exactly width x height with a high-quality downscaling filter.
// Corrupt or truncated data gives 13, never a crash.
WinErr jpegDecodeScaled(const uint8_t* data, size_t len, int width, int height, Bgra* out);
// Turns a JPEG 90, 180 or 270 degrees clockwise without decoding it (the coded blocks are
// moved, so nothing is lost); every marker is kept as it was. 50 where the platform cannot, or
// when the picture is not a whole number of coding blocks wide and high (turning would move or
// cut the partial blocks at its edge); 13 for data that is not a JPEG it can turn.
WinErr jpegRotateLossless(const uint8_t* data, size_t len, int degrees, std::vector<uint8_t>* out);
// Stops the calling thread's decoder (on Windows its WIC factory and COM apartment); the next
// decode on the thread starts it again. The user-interface thread calls it at shutdown, before
// the program returns: left to the thread's exit, Wine can stall the process's end for a minute.
void jpegDecoderThreadEnd();

// [SECTION] SHA-256
struct Sha256 {
    void* impl = nullptr;
};
WinErr sha256Begin(Sha256* s);
WinErr sha256Update(Sha256* s, const void* data, size_t len);
// Finishes into 32 bytes and releases the state.
WinErr sha256End(Sha256* s, uint8_t digest[32]);
void sha256Abort(Sha256* s);
std::string hexUpper(const uint8_t* data, size_t len);
// Whole-file hash in upper-case hex, reading in large blocks.
WinErr sha256File(std::string_view path, std::string* hexOut);

// [SECTION] standard streams
// Standard output is a terminal (progress bars and escaping of names only there).
bool stdoutIsTerminal();
// Standard output takes bytes unchanged (no CR LF translation on Windows).
void stdoutSetBinary();

// [SECTION] clipboard and shell (no-ops where the system has none)
WinErr clipboardSetText(std::string_view utf8);
WinErr clipboardGetText(std::string* utf8);
WinErr shellOpen(std::string_view pathOrFolder);  // Explorer / xdg-open

// [SECTION] copies and the console
// Size and last-write time of a file (links followed); a folder gives 5.
WinErr pathFileInfo(std::string_view path, uint64_t* size, uint64_t* writeTime);
// Makes the names in a folder durable after a rename into it (POSIX fsync of the folder);
// Windows journals names itself, so there it is a no-op.
WinErr folderFlush(std::string_view folder);
// Flushes everything written to the file system that holds f, in one trip to the disk (Linux
// syncfs), on the local disk file systems known to report their write errors that way; 50
// elsewhere (Windows, network and FUSE file systems), where each file is flushed on its own.
WinErr volumeFlush(FileHandle f);
// The same number for every file on one volume (device on POSIX, volume serial on Windows).
WinErr fileVolumeId(FileHandle f, uint64_t* id);
// Copies up to len bytes of in from offset to out's current position inside the system, without
// passing them through our memory (Linux copy_file_range); *got is 0 at the end of in. 50 where
// the system cannot for these two files (another system, other file systems): copy them by
// reading and writing then.
WinErr fileCopyRange(FileHandle in, uint64_t offset, FileHandle out, size_t len, size_t* got);
// Whether standard error is a terminal (progress bars are drawn only there).
bool stderrIsTerminal();
// Calls fn (from a signal handler or a console thread: it may only set flags) on Ctrl+C.
void setInterruptHandler(void (*fn)());

}  // namespace lv
