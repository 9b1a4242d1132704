// Bursts: runs of continuous-drive frames recorded by the camera, found from the sequence
// numbers and capture times of the photo list; navigation between bursts and burst playback.
#pragma once

#include "library/folder.h"

namespace lv {

// Groups the photos into bursts (burstGroup, burstCount, burstsComputed). RAW and JPEG frames
// chain separately, each format in its own slot.
void computeBursts(FolderState& state);
// Display positions of the next / previous burst, or -1 when there is none to go to.
int nextBurstPosition(const FolderState& state, int position);
int previousBurstPosition(const FolderState& state, int position);

// Burst playback: the GUI runs the timer, these decide each step.
inline constexpr int kBurstMsMin = 5;
inline constexpr int kBurstMsMax = 1000;
int burstTimerInterval(int burstMs);
// Starts playback from the current photo; false when bursts are not computed or the current
// photo is in none.
bool startBurstPlayback(FolderState& state);
// One timer tick: moves currentPosition to the next frame of the group (wrapping to its first).
// Returns false when no frame of the group is visible any more: playback has then stopped and
// the current position is back at the start.
bool burstPlaybackStep(FolderState& state);
// A stop by the user returns to the start; one caused by opening another folder does not.
void stopBurstPlayback(FolderState& state, bool returnToStart);

}  // namespace lv
