// Sine windows of the transform, Q15.
//
// Analysis (encoder):
//   long_window_center[i] = -round(32768 sin(pi (480 + i + 0.5) / 1920))
//   long_window_edge[i]   =  round(32768 sin(pi (479 - i + 0.5) / 1920))
//   short_window_center[i] = -round(32768 sin(pi (239.5 - i) / 480))
//   short_window_edge[i]   =  round(32768 sin(pi (119.5 - i) / 480))
// The two long analysis tables hold ten entries that take the other
// neighbour of the rounding (see window_tables.cpp).
//
// Synthesis (decoder), 32767 standing in for 1.0:
//   long_synthesis_window[i]  = round(32768 sin(pi (i + 0.5) / 1920)), i < 1920
//   short_synthesis_window[i] = round(32768 sin(pi (i + 0.5) / 480)),  i < 480
#pragma once

#include <array>

#include "basop/basop.h"
#include "frame/frame_geometry.h"

extern const std::array<Word16, kHalfFrame> long_window_center;
extern const std::array<Word16, kHalfFrame> long_window_edge;
extern const std::array<Word16, 120> short_window_center;
extern const std::array<Word16, 120> short_window_edge;
extern const std::array<Word16, kAliasedLength> long_synthesis_window;
extern const std::array<Word16, 2 * kShortBlockLength> short_synthesis_window;
