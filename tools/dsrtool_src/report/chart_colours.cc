#include "tools/dsrtool_src/report/chart_colours.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace dsrtool {

using namespace ::devseries;

namespace {

constexpr Rgb kPage = {255, 255, 255};

struct Lab {
  double l;
  double a;
  double b;
};

Lab ToLab(const Rgb& colour) {
  auto linear = [](std::uint8_t value) {
    const double u = value / 255.0;
    return u <= 0.04045 ? u / 12.92 : std::pow((u + 0.055) / 1.055, 2.4);
  };
  const double r = linear(colour.red);
  const double g = linear(colour.green);
  const double b = linear(colour.blue);
  // sRGB to XYZ, relative to the D65 white point.
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : t * 24389 / 27 / 116 + 16.0 / 116;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

bool LooksLikeAny(const Rgb& colour, const std::vector<Rgb>& taken) {
  for (const Rgb& other : taken) {
    if (ColourDifference(colour, other) < kAlike) return true;
  }
  return false;
}

}  // namespace

std::string HexColour(const Rgb& colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", unsigned{colour.red},
                unsigned{colour.green}, unsigned{colour.blue});
  return buffer;
}

double ColourDifference(const Rgb& a, const Rgb& b) {
  const Lab p = ToLab(a);
  const Lab q = ToLab(b);
  return std::hypot(p.l - q.l, p.a - q.a, p.b - q.b);
}

const std::vector<Rgb>& LinePalette() {
  static const std::vector<Rgb> palette = {
      {0x1f, 0x77, 0xb4}, {0xd6, 0x27, 0x28}, {0x2c, 0xa0, 0x2c},
      {0xff, 0x7f, 0x0e}, {0x94, 0x67, 0xbd}, {0x8c, 0x56, 0x4b},
      {0xe3, 0x77, 0xc2}, {0x7f, 0x7f, 0x7f}, {0xbc, 0xbd, 0x22},
      {0x17, 0xbe, 0xcf}};
  return palette;
}

std::string PaletteColour(size_t k) {
  return HexColour(LinePalette()[k % LinePalette().size()]);
}

std::vector<std::string> LineColours(
    const std::vector<std::vector<Rgb>>& wanted) {
  // Lines with colours of their own choose first, so that a line of the
  // palette never takes the colour an ink's line would have.
  std::vector<std::optional<Rgb>> chosen(wanted.size());
  std::vector<Rgb> taken = {kPage};
  for (size_t k = 0; k < wanted.size(); ++k) {
    for (const Rgb& candidate : wanted[k]) {
      if (!LooksLikeAny(candidate, taken)) {
        chosen[k] = candidate;
        taken.push_back(candidate);
        break;
      }
    }
  }
  size_t turn = 0;
  for (size_t k = 0; k < wanted.size(); ++k) {
    if (chosen[k]) continue;
    for (const Rgb& candidate : LinePalette()) {
      if (!LooksLikeAny(candidate, taken)) {
        chosen[k] = candidate;
        break;
      }
    }
    if (!chosen[k]) chosen[k] = LinePalette()[turn++ % LinePalette().size()];
    taken.push_back(*chosen[k]);
  }
  std::vector<std::string> colours;
  for (const std::optional<Rgb>& colour : chosen) {
    colours.push_back(HexColour(*colour));
  }
  return colours;
}

std::vector<Rgb> InkColours(const SeriesView& view, std::int32_t inkIndex) {
  if (inkIndex < 0) return {};
  const InkInfo* ink = view.inks.Find(inkIndex);
  if (ink == nullptr) return {};
  auto rgb = [](const InkRGB& colour) {
    return Rgb{colour.nRed, colour.nGreen, colour.nBlue};
  };
  // Both black: the colours the reader gives an ink whose file has none.
  if (ink->darkColor == InkRGB{} && ink->lightColor == InkRGB{}) return {};
  return {rgb(ink->darkColor), rgb(ink->lightColor)};
}

std::vector<std::string> ChannelColours(const SeriesView& view,
                                        const SeparationInfo* separation,
                                        size_t count) {
  std::vector<std::vector<Rgb>> wanted(count);
  if (separation != nullptr) {
    const std::vector<SeparationTable>& tables =
        separation->aSeparationTableList;
    for (size_t k = 0; k < count && k < tables.size(); ++k) {
      wanted[k] = InkColours(view, tables[k].nInkIndex);
    }
  }
  return LineColours(wanted);
}

}  // namespace dsrtool
