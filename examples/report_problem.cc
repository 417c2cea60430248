// Reads a device series and reports what the read found: why the file
// cannot be read, or each value it had to coerce, where it stands in the
// file ("FILE:LINE: PATH: message").
//
//   report_problem FILE.dsr     exit 1 when the file cannot be read
#include <devseries/devseries.h>

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: report_problem FILE.dsr\n";
    return 2;
  }
  devseries::ReadOptions options;
  options.warnings = true;
  devseries::DeviceSeries series;
  const devseries::Status status =
      devseries::ReadSeries(argv[1], series, options);
  if (!status.ok()) {
    std::cerr << status.ToString() << '\n';
    return 1;
  }
  for (const devseries::StatusWarning& warning : status.warnings()) {
    std::cout << status.ToString(warning) << '\n';
  }
  if (status.warningsLeftOut() > 0) {
    std::cout << "... and " << status.warningsLeftOut() << " more\n";
  }
  std::cout << argv[1] << ": read, values coerced: "
            << status.warnings().size() + status.warningsLeftOut() << '\n';
  return 0;
}
