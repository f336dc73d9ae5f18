#include "installer/unpack_animation.h"

#include <chrono>

#include "installer/progress.h"

namespace {
constexpr int kStart = 100;
constexpr int kEnd = 200;
constexpr int kStep = 10;
} // namespace

void animateUnpackProgress(void* dialog, long extractMillis, const std::atomic<bool>& unpackDone)
{
    long pause = extractMillis > 0 ? extractMillis / 10 : 0;
    for (int position = kStart; position < kEnd && !unpackDone.load();) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
        position += kStep;
        setProgressBarPosition(dialog, position);
    }
}

UnpackAnimation::UnpackAnimation(void* dialog, long extractMillis)
{
    if (dialog != nullptr)
        thread_ = std::thread(animateUnpackProgress, dialog, extractMillis, std::cref(unpackDone_));
}

UnpackAnimation::~UnpackAnimation()
{
    unpackDone_ = true;
    if (thread_.joinable())
        thread_.join();
}
