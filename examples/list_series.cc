// Lists what a device series holds: its models, inks and media, by name.
//
//   list_series FILE.dsr
#include <devseries/devseries.h>

#include <cstddef>
#include <iostream>

namespace {

// A language set holds one text per language; entry 0 is the English one.
constexpr std::size_t kEnglish = 0;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: list_series FILE.dsr\n";
    return 2;
  }
  devseries::DeviceSeries series;
  const devseries::Status status = devseries::ReadSeries(argv[1], series);
  if (!status.ok()) {
    std::cerr << status.ToString() << '\n';
    return 1;
  }

  std::cout << series.aModelInfoList.size() << " models\n";
  for (const devseries::ModelInfo& model : series.aModelInfoList) {
    std::cout << "  " << model.strLongModelName << '\n';
  }
  std::cout << series.aInkInfoList.size() << " inks\n";
  for (const devseries::InkInfo& ink : series.aInkInfoList) {
    std::cout << "  " << ink.strShortInkName << "  "
              << ink.strLongInkName[kEnglish] << '\n';
  }
  std::cout << series.aMediaInfoList.size() << " media\n";
  for (const devseries::MediaInfo& medium : series.aMediaInfoList) {
    std::cout << "  " << medium.strMediaName[kEnglish] << '\n';
  }
  return 0;
}
