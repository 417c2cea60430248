// The XML form of colour values.
//
// A channel is an empty element named after the channel whose "VALUE"
// attribute holds the number. A colour element holds one channel element per
// channel, in channel index order, and nothing else:
//
//   RGB     "RGBColor"     R G B          decimal integers
//   CMYK    "CMYKColor"    C M Y K        decimal integers
//   CMYKOG  "CMYKOGColor"  C M Y K O G    decimal integers
//   Lab     "LabColor"     L a b          fixed point, two decimals
//
// A colour element is either typed (named after its space as above) or named
// by the caller. Writers create the nodes in `doc` and return the new element
// unattached; the caller appends it. Readers take the colour element and
// return a new colour that the caller owns (delete it, or wrap it in a
// std::unique_ptr at once). DOM failures, including a null element, raise
// _com_error. Number text is written and read independently of the
// process locale; malformed numbers read as their leading numeric part or 0.
#pragma once

#include <string_view>

#include "devseries/color/abstract_color.h"
#include "devseries/color/cmyk_color.h"
#include "devseries/color/cmykog_color.h"
#include "devseries/color/lab_color.h"
#include "devseries/color/rgb_color.h"
#include "devseries/xmlio/dom_types.h"

#pragma GCC visibility push(default)
namespace devseries {

// An element `strChannelName` whose "VALUE" attribute holds `nValue` in
// decimal ("-7", "255").
DomNode WriteColorChannel(DomDocument& doc, std::string_view strChannelName,
                          int nValue);
// An element `strChannelName` whose "VALUE" attribute holds `dblValue` in
// fixed point with exactly two decimals ("50.00", "-4.50").
DomNode WriteColorChannelReal(DomDocument& doc, std::string_view strChannelName,
                              double dblValue);

// A colour element named `strElementName` with the channels of `color`.
DomNode WriteRGBColorAs(DomDocument& doc, std::string_view strElementName,
                        const RGBColor& color);
DomNode WriteCMYKColorAs(DomDocument& doc, std::string_view strElementName,
                         const CMYKColor& color);
DomNode WriteCMYKOGColorAs(DomDocument& doc, std::string_view strElementName,
                           const CMYKOGColor& color);
DomNode WriteLabColorAs(DomDocument& doc, std::string_view strElementName,
                        const LabColor& color);

// A colour element named `strElementName` in the form of the colour's space
// (selected by GetColorSpace). For a space code other than 0, 2, 4 and 5
// nothing is created and the result is a null node.
DomNode WriteColorAs(DomDocument& doc, std::string_view strElementName,
                     const AbstractColor& color);
// As WriteColorAs, named after the space ("RGBColor", "CMYKColor",
// "CMYKOGColor", "LabColor").
DomNode WriteColorElement(DomDocument& doc, const AbstractColor& color);

// Read the channels of a colour element, whatever its name. Children are
// matched to channels by their exact, case-sensitive name, in any order; the
// last of repeated names wins; other children, non-elements and children
// without "VALUE" are skipped, and missing channels are 0. Integer channels
// read with atoi rules and are stored through SetValue (low 8 bits, so 300
// reads as 44); Lab channels read with atof rules, values beyond the float
// range becoming infinities. The caller owns the result.
[[nodiscard]] RGBColor* ReadRGBColor(DomNode element);
[[nodiscard]] CMYKColor* ReadCMYKColor(DomNode element);
[[nodiscard]] CMYKOGColor* ReadCMYKOGColor(DomNode element);
[[nodiscard]] LabColor* ReadLabColor(DomNode element);

// Reads a typed "RGBColor", "CMYKColor" or "CMYKOGColor" element with the
// matching reader. Any other name, "LabColor" included, gives null (read a
// Lab element with ReadLabColor). The caller owns the result.
[[nodiscard]] AbstractColor* ReadColorElement(DomNode element);

// An RGB colour element named `strElementName` from a packed value: red in
// bits 0 to 7, green in bits 8 to 15, blue in bits 16 to 23; bits 24 to 31
// are ignored.
DomNode WriteRGBValue(DomDocument& doc, std::string_view strElementName,
                      int nPackedRGB);
// The channels of an RGB colour element packed as WriteRGBValue takes them;
// bits 24 to 31 are 0.
int ReadRGBValue(DomNode element);

}  // namespace devseries
#pragma GCC visibility pop
