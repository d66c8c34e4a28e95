#include "platform/Events.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/Numbers.h"

namespace vondrel::platform {

namespace {
std::function<void()>& Pump() {
    static std::function<void()> pump;
    return pump;
}

double InitialScale() {
    const char* env = std::getenv("VONDREL_TIME_SCALE");
    if (!env || !*env) return 1.0;
    double v = Val(env);  // with a decimal point in any locale
    return (std::isfinite(v) && v > 0.0) ? v : 1.0;
}

double& Scale() {
    static double scale = InitialScale();
    return scale;
}
}  // namespace

void SetEventPump(std::function<void()> pump) { Pump() = std::move(pump); }

void PumpEvents() {
    if (Pump()) Pump()();
}

double TimeScale() { return Scale(); }
void SetTimeScale(double scale) { Scale() = scale > 0.0 ? scale : 1.0; }

int ScaledMs(int designedMs) {
    if (designedMs <= 0) return 0;
    return static_cast<int>(std::lround(designedMs * Scale()));
}

namespace {
double& ReplyTimeoutScale() {
    static double scale = 0.0;  // follow the time scale
    return scale;
}
}  // namespace

void SetReplyTimeoutScale(double scale) { ReplyTimeoutScale() = scale > 0.0 ? scale : 0.0; }

int ScaledReplyTimeoutMs(int designedMs) {
    if (designedMs <= 0) return 0;
    const double scale = ReplyTimeoutScale() > 0.0 ? ReplyTimeoutScale() : Scale();
    return static_cast<int>(std::lround(designedMs * scale));
}

void SleepMs(int designedMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ScaledMs(designedMs)));
}

void SleepPumping(int designedMs) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ScaledMs(designedMs));
    PumpEvents();
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        PumpEvents();
    }
}

}  // namespace vondrel::platform
