#include "taskviews/estimate_slider_scale.h"

#include <cmath>

namespace TDEstimateSliderScale {

double positionFromSeconds(double seconds, double secondsPerDay) {
    if (seconds <= 3600) return 2 * seconds / 3600;
    // The bound is a fixed eight hours whatever the work day is.
    if (seconds <= 28800) return seconds / 3600 + 1;
    return seconds / secondsPerDay + 8;
}

double secondsFromPosition(double position, double secondsPerDay) {
    if (position <= 2) return 900 * std::round(position * 1800 / 900);
    if (position <= 9) return 1800 * std::round((position - 1) * 3600 / 1800);
    return 3600 * std::round(secondsPerDay * (position - 8) / 3600);
}

}  // namespace TDEstimateSliderScale
