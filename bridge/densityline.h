#pragma once

#include "sdk/sdkabi.h"

#include <QString>

#include <array>

using Densities = std::array<float, sdk::DensityCount>;

// The four densities as the page receives them: each in fixed notation with six decimals and
// "." as decimal point whatever the user's locale, never cut, joined by "|".
QString formatDensityLine(const Densities &densities);
