// A small device series such as a printer's file holds, for the tests of
// dsrtool's report: curved output tables, calibrated permission sets,
// VControl points, and a medium whose name needs escaping in HTML.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "devseries/device_series.h"

namespace tovra::testing {

// The English name of the second medium.
inline constexpr const char* kEscapedMediumName = "Vinyl <&\"> gloss";

inline devseries::DeviceSeries MakeReportSeries() {
  using namespace devseries;
  DeviceSeries series;
  for (const char* name : {"VX-640", "VX-540"}) {
    ModelInfo model;
    model.strLongModelName = name;
    model.strMIBModelName = std::string("Vintrell ") + name;
    model.dMaxWidth = 1625.6;
    model.nHeadNum = 2;
    model.bCutFeature = true;
    series.aModelInfoList.push_back(model);
  }
  const char* inks[] = {"C", "M", "Y", "K"};
  const InkRGB light[] = {
      {160, 220, 240}, {240, 170, 210}, {250, 245, 160}, {150, 150, 150}};
  const InkRGB dark[] = {
      {0, 150, 210}, {210, 0, 120}, {240, 220, 0}, {20, 20, 20}};
  for (std::int32_t i = 0; i < 4; ++i) {
    InkInfo ink;
    ink.nInkIndex = i;
    ink.strShortInkName = inks[i];
    ink.strLongInkName.fill(std::string("Ink ") + inks[i]);
    ink.lightColor = light[i];
    ink.darkColor = dark[i];
    ink.flPrice = 59.5f;
    ink.nCapacity = 440;
    series.aInkInfoList.push_back(ink);
  }
  for (std::int32_t i = 0; i < 2; ++i) {
    ResolutionInfo resolution;
    resolution.nResolutionIndex = i;
    resolution.strResolutionName.fill(i == 0 ? "720 x 720" : "720 x 1440");
    resolution.flScanResolution = 720;
    resolution.flFeedResolution = i == 0 ? 720 : 1440;
    series.aResolutionInfoList.push_back(resolution);
    ModeInfo mode;
    mode.nModeIndex = i;
    mode.strModeName = i == 0 ? "Standard" : "Fine";
    mode.nInkNum = 4;
    mode.nInkIndexList = {0, 1, 2, 3};
    mode.nPassesPerLine = 4 << i;
    series.aModeInfoList.push_back(mode);
  }
  for (std::int32_t s = 0; s < 2; ++s) {
    SeparationInfo separation;
    separation.nSeparationIndex = s;
    separation.strSeparationName.fill(s == 0 ? "CMYK" : "CMYK light");
    separation.nOutputChannel = 4;
    for (std::int32_t k = 0; k < 4; ++k) {
      SeparationTable table;
      table.nInputChannelNum = k;
      // The last channel of the second separation stores no curve.
      table.eType = s == 1 && k == 3 ? 0 : 1;
      table.strInputChannel = inks[k];
      table.nInkIndex = k;
      const double gamma = 0.6 + 0.25 * k + 0.1 * s;
      for (size_t i = 0; i < table.usOutputTable.size(); ++i) {
        const double x = static_cast<double>(i) / 4095.0;
        table.usOutputTable[i] = static_cast<std::uint16_t>(
            std::lround(4095.0 * std::pow(x, gamma)));
      }
      separation.aSeparationTableList.push_back(table);
      separation.anInputChannelInkIndexList.push_back(k);
    }
    series.aSeparationInfoList.push_back(separation);
  }
  for (std::int32_t i = 0; i < 3; ++i) {
    VControlPoint point;
    point.nVControlIndex = i;
    point.dSmallStart = 0;
    point.dSmallPeak = 20 + 5 * i;
    point.dSmallMax = 30 + 5 * i;
    point.dSmallEnd = 45;
    point.dSmallEndMax = 50;
    point.dMediumStart = 25;
    point.dMediumPeak = 50 + 5 * i;
    point.dMediumMax = 60;
    point.dMediumEnd = 75;
    point.dMediumEndMax = 80 - 5 * i;
    point.dLargeStart = 50;
    point.dLargePeak = 80;
    point.dLargeMax = 90 + 3 * i;
    point.dLargeEnd = 100;
    point.dLargeEndMax = 100;
    series.aVControlPointList.push_back(point);
  }
  for (std::int32_t m = 0; m < 2; ++m) {
    MediaInfo media;
    media.strMediaName.fill(m == 0 ? "Banner 510" : kEscapedMediumName);
    media.strBaseMediaName.fill("Vinyl");
    media.aflFeedCalibration = {0.25f, -0.125f};
    media.TimeStamp = {2024, 3, 14, 9, 26, 53, 589};
    for (std::int32_t p = 0; p < 2; ++p) {
      PermissionSet permission;
      permission.nPermissionIndex = p;
      permission.nModeIndex = p;
      permission.nResolutionIndex = p;
      permission.nSeparationIndex = p;
      permission.anInkConfigIndexList = {0};
      for (std::int32_t k = 0; k < 4; ++k) {
        CalibrationInfo calibration;
        calibration.nOutputLimit = 3800 + 50 * k;
        for (size_t s = 0; s < kCalibrationStepCount; ++s) {
          const float t = static_cast<float>(s) / 20.0f;
          calibration.density[s] = (1.2f + 0.3f * static_cast<float>(k) +
                                    0.1f * static_cast<float>(m)) *
                                   std::sqrt(t);
          const float angle = 0.4f + 1.6f * static_cast<float>(k + p);
          calibration.lab[s] = {
              95.0f - (40.0f + 10.0f * static_cast<float>(k)) * t,
              60.0f * t * std::cos(angle), 60.0f * t * std::sin(angle)};
        }
        permission.aCalibrationInfoList.push_back(calibration);
      }
      media.aPermissionSetList.push_back(permission);
    }
    QualityInfo quality;
    quality.nQualityLevel = 1;
    quality.strQualityName.fill("Quality");
    quality.anPermissionIndexList = {0, 1};
    media.aQualityInfoList.push_back(quality);
    series.aMediaInfoList.push_back(media);
  }
  return series;
}

}  // namespace tovra::testing
