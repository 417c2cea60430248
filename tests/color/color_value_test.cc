// Colour value classes: channel storage, index and assignment errors, text
// forms and cloning.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "devseries/color/abstract_color.h"
#include "devseries/color/cmyk_color.h"
#include "devseries/color/cmykog_color.h"
#include "devseries/color/color_exceptions.h"
#include "devseries/color/lab_color.h"
#include "devseries/color/rgb_color.h"

using namespace devseries;

namespace {

// Both errors must escape a std::exception handler: the base is not public.
static_assert(!std::is_convertible_v<InvalidIndexException*, std::exception*>);
static_assert(
    !std::is_convertible_v<ColorSpaceNotMatchException*, std::exception*>);
static_assert(std::is_copy_constructible_v<InvalidIndexException>);
static_assert(std::is_copy_constructible_v<ColorSpaceNotMatchException>);

struct ColorClass {
  std::string label;
  std::function<std::unique_ptr<AbstractColor>()> make;
  int space;
  std::string space_name;
  int channels;
};

std::vector<ColorClass> AllClasses() {
  return {
      {"RGB", [] { return std::make_unique<RGBColor>(); }, 0, "RGB", 3},
      {"CMYK", [] { return std::make_unique<CMYKColor>(); }, 2, "CMYK", 4},
      {"CMYKOG", [] { return std::make_unique<CMYKOGColor>(); }, 4, "CMYKOG",
       6},
      {"Lab", [] { return std::make_unique<LabColor>(); }, 5, "Lab", 3},
  };
}

std::vector<ColorClass> ByteClasses() {
  auto all = AllClasses();
  all.pop_back();  // Lab stores floats.
  return all;
}

std::vector<float> Values(const AbstractColor& color, int channels) {
  std::vector<float> values;
  for (int i = 0; i < channels; ++i) values.push_back(color.GetValue(i));
  return values;
}

// Fills channel i with base + i.
void Fill(AbstractColor& color, int channels, float base) {
  for (int i = 0; i < channels; ++i) color.SetValue(i, base + i);
}

std::string PrintText(const AbstractColor& color) {
  std::ostringstream os;
  color.Print(os);
  return os.str();
}

TEST(ColorValueTest, SpaceCodesNamesAndZeroChannels) {
  for (const auto& c : AllClasses()) {
    SCOPED_TRACE(c.label);
    auto color = c.make();
    EXPECT_EQ(color->GetColorSpace(), c.space);
    EXPECT_EQ(color->GetColorSpaceName(), c.space_name);
    EXPECT_EQ(Values(*color, c.channels), std::vector<float>(c.channels, 0.0f));
  }
}

TEST(ColorValueTest, ByteChannelsTruncateAndKeepLowEightBits) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float in;
    float stored;
  };
  const Case cases[] = {
      {300.0f, 44.0f},  // 300 modulo 256
      {-0.5f, 0.0f},    // truncation toward zero comes first
      {12.9f, 12.0f},
      {255.99f, 255.0f},
      {256.0f, 0.0f},
      {-1.0f, 255.0f},
      {-1.9f, 255.0f},
      // Truncations that still fit in 32 bits: 0x7FFFFF80 and 0x80000080.
      {2147483520.0f, 128.0f},
      {-2147483520.0f, 128.0f},
      {-2147483648.0f, 0.0f},
      // No 32-bit truncation: stored as 0.
      {2147483648.0f, 0.0f},
      {1e10f, 0.0f},
      {-1e10f, 0.0f},
      {inf, 0.0f},
      {-inf, 0.0f},
      {nan, 0.0f},
  };
  for (const auto& c : ByteClasses()) {
    for (const Case& k : cases) {
      for (int i = 0; i < c.channels; ++i) {
        SCOPED_TRACE(c.label + " channel " + std::to_string(i) + " value " +
                     std::to_string(k.in));
        auto color = c.make();
        color->SetValue(i, 7.0f);  // a non-zero start shows "stores 0"
        color->SetValue(i, k.in);
        EXPECT_EQ(color->GetValue(i), k.stored);
      }
    }
  }
}

TEST(ColorValueTest, BadIndexThrowsWithTextAndChangesNothing) {
  struct Case {
    std::function<std::unique_ptr<AbstractColor>()> make;
    int channels;
    int index;
    const char* text;
    const char* type;
  };
  const Case cases[] = {
      {[] { return std::make_unique<RGBColor>(); }, 3, 3,
       "Invalid index 3 on RGB", "RGB"},
      {[] { return std::make_unique<CMYKOGColor>(); }, 6, -1,
       "Invalid index -1 on CMYKOG", "CMYKOG"},
      {[] { return std::make_unique<CMYKOGColor>(); }, 6, 6,
       "Invalid index 6 on CMYKOG", "CMYKOG"},
      {[] { return std::make_unique<CMYKColor>(); }, 4, 4,
       "Invalid index 4 on CMYK", "CMYK"},
      {[] { return std::make_unique<LabColor>(); }, 3, -2147483647 - 1,
       "Invalid index -2147483648 on Lab", "Lab"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    auto color = k.make();
    Fill(*color, k.channels, 1.0f);
    const auto before = Values(*color, k.channels);
    try {
      color->GetValue(k.index);
      ADD_FAILURE() << "GetValue did not throw";
    } catch (const InvalidIndexException& e) {
      EXPECT_STREQ(e.what(), k.text);
      EXPECT_EQ(e.strType, k.type);
      EXPECT_EQ(e.nIndex, k.index);
    }
    try {
      color->SetValue(k.index, 9.0f);
      ADD_FAILURE() << "SetValue did not throw";
    } catch (const InvalidIndexException& e) {
      EXPECT_STREQ(e.what(), k.text);
    }
    EXPECT_EQ(Values(*color, k.channels), before);
  }
}

TEST(ColorValueTest, AssignAcrossClassesIsRejectedAndTargetUnchanged) {
  struct Case {
    std::function<std::unique_ptr<AbstractColor>()> target;
    int channels;
    std::function<std::unique_ptr<AbstractColor>()> source;
    const char* text;
  };
  const Case cases[] = {
      {[] { return std::make_unique<RGBColor>(); }, 3,
       [] { return std::make_unique<CMYKColor>(); },
       "Type not match RGB and CMYK"},
      // Siblings, even though CMYKOG extends CMYK's channels.
      {[] { return std::make_unique<CMYKColor>(); }, 4,
       [] { return std::make_unique<CMYKOGColor>(); },
       "Type not match CMYK and CMYKOG"},
      {[] { return std::make_unique<CMYKOGColor>(); }, 6,
       [] { return std::make_unique<CMYKColor>(); },
       "Type not match CMYKOG and CMYK"},
      {[] { return std::make_unique<LabColor>(); }, 3,
       [] { return std::make_unique<RGBColor>(); },
       "Type not match Lab and RGB"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    auto target = k.target();
    auto source = k.source();
    Fill(*target, k.channels, 1.0f);
    Fill(*source, 3, 100.0f);
    const auto before = Values(*target, k.channels);
    try {
      target->Assign(*source);
      ADD_FAILURE() << "Assign did not throw";
    } catch (const ColorSpaceNotMatchException& e) {
      EXPECT_STREQ(e.what(), k.text);
      EXPECT_EQ(e.strType1, target->GetColorSpaceName());
      EXPECT_EQ(e.strType2, source->GetColorSpaceName());
    }
    EXPECT_EQ(Values(*target, k.channels), before);
  }
}

TEST(ColorValueTest, AssignWithinClassCopiesEveryChannel) {
  for (const auto& c : AllClasses()) {
    SCOPED_TRACE(c.label);
    auto target = c.make();
    auto source = c.make();
    Fill(*source, c.channels, 20.5f);
    AbstractColor& result = target->Assign(*source);
    EXPECT_EQ(&result, target.get());
    EXPECT_EQ(Values(*target, c.channels), Values(*source, c.channels));
  }
}

TEST(ColorValueTest, StdExceptionHandlerCatchesNeitherError) {
  auto escapes_std_handler = [](auto&& action) {
    bool caught_as_std = false;
    try {
      action();
    } catch (const std::exception&) {
      caught_as_std = true;
    } catch (...) {
    }
    return !caught_as_std;
  };
  RGBColor rgb;
  CMYKColor cmyk;
  EXPECT_TRUE(escapes_std_handler([&] { rgb.GetValue(3); }));
  EXPECT_TRUE(escapes_std_handler([&] { rgb.Assign(cmyk); }));

  // Their own types do catch them.
  EXPECT_THROW(rgb.GetValue(3), InvalidIndexException);
  EXPECT_THROW(rgb.Assign(cmyk), ColorSpaceNotMatchException);
}

TEST(ColorValueTest, PrintWritesHeaderAndLabelledChannels) {
  RGBColor rgb;
  rgb.SetValue(0, 255);
  rgb.SetValue(1, 128);
  rgb.SetValue(2, 0);
  CMYKColor cmyk;
  Fill(cmyk, 4, 1.0f);
  CMYKOGColor cmykog;
  Fill(cmykog, 6, 250.0f);
  LabColor lab;
  lab.SetValue(0, 53.2f);
  lab.SetValue(1, -4.05f);
  lab.SetValue(2, 0.0f);

  EXPECT_EQ(PrintText(rgb), "RGB\nR:255\nG:128\nB:0\n");
  EXPECT_EQ(PrintText(cmyk), "CMYK\nC:1\nM:2\nY:3\nK:4\n");
  // The header differs from the space name; 250 + 5 wraps to 255.
  EXPECT_EQ(PrintText(cmykog),
            "CMYKOrGr\nC:250\nM:251\nY:252\nK:253\nOr:254\nGr:255\n");
  EXPECT_EQ(PrintText(lab), "Lab\nL:53.20\na:-4.05\nb:0.00\n");
}

TEST(ColorValueTest, LabPrintLeavesStreamInFixedTwoDecimals) {
  LabColor lab;
  std::ostringstream os;
  os << std::hex << std::showpos << std::scientific;
  lab.Print(os);
  EXPECT_EQ(os.flags(), std::ios::fixed);
  EXPECT_EQ(os.precision(), 2);

  os.str("");
  os << 42 << ' ' << 1.5 << ' ' << 2.0f;
  // The integer is printed normally (the earlier hex and showpos are gone);
  // floating point keeps two fixed decimals.
  EXPECT_EQ(os.str(), "42 1.50 2.00");
}

TEST(ColorValueTest, CloneIsIndependentCopyOfSameClass) {
  for (const auto& c : AllClasses()) {
    SCOPED_TRACE(c.label);
    auto original = c.make();
    Fill(*original, c.channels, 53.2f);
    std::unique_ptr<AbstractColor> copy(original->Clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), original.get());
    EXPECT_EQ(typeid(*copy), typeid(*original));
    EXPECT_EQ(Values(*copy, c.channels), Values(*original, c.channels));

    copy->SetValue(0, 1.0f);
    EXPECT_EQ(original->GetValue(0), c.space == 5 ? 53.2f : 53.0f);
  }
}

}  // namespace
