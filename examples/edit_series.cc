// Edits a device series and writes it to a new file: a plain value (the
// first medium's drying time) and a curve (an output table lowered to 95 %,
// edited by the samples the file stores). Reads the new file back and
// checks that it holds what was edited.
//
//   edit_series IN.dsr OUT.dsr
#include <devseries/devseries.h>

#include <cmath>
#include <cstdint>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: edit_series IN.dsr OUT.dsr\n";
    return 2;
  }
  devseries::DeviceSeries series;
  if (const devseries::Status status = devseries::ReadSeries(argv[1], series);
      !status.ok()) {
    std::cerr << status.ToString() << '\n';
    return 1;
  }

  // The curve: the first output table the file carries (the others are
  // not stored).
  devseries::SeparationTable* stored = nullptr;
  for (devseries::SeparationInfo& separation : series.aSeparationInfoList) {
    for (devseries::SeparationTable& table : separation.aSeparationTableList) {
      if (!stored &&
          table.eType ==
              devseries::ToCode(
                  devseries::SeparationTableType::kOutputTableInFile)) {
        stored = &table;
      }
    }
  }
  if (series.aMediaInfoList.empty() || !stored) {
    std::cerr << argv[1] << ": no medium or no stored output table to edit\n";
    return 1;
  }

  devseries::MediaInfo& medium = series.aMediaInfoList[0];
  medium.nDryTime += 30;

  // A file stores 256 samples of the table's 4096 levels: scale those, and
  // SetSamples rebuilds the levels from them as a read of the file would.
  devseries::OutputTableSamples samples =
      devseries::Samples(stored->usOutputTable);
  for (std::uint16_t& sample : samples) {
    sample = static_cast<std::uint16_t>(std::lround(sample * 0.95));
  }
  devseries::SetSamples(stored->usOutputTable, samples);

  if (const devseries::Status status = devseries::WriteSeries(series, argv[2]);
      !status.ok()) {
    std::cerr << status.ToString() << '\n';
    return 1;
  }
  devseries::DeviceSeries back;
  if (const devseries::Status status = devseries::ReadSeries(argv[2], back);
      !status.ok()) {
    std::cerr << status.ToString() << '\n';
    return 1;
  }
  if (!devseries::StoredEqual(series, back)) {
    std::cerr << argv[2] << ": reads back otherwise than written\n";
    return 1;
  }
  std::cout << argv[2] << ": drying time " << back.aMediaInfoList[0].nDryTime
            << ", output table at 95 %; read back as written\n";
  return 0;
}
