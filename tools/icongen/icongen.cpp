// Draws the library's category, stream and component images at build time with the drawing
// wrapper and the shading routines that the components draw with, so that the images share
// their look: for each name given, a 24x24 PNG of a bevelled, glossy rounded tile of one colour
// with a white glyph on it.
//
//   icongen OUTPUT_FOLDER NAME...    writes OUTPUT_FOLDER/NAME.png for each NAME
//
// The n-th name takes the n-th tile colour, whose hue lies a golden angle past the one before it,
// and the n-th of the glyphs in turn, so that no two images look alike. A name that is an earlier
// name followed by 16 or 32 is that image drawn at 16x16 or 32x32 (a palette bitmap's small and
// large forms).
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "corvane/drawing/RQGDIPlusProperties.Primitives.h"
#include "kelvra/Kelvra.GDIPlus.h"

namespace {

using namespace kelvra;

constexpr int kSize = 24;
const TIGPRectF kTile{1, 1, 22, 22};
constexpr TIGPSizeF kCorner{9, 9};
constexpr TAlphaColor kWhite = 0xFFFFFFFF;

// An opaque, saturated colour of the hue (degrees).
TAlphaColor HueColor(double hue) {
  const double h = std::fmod(hue, 360.0) / 60.0, value = 0.85, chroma = value * 0.7;
  const double x = chroma * (1 - std::fabs(std::fmod(h, 2.0) - 1)), m = value - chroma;
  const double rgb[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x},
                            {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
  const auto& c = rgb[int(h) % 6];
  auto byte = [m](double v) { return TAlphaColor(std::lround((v + m) * 255)); };
  return 0xFF000000 | byte(c[0]) << 16 | byte(c[1]) << 8 | byte(c[2]);
}

// The glyphs, drawn in white about the tile's centre (12, 12).
using TGlyph = std::function<void(IGPGraphics&)>;
void FillWhite(IGPGraphics& g, std::initializer_list<TPointF> points) {
  g.FillPolygon(*TIGPSolidBrush::Create(kWhite), std::span(points.begin(), points.size()));
}
const TGlyph kGlyphs[] = {
    [](IGPGraphics& g) {  // disc
      g.FillEllipse(*TIGPSolidBrush::Create(kWhite), {7, 7, 10, 10});
    },
    [](IGPGraphics& g) {  // ring
      g.DrawEllipse(*TIGPPen::Create(kWhite, 2.5f), {6.5f, 6.5f, 11, 11});
    },
    [](IGPGraphics& g) {  // triangle
      FillWhite(g, {{12, 5.5f}, {18, 17.5f}, {6, 17.5f}});
    },
    [](IGPGraphics& g) {  // diamond
      FillWhite(g, {{12, 5}, {19, 12}, {12, 19}, {5, 12}});
    },
    [](IGPGraphics& g) {  // plus
      g.FillRectangle(*TIGPSolidBrush::Create(kWhite), {10.5f, 5.5f, 3, 13});
      g.FillRectangle(*TIGPSolidBrush::Create(kWhite), {5.5f, 10.5f, 13, 3});
    },
    [](IGPGraphics& g) {  // cross
      const auto pen = TIGPPen::Create(kWhite, 3);
      g.DrawLine(*pen, 7, 7, 17, 17);
      g.DrawLine(*pen, 17, 7, 7, 17);
    },
    [](IGPGraphics& g) {  // bars
      for (const float y : {6.0f, 10.75f, 15.5f})
        g.FillRectangle(*TIGPSolidBrush::Create(kWhite), {6.5f, y, 11, 2.5f});
    },
    [](IGPGraphics& g) {  // frame
      g.DrawRectangle(*TIGPPen::Create(kWhite, 2.5f), {7.25f, 7.25f, 9.5f, 9.5f});
    },
};

TIntf<IGPBitmap> DrawImage(int index, int size) {
  const TAlphaColor tile = HueColor(index * 137.50776405);
  auto image = TIGPBitmap::Create(size, size);
  const auto g = TIGPGraphics::Create(*image);
  g->SetSmoothingMode(SmoothingModeAntiAlias);
  g->ScaleTransform(float(size) / kSize, float(size) / kSize);
  g->FillRoundRect(*TIGPSolidBrush::Create(tile), kTile, kCorner);
  corvane::RQDrawRoundRectangle3DF(*g, corvane::RQDimColor(tile, 1.35f),
                                   corvane::RQDimColor(tile, 0.55f), kTile, kCorner, 1.5f);
  kGlyphs[size_t(index) % std::size(kGlyphs)](*g);
  corvane::RQGlossRoundRectangle3DF(*g, 0x10FFFFFF, 0x90FFFFFF, {2.5f, 2.5f, 19, 19}, kCorner);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: icongen OUTPUT_FOLDER NAME...\n");
    return 2;
  }
  std::map<std::string, int> indexes;  // of the names drawn at the usual size
  for (int i = 2; i < argc; ++i) {
    const std::string name = argv[i];
    const std::string path = std::string(argv[1]) + "/" + name + ".png";
    const std::string base = name.substr(0, name.size() - std::min<size_t>(name.size(), 2));
    const std::string suffix = name.substr(base.size());
    const bool sized = indexes.contains(base) && (suffix == "16" || suffix == "32");
    const int index =
        sized ? indexes[base] : indexes.emplace(name, int(indexes.size())).first->second;
    try {
      DrawImage(index, sized ? std::stoi(suffix) : kSize)->Save(path, "png");
    } catch (const kelvra::Exception& e) {
      std::fprintf(stderr, "icongen: %s: %s\n", path.c_str(), e.what());
      return 1;
    }
  }
  return 0;
}
