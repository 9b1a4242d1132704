// Threads, clocks, environment, SHA-256, clipboard and shell on Windows.
#include "platform/win32/win32_util.h"
// windows.h (through win32_util.h) must come first

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace lv {

// [SECTION] threads and clocks
struct ThreadImpl {
    HANDLE h;
    ThreadFn fn;
    void* arg;
};

static DWORD WINAPI threadTrampoline(void* p) {
    ThreadImpl* t = static_cast<ThreadImpl*>(p);
    t->fn(t->arg);
    return 0;
}

WinErr threadStart(Thread* t, size_t stackBytes, ThreadFn fn, void* arg) {
    ThreadImpl* impl = new ThreadImpl{nullptr, fn, arg};
    impl->h = CreateThread(nullptr, stackBytes, threadTrampoline, impl, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!impl->h) {
        WinErr e = WinErr(GetLastError());
        delete impl;
        return e;
    }
    t->impl = impl;
    return kErrOk;
}

void threadJoin(Thread* t) {
    ThreadImpl* impl = static_cast<ThreadImpl*>(t->impl);
    if (!impl) return;
    WaitForSingleObject(impl->h, INFINITE);
    CloseHandle(impl->h);
    delete impl;
    t->impl = nullptr;
}

void sleepMs(uint32_t ms) { Sleep(ms); }
uint32_t tickCountMs() { return GetTickCount(); }

uint64_t perfCounter() {
    LARGE_INTEGER li;
    QueryPerformanceCounter(&li);
    return uint64_t(li.QuadPart);
}

uint64_t perfFrequency() {
    LARGE_INTEGER li;
    QueryPerformanceFrequency(&li);
    return uint64_t(li.QuadPart);
}

LocalTime localTimeNow() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

bool localTimeFromFileTime(uint64_t fileTime, LocalTime* out) {
    FILETIME utc, local;
    utc.dwLowDateTime = DWORD(fileTime);
    utc.dwHighDateTime = DWORD(fileTime >> 32);
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return false;
    *out = LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    return true;
}

uint64_t fileTimeNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return fileTimeToU64(ft);
}

// [SECTION] environment and folders
std::string envGet(std::string_view name) {
    std::wstring n = wideFromUtf8(name);
    DWORD len = GetEnvironmentVariableW(n.c_str(), nullptr, 0);
    if (!len) return {};
    std::wstring v(len, L'\0');
    len = GetEnvironmentVariableW(n.c_str(), v.data(), len);
    v.resize(len);
    return utf8FromWide(v);
}

int processorCount() {
    int n = std::atoi(envGet("NUMBER_OF_PROCESSORS").c_str());
    return n > 0 ? n : 1;
}

static std::string withoutFinalBackslash(std::string s) {
    while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
    return s;
}

std::string appDataRoot() { return withoutFinalBackslash(envGet("APPDATA")); }
std::string tempRoot() { return withoutFinalBackslash(envGet("TEMP")); }

std::string programFolder() {
    std::wstring buf(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    buf.resize(n);
    std::string p = utf8FromWide(buf);
    return p.substr(0, p.find_last_of("\\/") + 1);
}

// [SECTION] SHA-256 through BCrypt
struct ShaImpl {
    BCRYPT_ALG_HANDLE alg;
    BCRYPT_HASH_HANDLE hash;
};

WinErr sha256Begin(Sha256* s) {
    ShaImpl* impl = new ShaImpl{nullptr, nullptr};
    if (BCryptOpenAlgorithmProvider(&impl->alg, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
        delete impl;
        return kErrNotSupported;
    }
    if (BCryptCreateHash(impl->alg, &impl->hash, nullptr, 0, nullptr, 0, 0) != 0) {
        BCryptCloseAlgorithmProvider(impl->alg, 0);
        delete impl;
        return kErrNotEnoughMemory;
    }
    s->impl = impl;
    return kErrOk;
}

WinErr sha256Update(Sha256* s, const void* data, size_t len) {
    ShaImpl* impl = static_cast<ShaImpl*>(s->impl);
    if (!impl) return kErrInvalidHandle;
    const UCHAR* p = static_cast<const UCHAR*>(data);
    while (len > 0) {
        ULONG chunk = ULONG(len > (1u << 30) ? (1u << 30) : len);
        if (BCryptHashData(impl->hash, const_cast<PUCHAR>(p), chunk, 0) != 0) return kErrGenFailure;
        p += chunk;
        len -= chunk;
    }
    return kErrOk;
}

void sha256Abort(Sha256* s) {
    ShaImpl* impl = static_cast<ShaImpl*>(s->impl);
    if (!impl) return;
    BCryptDestroyHash(impl->hash);
    BCryptCloseAlgorithmProvider(impl->alg, 0);
    delete impl;
    s->impl = nullptr;
}

WinErr sha256End(Sha256* s, uint8_t digest[32]) {
    ShaImpl* impl = static_cast<ShaImpl*>(s->impl);
    if (!impl) return kErrInvalidHandle;
    bool ok = BCryptFinishHash(impl->hash, digest, 32, 0) == 0;
    sha256Abort(s);
    return ok ? kErrOk : kErrGenFailure;
}

// [SECTION] clipboard and shell
bool stdoutIsTerminal() {
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode) != 0;
}
void stdoutSetBinary() { _setmode(_fileno(stdout), _O_BINARY); }

WinErr clipboardSetText(std::string_view utf8) {
    std::wstring w = wideFromUtf8(utf8);
    if (!OpenClipboard(nullptr)) return WinErr(GetLastError());
    EmptyClipboard();
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (w.size() + 1) * sizeof(wchar_t));
    WinErr e = kErrNotEnoughMemory;
    if (mem) {
        wchar_t* p = static_cast<wchar_t*>(GlobalLock(mem));
        memcpy(p, w.c_str(), (w.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(mem);
        if (SetClipboardData(CF_UNICODETEXT, mem)) {
            e = kErrOk;
        } else {
            e = WinErr(GetLastError());
            GlobalFree(mem);
        }
    }
    CloseClipboard();
    return e;
}

WinErr clipboardGetText(std::string* utf8) {
    utf8->clear();
    if (!OpenClipboard(nullptr)) return WinErr(GetLastError());
    WinErr e = kErrInvalidData;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            *utf8 = utf8FromWide(p);
            GlobalUnlock(h);
            e = kErrOk;
        }
    }
    CloseClipboard();
    return e;
}

WinErr shellOpen(std::string_view pathOrFolder) {
    HINSTANCE r = ShellExecuteW(nullptr, L"open", wideFromUtf8(pathOrFolder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<intptr_t>(r) > 32 ? kErrOk : kErrFileNotFound;
}

}  // namespace lv
