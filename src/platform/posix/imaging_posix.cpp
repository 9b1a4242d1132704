// JPEG decoding with libjpeg-turbo: DCT-domain scaling to the smallest size not below the
// target, then area averaging to the exact size.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <turbojpeg.h>

#include "platform/platform.h"
#include "platform/resample.h"

namespace lv {

namespace {

struct ErrorMgr {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool truncated;
};

void onError(j_common_ptr cinfo) {
    ErrorMgr* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
    longjmp(e->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level) {
    ErrorMgr* e = reinterpret_cast<ErrorMgr*>(cinfo->err);
    // A premature end means the picture would be partly grey: report it as corrupt.
    if (level < 0 && e->pub.msg_code == JWRN_JPEG_EOF) e->truncated = true;
}

// Decodes with libjpeg scaled by num/8; the caller has checked the header.
WinErr decodeAt(const uint8_t* data, size_t len, int targetW, int targetH, Bgra* out) {
    jpeg_decompress_struct cinfo;
    ErrorMgr err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.truncated = false;
    // Everything the jump can skip lives outside this frame or is trivially destructible.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out->pixels.clear();
        out->pixels.shrink_to_fit();
        out->width = out->height = 0;
        return kErrInvalidData;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(len));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    cinfo.scale_num = 8;
    cinfo.scale_denom = 8;
    if (targetW > 0 && targetH > 0) {
        for (unsigned num = 1; num <= 8; num++) {
            cinfo.scale_num = num;
            jpeg_calc_output_dimensions(&cinfo);
            if (int(cinfo.output_width) >= targetW && int(cinfo.output_height) >= targetH) break;
        }
    }
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&cinfo);
    int w = int(cinfo.output_width), h = int(cinfo.output_height);
    if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > (1ull << 28)) {
        jpeg_destroy_decompress(&cinfo);
        return kErrInvalidData;
    }
    out->width = w;
    out->height = h;
    out->pixels.assign(size_t(w) * size_t(h) * 4, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out->pixels[size_t(cinfo.output_scanline) * size_t(w) * 4];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (cmyk) {  // Adobe writes CMYK inverted; this is the usual naive conversion
        bool inverted = cinfo.saw_Adobe_marker;
        for (size_t i = 0; i < out->pixels.size(); i += 4) {
            uint8_t* p = &out->pixels[i];
            int c = p[0], m = p[1], y = p[2], k = p[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            p[2] = uint8_t(c * k / 255);
            p[1] = uint8_t(m * k / 255);
            p[0] = uint8_t(y * k / 255);
            p[3] = 255;
        }
    }
    jpeg_finish_decompress(&cinfo);
    bool truncated = err.truncated;
    jpeg_destroy_decompress(&cinfo);
    if (truncated) {
        out->pixels.clear();
        out->width = out->height = 0;
        return kErrInvalidData;
    }
    return kErrOk;
}

}  // namespace

WinErr jpegSize(const uint8_t* data, size_t len, int* width, int* height) {
    return jpegFrameHeaderSize(data, len, width, height) ? kErrOk : kErrInvalidData;
}

WinErr jpegDecode(const uint8_t* data, size_t len, Bgra* out) {
    int w = 0, h = 0;
    if (WinErr e = jpegDecodeAllowed(data, len, &w, &h)) return e;
    return decodeAt(data, len, 0, 0, out);
}

void jpegDecoderThreadEnd() {}  // libjpeg keeps no state between decodes

WinErr jpegDecodeScaled(const uint8_t* data, size_t len, int width, int height, Bgra* out) {
    int w = 0, h = 0;
    if (width <= 0 || height <= 0) return kErrInvalidParameter;
    if (WinErr e = jpegDecodeAllowed(data, len, &w, &h)) return e;
    if (uint64_t(width) * uint64_t(height) > kJpegMaxPixels) return kErrNotEnoughMemory;
    Bgra big;
    WinErr e = decodeAt(data, len, width, height, &big);
    if (e) return e;
    if (big.width == width && big.height == height) {
        *out = std::move(big);
        return kErrOk;
    }
    out->width = width;
    out->height = height;
    out->pixels.assign(size_t(width) * size_t(height) * 4, 0);
    resampleBgra(big.pixels.data(), big.width, big.height, size_t(big.width) * 4, out->pixels.data(), width, height);
    return kErrOk;
}

WinErr jpegRotateLossless(const uint8_t* data, size_t len, int degrees, std::vector<uint8_t>* out) {
    int op = degrees == 90 ? TJXOP_ROT90 : degrees == 180 ? TJXOP_ROT180 : degrees == 270 ? TJXOP_ROT270 : -1;
    if (op < 0) return kErrInvalidParameter;
    int w = 0, h = 0;
    if (WinErr e = jpegDecodeAllowed(data, len, &w, &h)) return e;
    tjhandle t = tjInitTransform();
    if (!t) return kErrNotEnoughMemory;
    tjtransform xf;
    std::memset(&xf, 0, sizeof xf);
    xf.op = op;
    // PERFECT: refuse rather than drop the partial blocks at the edge.
    xf.options = TJXOPT_PERFECT;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    int rc = tjTransform(t, data, static_cast<unsigned long>(len), 1, &buf, &size, &xf, 0);
    WinErr e = kErrOk;
    if (rc != 0) {
        // A size that does not divide into coding blocks is a limit of the method, not bad data.
        int hw = 0, hh = 0, sub = -1, cs = 0;
        bool whole = tjDecompressHeader3(t, data, static_cast<unsigned long>(len), &hw, &hh, &sub, &cs) == 0 &&
                     sub >= 0 && sub < TJ_NUMSAMP && hw % tjMCUWidth[sub] == 0 && hh % tjMCUHeight[sub] == 0;
        e = whole ? kErrInvalidData : kErrNotSupported;
    } else {
        out->assign(buf, buf + size);
    }
    tjFree(buf);
    tjDestroy(t);
    return e;
}

}  // namespace lv
