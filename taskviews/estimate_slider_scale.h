#pragma once

// The estimate slider's scale: quarter hours up to one hour (positions 0 to 2), half hours up to eight
// hours (2 to 9), then one work day of `secondsPerDay` per unit, rounded to whole hours.
namespace TDEstimateSliderScale {

inline constexpr double kMaximumPosition = 14.0;

double positionFromSeconds(double seconds, double secondsPerDay);
double secondsFromPosition(double position, double secondsPerDay);

}  // namespace TDEstimateSliderScale
