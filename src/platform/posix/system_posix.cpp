// Threads, clocks, environment and the user's folders on POSIX systems.
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

#include <openssl/evp.h>

#include "platform/platform.h"

namespace lv {

// [SECTION] threads and clocks
struct ThreadImpl {
    pthread_t id;
    ThreadFn fn;
    void* arg;
};

static void* threadTrampoline(void* p) {
    ThreadImpl* t = static_cast<ThreadImpl*>(p);
    t->fn(t->arg);
    return nullptr;
}

WinErr threadStart(Thread* t, size_t stackBytes, ThreadFn fn, void* arg) {
    ThreadImpl* impl = new ThreadImpl{pthread_t(), fn, arg};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    if (stackBytes) {
        if (stackBytes < size_t(PTHREAD_STACK_MIN)) stackBytes = size_t(PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attr, stackBytes);
    }
    int rc = pthread_create(&impl->id, &attr, threadTrampoline, impl);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete impl;
        return winErrorFromErrno(rc);
    }
    t->impl = impl;
    return kErrOk;
}

void threadJoin(Thread* t) {
    ThreadImpl* impl = static_cast<ThreadImpl*>(t->impl);
    if (!impl) return;
    pthread_join(impl->id, nullptr);
    delete impl;
    t->impl = nullptr;
}

void sleepMs(uint32_t ms) {
    struct timespec ts;
    ts.tv_sec = time_t(ms / 1000);
    ts.tv_nsec = long(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

uint32_t tickCountMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

uint64_t perfCounter() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

uint64_t perfFrequency() { return 1000000000ull; }

LocalTime localTimeNow() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    localtime_r(&ts.tv_sec, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min,         tm.tm_sec,     int(ts.tv_nsec / 1000000)};
}

bool localTimeFromFileTime(uint64_t fileTime, LocalTime* out) {
    if (fileTime < kFileTimeUnixEpoch) return false;
    time_t t = time_t((fileTime - kFileTimeUnixEpoch) / 10000000);
    struct tm tm;
    if (!localtime_r(&t, &tm)) return false;
    *out = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                     int((fileTime / 10000) % 1000)};
    return true;
}

uint64_t fileTimeNow() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return fileTimeFromUnix(ts.tv_sec, uint32_t(ts.tv_nsec));
}

// [SECTION] environment and folders
std::string envGet(std::string_view name) {
    const char* v = std::getenv(std::string(name).c_str());
    return v ? std::string(v) : std::string();
}

int processorCount() {
    long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? int(n) : 1;
}

static std::string xdgFolder(const char* var, const char* fallbackUnderHome) {
    std::string v = envGet(var);
    if (v.empty() || v[0] != '/') {  // relative XDG values are invalid and ignored
        std::string home = envGet("HOME");
        if (home.empty()) return {};
        v = home + fallbackUnderHome;
    }
    while (v.size() > 1 && v.back() == '/') v.pop_back();
    return v;
}

std::string appDataRoot() { return xdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string tempRoot() { return xdgFolder("XDG_CACHE_HOME", "/.cache"); }

std::string programFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string p(buf, size_t(n));
    return p.substr(0, p.rfind('/') + 1);
}

// [SECTION] SHA-256 through OpenSSL's EVP interface
WinErr sha256Begin(Sha256* s) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    if (!ctx) return kErrNotEnoughMemory;
    if (EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(ctx);
        return kErrNotSupported;
    }
    s->impl = ctx;
    return kErrOk;
}

WinErr sha256Update(Sha256* s, const void* data, size_t len) {
    if (!s->impl) return kErrInvalidHandle;
    return EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(s->impl), data, len) == 1 ? kErrOk : kErrGenFailure;
}

WinErr sha256End(Sha256* s, uint8_t digest[32]) {
    if (!s->impl) return kErrInvalidHandle;
    unsigned n = 0;
    int ok = EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(s->impl), digest, &n);
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(s->impl));
    s->impl = nullptr;
    return ok == 1 && n == 32 ? kErrOk : kErrGenFailure;
}

void sha256Abort(Sha256* s) {
    if (s->impl) EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(s->impl));
    s->impl = nullptr;
}

// [SECTION] clipboard and shell: a desktop-less Linux has neither; the GUI is Windows-only.
bool stdoutIsTerminal() { return ::isatty(1) == 1; }
void stdoutSetBinary() {}

WinErr clipboardSetText(std::string_view) { return kErrNotSupported; }
WinErr clipboardGetText(std::string* out) {
    out->clear();
    return kErrNotSupported;
}
WinErr shellOpen(std::string_view) { return kErrNotSupported; }

}  // namespace lv
