// A stand-in of the outside image-processing library: it records every call and adjusts in a
// way a test can recognise (colours inverted, greys halved).
#include <win/base.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int g_colorCalls = 0;
int g_grayCalls = 0;
int g_lastArgs[4] = {};
}  // namespace

EXPORT int ColorAdjustmentN(BYTE* pixels, int count, int a, int b, int c) {
  ++g_colorCalls;
  g_lastArgs[0] = count;
  g_lastArgs[1] = a;
  g_lastArgs[2] = b;
  g_lastArgs[3] = c;
  for (int i = 0; i < count * 3; ++i) pixels[i] = static_cast<BYTE>(255 - pixels[i]);
  return 1;
}

EXPORT int GrayAdjustmentTRC(BYTE* pixels, int count, int reserved, int a, int b, int c) {
  ++g_grayCalls;
  g_lastArgs[0] = count + reserved;
  g_lastArgs[1] = a;
  g_lastArgs[2] = b;
  g_lastArgs[3] = c;
  for (int i = 0; i < count; ++i) pixels[i] = static_cast<BYTE>(pixels[i] / 2);
  return 1;
}

// Never called by the renderer; present because it resolves them.
EXPORT int GrayAdjustmentN(BYTE*, int, int, int, int) { return 0; }
EXPORT int StartRGBProfile() { return 0; }
EXPORT int ApplyRGBProfile() { return 0; }
EXPORT int EndRGBProfile() { return 0; }

// What the test reads back: calls of each kind and the last call's count and values.
EXPORT void RecordedCalls(int* colorCalls, int* grayCalls, int lastArgs[4]) {
  *colorCalls = g_colorCalls;
  *grayCalls = g_grayCalls;
  for (int i = 0; i < 4; ++i) lastArgs[i] = g_lastArgs[i];
}
