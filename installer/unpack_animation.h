// Moves the progress bar during the Pack200 step, which reports no progress of
// its own: from 100 in steps of 10, each after a tenth of the time the runtime
// archive took to extract, up to 200 at most.
#pragma once
#include <atomic>
#include <thread>

class UnpackAnimation {
public:
    // Starts the animation when there is a dialog; does nothing otherwise.
    UnpackAnimation(void* dialog, long extractMillis);
    // The Pack200 step is done: stops the animation and waits for it.
    ~UnpackAnimation();
    UnpackAnimation(const UnpackAnimation&) = delete;
    UnpackAnimation& operator=(const UnpackAnimation&) = delete;

private:
    std::atomic<bool> unpackDone_{false};
    std::thread thread_;
};

// The animation's thread routine.
void animateUnpackProgress(void* dialog, long extractMillis, const std::atomic<bool>& unpackDone);
