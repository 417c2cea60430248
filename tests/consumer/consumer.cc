// Writes a device series with one model and one medium, reads it back and
// checks what came back; catches a colour error thrown inside the library.
// Uses the library as an outside program would: the installed headers, no
// string table of its own (the library's default table names the languages).
//
//   consumer FILE.dsr     exit code 0 when everything held
#include <devseries/color/cmyk_color.h>
#include <devseries/color/color_exceptions.h>
#include <devseries/device_series.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: consumer FILE.dsr\n");
    return 2;
  }
  const std::string path = argv[1];

  devseries::DeviceSeries series;
  devseries::ModelInfo model;
  model.nHeadNum = 4;
  series.aModelInfoList.push_back(model);
  devseries::MediaInfo media;
  media.strMediaName[0] = "Glossy";
  series.aMediaInfoList.push_back(media);
  if (!devseries::DeviceSeriesIO2(path).Write(series)) {
    std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
    return 1;
  }

  devseries::DeviceSeries back;
  devseries::DeviceSeriesIO2 reader(path);
  if (!reader.Read(back)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(),
                 reader.Report().error.ToString().c_str());
    return 1;
  }
  if (back.aModelInfoList.size() != 1 || back.aModelInfoList[0].nHeadNum != 4 ||
      back.aMediaInfoList.size() != 1 ||
      back.aMediaInfoList[0].strMediaName[0] != "Glossy") {
    std::fprintf(stderr, "%s: read back differs\n", path.c_str());
    return 1;
  }

  // The records compare as values (C++17 and C++20 alike).
  devseries::DeviceSeries copy = back;
  if (copy != back || !(copy == back)) {
    std::fprintf(stderr, "a copy compares unequal\n");
    return 1;
  }
  copy.aMediaInfoList[0].strMediaName[0] = "Matte";
  if (copy == back) {
    std::fprintf(stderr, "a changed copy compares equal\n");
    return 1;
  }

  // An error type of the library caught here, across the library boundary.
  devseries::CMYKColor cmyk;
  try {
    cmyk.GetValue(7);
    std::fprintf(stderr, "no InvalidIndexException\n");
    return 1;
  } catch (const devseries::InvalidIndexException&) {
  }
  std::printf("read back 1 model and medium \"%s\"\n",
              back.aMediaInfoList[0].strMediaName[0].c_str());
  return 0;
}
