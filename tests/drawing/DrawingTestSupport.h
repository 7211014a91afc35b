// Rendering to small ARGB bitmaps and comparing them with the reference images committed under
// tests/drawing/reference/. The references were made once by this code and looked at; running a
// test program with CORVANE_WRITE_REFERENCES=1 writes the current images in their place (for a
// deliberate change of look, to be looked at again before committing).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "kelvra/Kelvra.GDIPlus.h"
#include "kelvra/Kelvra.SysUtils.h"

namespace corvane::test {

using TDraw = std::function<void(kelvra::IGPGraphics&)>;

// A transparent bitmap of the size with `draw` done on it, antialiased.
inline kelvra::TIntf<kelvra::IGPBitmap> Render(int32_t width, int32_t height, const TDraw& draw,
                                               kelvra::TIGPSmoothingMode smoothing = kelvra::SmoothingModeAntiAlias) {
  auto bitmap = kelvra::TIGPBitmap::Create(width, height);
  auto graphics = kelvra::TIGPGraphics::Create(*bitmap);
  graphics->SetSmoothingMode(smoothing);
  draw(*graphics);
  return bitmap;
}

inline int ChannelDistance(kelvra::TAlphaColor a, kelvra::TAlphaColor b) {
  int distance = 0;
  for (int shift = 0; shift < 32; shift += 8)
    distance = std::max(distance, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
  return distance;
}

// Whether the two bitmaps have the same size and no channel of any pixel differs by more than
// `tolerance`; names the first pixel that does.
inline testing::AssertionResult SamePixels(kelvra::IGPBitmap& actual, kelvra::IGPBitmap& expected,
                                           int tolerance) {
  if (actual.GetWidth() != expected.GetWidth() || actual.GetHeight() != expected.GetHeight())
    return testing::AssertionFailure() << "size " << actual.GetWidth() << "x" << actual.GetHeight()
                                       << ", expected " << expected.GetWidth() << "x" << expected.GetHeight();
  for (int32_t y = 0; y < int32_t(actual.GetHeight()); ++y)
    for (int32_t x = 0; x < int32_t(actual.GetWidth()); ++x) {
      const kelvra::TAlphaColor a = actual.GetPixel(x, y), e = expected.GetPixel(x, y);
      // Colour channels of nearly transparent pixels carry no weight.
      if (ChannelDistance(a, e) > tolerance && (a >> 24 > 8 || e >> 24 > 8))
        return testing::AssertionFailure() << std::hex << "pixel (" << std::dec << x << ", " << y
                                           << ") is " << std::hex << a << ", expected " << e;
    }
  return testing::AssertionSuccess();
}

// Compares the bitmap with the reference image of the name (or writes it, see above).
inline testing::AssertionResult MatchesReference(kelvra::IGPBitmap& actual, const std::string& name,
                                                 int tolerance = 6) {
  const std::string file = std::string(DRAWING_REFERENCE_DIR) + "/" + name + ".png";
  if (std::getenv("CORVANE_WRITE_REFERENCES")) {
    actual.Save(file, "png");
    return testing::AssertionSuccess();
  }
  try {
    return SamePixels(actual, *kelvra::TIGPBitmap::FromFile(file), tolerance) << " in " << name;
  } catch (const kelvra::Exception& e) {
    return testing::AssertionFailure() << name << ": " << e.what();
  }
}

}  // namespace corvane::test
