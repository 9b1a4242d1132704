// Sidecar costs: reading rating and label at folder load (once per photo) and changing a
// property, on a typical sidecar and on hostile ones that would expose a quadratic search.
// Usage: bench_sidecar [SIDECAR.xmp] [megabytes of hostile text, default 4]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "sidecar/sidecar_file.h"
#include "sidecar/xmp_text.h"

namespace {

double timeMs(const std::function<void()>& fn, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; i++) {
        uint64_t t0 = lv::perfCounter();
        fn();
        ms.push_back(double(lv::perfCounter() - t0) * 1000.0 / double(lv::perfFrequency()));
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

std::string repeated(const std::string& piece, size_t bytes) {
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes) s += piece;
    return s;
}

const std::string kHead = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf="
                          "\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                          "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"";

}  // namespace

int main(int argc, char** argv) {
    std::string typical = lv::newSidecarText(3, "Red");
    if (argc > 1 && lv::fileReadAll(argv[1], &typical, 64u << 20)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    size_t mb = argc > 2 ? size_t(std::atoi(argv[2])) : 4;
    size_t hostileBytes = std::max<size_t>(mb, 1) << 20;

    volatile size_t sink = 0;
    double readMs = timeMs([&] {
        for (int i = 0; i < 1000; i++) sink = sink + size_t(lv::ratingLabelFromText(typical).rating);
    }, 5);
    double setMs = timeMs([&] {
        for (int i = 0; i < 1000; i++) sink = sink + lv::setProperty(typical, "Rating", "4").size();
    }, 5);
    std::printf("typical sidecar (%zu bytes): read %.2f us, change %.2f us\n", typical.size(), readMs, setMs);

    struct Hostile {
        const char* what;
        std::string text;
    } cases[] = {
        {"many attributes", kHead + repeated(" xmp:Label=\"a\"", hostileBytes) + "/></rdf:RDF></x:xmpmeta>"},
        {"many elements", kHead + ">" + repeated("<xmp:Label>a</xmp:Label>", hostileBytes) + "</rdf:Description>"},
        {"one long name run", kHead + " " + repeated("xmp:Label", hostileBytes) + "=\"1\"/>"},
        {"nested descriptions", kHead + "><xmp:Rating>1</xmp:Rating>" +
                                    repeated("<rdf:Description>", hostileBytes / 2) +
                                    repeated("</rdf:Description>", hostileBytes / 2)},
        {"unclosed comments", kHead + "/>" + repeated("<!-- <![CDATA[ ", hostileBytes)},
        {"many prefixes", "<rdf:Description " + repeated("xmlns:q=\"http://ns.adobe.com/xap/1.0/\" ", hostileBytes) +
                              "/>"},
    };
    for (const Hostile& h : cases) {
        double ms = timeMs([&] {
            sink = sink + lv::setProperty(h.text, "Label", "Green").size();
            sink = sink + lv::setProperty(h.text, "Label", "").size();
            sink = sink + size_t(lv::ratingLabelFromText(h.text).rating);
        }, 3);
        std::printf("%-20s %5.1f MB: set + clear + read %.0f ms\n", h.what, double(h.text.size()) / 1048576.0, ms);
    }
    return 0;
}
