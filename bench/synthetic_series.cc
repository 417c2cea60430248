#include "bench/synthetic_series.h"

#include <cmath>
#include <string>

namespace {

LanguageStringSet Names(const std::string& stem) {
  LanguageStringSet set;
  for (size_t i = 0; i < set.size(); ++i) {
    set[i] = stem + " (" + std::to_string(i) + ")";
  }
  return set;
}

// A smooth rising curve through 4096 output levels.
OutputTable Curve(size_t seed) {
  OutputTable table{};
  double gamma = 0.8 + 0.01 * static_cast<double>(seed % 40);
  for (size_t i = 0; i < table.size(); ++i) {
    double x = static_cast<double>(i) / (table.size() - 1);
    table[i] = static_cast<std::uint16_t>(4095.0 * std::pow(x, gamma));
  }
  return table;
}

}  // namespace

SyntheticShape ScaledSyntheticShape(size_t factor) {
  SyntheticShape shape;
  shape.media *= factor;
  return shape;
}

DeviceSeries MakeSyntheticSeries(const SyntheticShape& shape) {
  DeviceSeries series;
  for (size_t i = 0; i < shape.models; ++i) {
    ModelInfo model;
    model.strLongModelName = "Model " + std::to_string(i);
    model.strMIBModelName = "MIB-" + std::to_string(i);
    model.strFolderName = "model" + std::to_string(i);
    model.dMaxWidth = 1371.6 + static_cast<double>(i);
    model.nHeadNum = 2;
    for (size_t slot = 0; slot < model.nHeadPositionIndex.size(); ++slot) {
      model.nHeadPositionIndex[slot] = static_cast<std::int32_t>(slot % 8);
      model.nDefaultInkIndex[slot] = static_cast<std::int32_t>(slot % 6);
    }
    model.bCutFeature = true;
    model.strPPDFile = "model" + std::to_string(i) + ".ppd";
    model.strRequiredFirmwareVersion = "1.2.3";
    series.aModelInfoList.push_back(model);
  }
  const char* shortNames[] = {"C", "M", "Y", "K", "Lc", "Lm"};
  for (size_t i = 0; i < shape.inks; ++i) {
    InkInfo ink;
    ink.nInkIndex = static_cast<std::int32_t>(i);
    ink.strLongInkName = Names("Ink " + std::to_string(i));
    ink.strShortInkName = shortNames[i % 6];
    ink.flPrice = 12.5f;
    ink.nCapacity = 440;
    series.aInkInfoList.push_back(ink);
  }
  for (size_t i = 0; i < shape.inkConfigs; ++i) {
    InkConfigInfo config;
    config.nInkConfigIndex = static_cast<std::int32_t>(i);
    config.strInkConfigName = Names("Config " + std::to_string(i));
    config.strFolderName = "config" + std::to_string(i);
    series.aInkConfigInfoList.push_back(config);
  }
  for (size_t i = 0; i < shape.resolutions; ++i) {
    ResolutionInfo resolution;
    resolution.nResolutionIndex = static_cast<std::int32_t>(i);
    resolution.strResolutionName = Names("Resolution " + std::to_string(i));
    resolution.flScanResolution = 720.0f;
    resolution.flFeedResolution = 1440.0f;
    series.aResolutionInfoList.push_back(resolution);
  }
  for (size_t i = 0; i < shape.modes; ++i) {
    ModeInfo mode;
    mode.nModeIndex = static_cast<std::int32_t>(i);
    mode.strModeName = "Mode " + std::to_string(i);
    mode.nInkNum = 6;
    mode.strDotSize = "S,M,L";
    mode.aUVLampPowerList[1].nForwardPower = 80;
    series.aModeInfoList.push_back(mode);
  }
  for (size_t i = 0; i < shape.separations; ++i) {
    SeparationInfo separation;
    separation.nSeparationIndex = static_cast<std::int32_t>(i);
    separation.strSeparationName = Names("Separation " + std::to_string(i));
    separation.nOutputChannel =
        static_cast<std::int32_t>(shape.tablesPerSeparation);
    for (size_t t = 0; t < shape.tablesPerSeparation; ++t) {
      SeparationTable table;
      table.nInputChannelNum = static_cast<std::int32_t>(t);
      table.eType = 1;
      table.usOutputTable = Curve(i * 7 + t);
      table.dStart = 0.125;
      table.strInputChannel = shortNames[t % 6];
      table.nInkIndex = static_cast<std::int32_t>(t);
      separation.aSeparationTableList.push_back(table);
      separation.anInputChannelInkIndexList.push_back(
          static_cast<std::int32_t>(t));
    }
    series.aSeparationInfoList.push_back(separation);
  }
  for (size_t i = 0; i < shape.vcontrolPoints; ++i) {
    VControlPoint point;
    point.nVControlIndex = static_cast<std::int32_t>(i);
    point.dSmallPeak = 1.25;
    point.dLargeEndMax = 9.5;
    series.aVControlPointList.push_back(point);
  }
  for (size_t i = 0; i < shape.patterns; ++i) {
    series.aPatternInfoList.push_back(
        PatternInfo{static_cast<std::int32_t>(i), 64, 64,
                    "pattern" + std::to_string(i) + ".fm"});
  }
  series.commandSet.strInitialize = std::string("\x1B@\x00", 3);
  series.commandSet.strCancel =
      "\x1B"
      "C";
  for (size_t m = 0; m < shape.media; ++m) {
    MediaInfo media;
    media.strMediaName = Names("Medium " + std::to_string(m));
    media.strBaseMediaName = Names("Base " + std::to_string(m % 10));
    for (size_t p = 0; p < shape.permissionSetsPerMedium; ++p) {
      PermissionSet permission;
      permission.nPermissionIndex = static_cast<std::int32_t>(p);
      permission.anInkConfigIndexList = {0, 1};
      permission.nResolutionIndex = static_cast<std::int32_t>(p % 10);
      permission.nModeIndex = static_cast<std::int32_t>(p % 40);
      permission.eDirection = 3;
      permission.eScreen = 8;
      permission.anVControlIndexList = {1, 2};
      permission.anFMPatternIndexList = {0};
      permission.nSeparationIndex = static_cast<std::int32_t>(p % 64);
      for (size_t c = 0; c < shape.calibrationsPerPermissionSet; ++c) {
        CalibrationInfo calibration;
        calibration.nOutputLimit = 4000;
        for (size_t s = 0; s < calibration.density.size(); ++s) {
          calibration.density[s] = 0.05f * static_cast<float>(s);
          calibration.lab[s] = {95.0f - 4.0f * static_cast<float>(s), 1.5f,
                                -2.25f};
        }
        permission.aCalibrationInfoList.push_back(calibration);
      }
      permission.strPrinterProfile = "profile" + std::to_string(p) + ".icc";
      permission.screenOption.bUseCustomSetting = true;
      permission.screenOption.flDegrees = {15, 45, 90, 75, 45, 45};
      media.aPermissionSetList.push_back(permission);
    }
    for (size_t q = 0; q < shape.qualityLevelsPerMedium; ++q) {
      QualityInfo quality;
      quality.nQualityLevel = static_cast<std::int32_t>(q);
      quality.strQualityName = Names("Quality " + std::to_string(q));
      quality.anPermissionIndexList = {0, 1, 2};
      media.aQualityInfoList.push_back(quality);
    }
    media.aflFeedCalibration.assign(shape.models, 0.25f);
    media.TimeStamp = {2026, 12, 8, 17, 52, 33, 5};
    series.aMediaInfoList.push_back(media);
  }
  for (size_t i = 0; i < shape.printChartSets; ++i) {
    series.aPrintChartFileInfoSetList.push_back(PrintChartFileInfoSet{
        static_cast<std::int32_t>(i), "cal.prn", "limit.prn", "test.prn"});
  }
  for (size_t i = 0; i < shape.inkVolumes; ++i) {
    InkVolumeInfo volume;
    volume.nInkVolumeIndex = static_cast<std::int32_t>(i);
    volume.astrInkVolumeList = {"4", "7", "12"};
    series.aInkVolumeInfoList.push_back(volume);
  }
  series.strFirmwareDownloadURL = Names("http://example.invalid/firmware");
  return series;
}
