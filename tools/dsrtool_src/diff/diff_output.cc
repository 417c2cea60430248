#include "tools/dsrtool_src/diff/diff_output.h"

#include <algorithm>
#include <ostream>

#include "tools/dsrtool_src/tool_error.h"

namespace dsrtool {

namespace {

// ANSI SGR sequences.
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kRed = "\x1b[31m";
constexpr std::string_view kGreen = "\x1b[32m";
constexpr std::string_view kYellow = "\x1b[33m";
constexpr std::string_view kReset = "\x1b[0m";

// `text` in `colour` when `on`.
std::string Painted(std::string_view text, std::string_view colour, bool on) {
  if (!on) return std::string(text);
  std::string painted;
  painted.reserve(colour.size() + text.size() + kReset.size());
  painted.append(colour).append(text).append(kReset);
  return painted;
}

// "1 value", "2 values".
std::string Counted(size_t count, std::string_view one, std::string_view many) {
  return Thousands(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

std::string Thousands(size_t count) {
  std::string digits = std::to_string(count);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string DifferenceLine(const Difference& difference, bool colour) {
  if (!colour) return difference.ToString();
  const std::string path = Painted(difference.path, kBold, true);
  switch (difference.kind) {
    case Difference::kChanged:
      return path + ": " + Painted(difference.before, kRed, true) + " -> " +
             Painted(difference.after, kGreen, true);
    case Difference::kRenamed:
      return path + ": renamed " + Painted(difference.before, kRed, true) +
             " -> " + Painted(difference.after, kGreen, true);
    case Difference::kRemoved:
      return Painted(difference.ToString(), kRed, true);
    case Difference::kAdded:
      return Painted(difference.ToString(), kGreen, true);
    case Difference::kDuplicate:
      break;
  }
  return Painted(difference.ToString(), kYellow, true);
}

void DifferencePrinter::Found(const Difference& difference,
                              const DifferencePlace&) {
  if (maxLines_ == 0 || found_ < maxLines_) {
    out_ << DifferenceLine(difference, colour_) << '\n';
    // A reader that has gone (a pager quit) ends the comparison.
    if (!out_) Flush(out_);
  }
  ++found_;
}

void DifferencePrinter::Finish() {
  if (maxLines_ == 0 || found_ <= maxLines_) return;
  const size_t more = found_ - maxLines_;
  out_ << "... " << Counted(more, "more difference", "more differences")
       << " not shown; --stat summarises, --max-lines 0 shows all\n";
}

void DifferenceSummary::Found(const Difference& difference,
                              const DifferencePlace& place) {
  ++found_;
  auto group =
      std::find_if(groups_.begin(), groups_.end(),
                   [&](const Group& g) { return g.name == place.group; });
  if (group == groups_.end()) {
    groups_.push_back({place.group, place.list});
    group = groups_.end() - 1;
  }
  if (difference.kind == Difference::kDuplicate) {
    ++group->shared;
    return;
  }
  if (place.whole) {
    switch (difference.kind) {
      case Difference::kRemoved:
        ++group->removed;
        break;
      case Difference::kAdded:
        ++group->added;
        break;
      case Difference::kRenamed:
        ++group->renamed;
        break;
      default:
        break;
    }
    return;
  }
  ++group->values;
  if (!group->anyRecord || group->lastRecord != place.record) {
    ++group->records;
    group->anyRecord = true;
    group->lastRecord = place.record;
  }
}

void DifferenceSummary::Print(std::ostream& out, bool colour) const {
  size_t width = 0;
  for (const Group& group : groups_) width = std::max(width, group.name.size());
  for (const Group& group : groups_) {
    std::string line = Painted(std::string(group.name) + ":", kBold, colour);
    line.append(width - group.name.size() + 2, ' ');
    if (!group.list) {
      out << line << Counted(group.values, "value", "values") << " changed\n";
      continue;
    }
    line += Counted(group.records, "record", "records") + " changed";
    if (group.values > 0) {
      line += " (" + Counted(group.values, "value", "values") + ")";
    }
    if (group.renamed > 0) line += ", " + Thousands(group.renamed) + " renamed";
    line += ", " + Painted(Thousands(group.added) + " added", kGreen,
                           colour && group.added > 0);
    line += ", " + Painted(Thousands(group.removed) + " removed", kRed,
                           colour && group.removed > 0);
    if (group.shared > 0) {
      line += "; " + Counted(group.shared, "key shared", "keys shared") +
              " by several records";
    }
    out << line << '\n';
  }
}

}  // namespace dsrtool
