// Draws the library's category images at build time: a small PNG for each name given, a glyph of
// one colour on a tile of another, so that no two images look alike.
//
//   icongen OUTPUT_FOLDER NAME...    writes OUTPUT_FOLDER/NAME.png for each NAME
//
// The n-th name takes the n-th tile colour, whose hue lies a golden angle past the one before it,
// and the n-th of the glyphs in turn. The PNG is written by hand: 24x24 8-bit RGBA, one IDAT chunk
// deflated by zlib, each chunk with its CRC.
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 24;

struct TColor {
  uint8_t R, G, B;
};

// A saturated colour of the hue (degrees).
TColor HueColor(double hue) {
  const double h = std::fmod(hue, 360.0) / 60.0, value = 0.85, chroma = value * 0.7;
  const double x = chroma * (1 - std::fabs(std::fmod(h, 2.0) - 1)), m = value - chroma;
  const double rgb[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x},
                            {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
  const auto& c = rgb[int(h) % 6];
  auto byte = [m](double v) { return uint8_t(std::lround((v + m) * 255)); };
  return {byte(c[0]), byte(c[1]), byte(c[2])};
}

// Glyphs as the set of points they cover, in coordinates from -1 to 1 across the tile.
using TGlyph = std::function<bool(double x, double y)>;
const TGlyph kGlyphs[] = {
    [](double x, double y) { return x * x + y * y < 0.36; },                               // disc
    [](double x, double y) { return std::fabs(std::hypot(x, y) - 0.45) < 0.13; },          // ring
    [](double x, double y) { return y > -0.55 && y < 0.5 && std::fabs(x) < (y + 0.55) * 0.6; },
    [](double x, double y) { return std::fabs(x) + std::fabs(y) < 0.65; },                 // diamond
    [](double x, double y) { return std::fmin(std::fabs(x), std::fabs(y)) < 0.15 &&
                                    std::fmax(std::fabs(x), std::fabs(y)) < 0.6; },        // plus
    [](double x, double y) { return std::fabs(std::fabs(x) - std::fabs(y)) < 0.2 &&
                                    std::fabs(x) < 0.55; },                                // cross
    [](double x, double y) { return std::fabs(x) < 0.6 && std::fmod(y + 0.75, 0.5) < 0.22 &&
                                    std::fabs(y) < 0.6; },                                 // bars
    [](double x, double y) { return std::fmax(std::fabs(x), std::fabs(y)) < 0.6 &&
                                    std::fmax(std::fabs(x), std::fabs(y)) > 0.38; },       // frame
};

// The image's rows, each led by its filter type (0, none), of RGBA pixels.
std::string DrawRows(int index) {
  const TColor tile = HueColor(index * 137.50776405);
  const TGlyph& glyph = kGlyphs[index % std::size(kGlyphs)];
  std::string rows;
  for (int row = 0; row < kSize; ++row) {
    rows += '\0';
    for (int column = 0; column < kSize; ++column) {
      const double x = (column + 0.5) / kSize * 2 - 1, y = (row + 0.5) / kSize * 2 - 1;
      const bool onTile = std::fmax(std::fabs(x), std::fabs(y)) < 0.92;
      const TColor c = glyph(x, y) ? TColor{255, 255, 255} : tile;
      rows += {char(c.R), char(c.G), char(c.B), char(onTile ? 255 : 0)};
    }
  }
  return rows;
}

void PutUint32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += char(value >> shift);
}

void PutChunk(std::string& png, const char* type, const std::string& data) {
  PutUint32(png, uint32_t(data.size()));
  const std::string body = type + data;
  png += body;
  PutUint32(png, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

std::string EncodePng(const std::string& rows) {
  std::string header;
  PutUint32(header, kSize);
  PutUint32(header, kSize);
  header += {8, 6, 0, 0, 0};  // 8 bits per sample, RGBA, deflate, no filter set, no interlace
  std::vector<Bytef> deflated(compressBound(uLong(rows.size())));
  uLongf length = deflated.size();
  if (compress2(deflated.data(), &length, reinterpret_cast<const Bytef*>(rows.data()),
                uLong(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
    return {};
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(deflated.data()), length));
  PutChunk(png, "IEND", "");
  return png;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: icongen OUTPUT_FOLDER NAME...\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const std::string path = std::string(argv[1]) + "/" + argv[i] + ".png";
    const std::string png = EncodePng(DrawRows(i - 2));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && !png.empty() && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    if ((file && std::fclose(file) != 0) || !written) {
      std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
