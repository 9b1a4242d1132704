// JPEG decoding through the Windows Imaging Component: a decoder on a memory stream, the Fant
// scaler and conversion to 32-bit BGRA. One COM apartment and factory per decoding thread.
#include <objbase.h>
#include <wincodec.h>

#include "platform/platform.h"
#include "platform/resample.h"
#include "platform/win32/win32_util.h"

namespace lv {

namespace {

template <class T>
void release(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

struct ThreadFactory {
    IWICImagingFactory* factory = nullptr;
    bool comStarted = false;
    void end() {
        release(factory);
        if (comStarted) CoUninitialize();
        comStarted = false;
    }
    ~ThreadFactory() { end(); }
};
thread_local ThreadFactory tlsFactory;

}  // namespace

void jpegDecoderThreadEnd() { tlsFactory.end(); }

// WIC turns pictures only by decoding and encoding them again, which is not lossless.
WinErr jpegRotateLossless(const uint8_t*, size_t, int, std::vector<uint8_t>*) { return kErrNotSupported; }

namespace {

IWICImagingFactory* factoryForThisThread() {
    ThreadFactory& t = tlsFactory;
    if (!t.factory) {
        HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        t.comStarted = SUCCEEDED(hr);  // S_FALSE also needs a matching CoUninitialize
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&t.factory));
    }
    return t.factory;
}

WinErr decode(const uint8_t* data, size_t len, int width, int height, Bgra* out) {
    if (!data || len < 4 || len > 0xFFFFFFFFu) return kErrInvalidData;
    int sw = 0, sh = 0;
    if (WinErr e = jpegDecodeAllowed(data, len, &sw, &sh)) return e;
    if (uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0) > kJpegMaxPixels) return kErrNotEnoughMemory;
    IWICImagingFactory* f = factoryForThisThread();
    if (!f) return kErrNotSupported;
    IWICStream* stream = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapScaler* scaler = nullptr;
    IWICFormatConverter* conv = nullptr;
    WinErr e = kErrInvalidData;
    HRESULT hr = f->CreateStream(&stream);
    if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(len));
    if (SUCCEEDED(hr)) hr = f->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
    IWICBitmapSource* src = frame;
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr)) hr = frame->GetSize(&w, &h);
    if (SUCCEEDED(hr) && width > 0 && height > 0 && (UINT(width) != w || UINT(height) != h)) {
        hr = f->CreateBitmapScaler(&scaler);
        if (SUCCEEDED(hr)) hr = scaler->Initialize(frame, UINT(width), UINT(height), WICBitmapInterpolationModeFant);
        src = scaler;
        w = UINT(width);
        h = UINT(height);
    }
    if (SUCCEEDED(hr)) hr = f->CreateFormatConverter(&conv);
    if (SUCCEEDED(hr))
        hr = conv->Initialize(src, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                              WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr) && uint64_t(w) * h > (1ull << 28)) hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        out->width = int(w);
        out->height = int(h);
        out->pixels.assign(size_t(w) * h * 4, 0);
        hr = conv->CopyPixels(nullptr, w * 4, UINT(out->pixels.size()), out->pixels.data());
        if (SUCCEEDED(hr)) e = kErrOk;
    }
    if (e) {
        out->pixels.clear();
        out->width = out->height = 0;
        if (hr == E_OUTOFMEMORY) e = kErrNotEnoughMemory;
    }
    release(conv);
    release(scaler);
    release(frame);
    release(decoder);
    release(stream);
    return e;
}

}  // namespace

WinErr jpegSize(const uint8_t* data, size_t len, int* width, int* height) {
    return jpegFrameHeaderSize(data, len, width, height) ? kErrOk : kErrInvalidData;
}

WinErr jpegDecode(const uint8_t* data, size_t len, Bgra* out) { return decode(data, len, 0, 0, out); }

WinErr jpegDecodeScaled(const uint8_t* data, size_t len, int width, int height, Bgra* out) {
    if (width <= 0 || height <= 0) return kErrInvalidParameter;
    return decode(data, len, width, height, out);
}

}  // namespace lv
