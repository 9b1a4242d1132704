#include "library/bursts.h"

#include <vector>

#include "library/filekinds.h"

namespace lv {

// Frames further apart than this per step of their sequence numbers are separate bursts.
static constexpr double kSecondsPerFrameStep = 2.0;

static bool chains(const PhotoList& p, size_t prev, size_t i) {
    if (p.continuousDrive[prev] != 1 || p.continuousDrive[i] != 1) return false;
    int a = p.burstIndex[prev], b = p.burstIndex[i];
    if (a < 1 || a >= b) return false;
    double ta = p.captureSerial[prev], tb = p.captureSerial[i];
    if (ta > 0 && tb > 0 && tb - ta > kSecondsPerFrameStep * double(b - a)) return false;
    return true;
}

void computeBursts(FolderState& state) {
    PhotoList& p = state.photos;
    state.burstCount = 0;
    for (int& g : p.burstGroup) g = -1;
    if (p.count >= 2) {
        std::vector<int> previous(size_t(kPhotoFormatCount) + 1, -1);
        for (int i = 0; i < p.count; i++) {
            int slot = findPhotoFormat(p.path[size_t(i)]);
            if (slot < 0) slot = kPhotoFormatCount;
            int prev = previous[size_t(slot)];
            if (prev >= 0 && chains(p, size_t(prev), size_t(i))) {
                if (p.burstGroup[size_t(prev)] < 0) p.burstGroup[size_t(prev)] = state.burstCount++;
                p.burstGroup[size_t(i)] = p.burstGroup[size_t(prev)];
            }
            previous[size_t(slot)] = i;
        }
    }
    state.burstsComputed = true;
}

static int groupAt(const FolderState& state, int position) {
    int index = visibleToPhoto(state, position);
    if (index < 0 || size_t(index) >= state.photos.burstGroup.size()) return -1;
    return state.photos.burstGroup[size_t(index)];
}

int nextBurstPosition(const FolderState& state, int position) {
    if (state.burstCount <= 0) return -1;
    int g = groupAt(state, position);
    int len = visibleLength(state);
    for (int pos = position + 1; pos < len; pos++) {
        int h = groupAt(state, pos);
        if (h != -1 && h != g) return pos;
    }
    return -1;
}

int previousBurstPosition(const FolderState& state, int position) {
    if (state.burstCount <= 0) return -1;
    int g = groupAt(state, position);
    if (g != -1) {
        int first = position;
        while (first > 0 && groupAt(state, first - 1) == g) first--;
        if (first < position) return first;
    }
    int target = -1;
    for (int pos = position - 1; pos >= 0; pos--) {
        int h = groupAt(state, pos);
        if (h != -1 && h != g) {
            target = h;
            break;
        }
    }
    if (target < 0) return -1;
    int len = visibleLength(state);
    for (int pos = 0; pos < len; pos++)
        if (groupAt(state, pos) == target) return pos;
    return -1;
}

int burstTimerInterval(int burstMs) {
    if (burstMs < kBurstMsMin) return kBurstMsMin;
    if (burstMs > kBurstMsMax) return kBurstMsMax;
    return burstMs;
}

bool startBurstPlayback(FolderState& state) {
    if (!state.burstsComputed) return false;
    int g = groupAt(state, state.currentPosition);
    if (g < 0) return false;
    state.playback.playing = true;
    state.playback.startPosition = state.currentPosition;
    state.playback.group = g;
    return true;
}

bool burstPlaybackStep(FolderState& state) {
    if (!state.playback.playing) return false;
    int g = state.playback.group;
    int len = visibleLength(state);
    int first = -1;
    for (int pos = 0; pos < len; pos++) {
        if (groupAt(state, pos) != g) continue;
        if (first < 0) first = pos;
        if (pos > state.currentPosition) {
            state.currentPosition = pos;
            return true;
        }
    }
    if (first >= 0) {
        state.currentPosition = first;
        return true;
    }
    stopBurstPlayback(state, true);
    return false;
}

void stopBurstPlayback(FolderState& state, bool returnToStart) {
    if (!state.playback.playing) return;
    state.playback.playing = false;
    if (returnToStart) {
        int len = visibleLength(state);
        int pos = state.playback.startPosition;
        state.currentPosition = (pos >= 0 && pos < len) ? pos : 0;
    }
}

}  // namespace lv
