// A large synthetic device series with every record kind filled, for
// measuring the device-series reader and writer.
#pragma once

#include <cstddef>

#include "devseries/device_series.h"

using namespace devseries;

struct SyntheticShape {
  size_t models = 20;
  size_t inks = 12;
  size_t inkConfigs = 8;
  size_t resolutions = 10;
  size_t modes = 40;
  size_t separations = 64;
  size_t tablesPerSeparation = 6;
  size_t vcontrolPoints = 16;
  size_t patterns = 8;
  size_t media = 200;
  size_t permissionSetsPerMedium = 40;
  size_t calibrationsPerPermissionSet = 2;
  size_t qualityLevelsPerMedium = 4;
  size_t printChartSets = 8;
  size_t inkVolumes = 8;
};

// The default shape with `factor` times as many media (media make up most of
// the file): the file and the document in memory grow about linearly with
// `factor`, about 80 MB of file for each unit.
SyntheticShape ScaledSyntheticShape(size_t factor);

DeviceSeries MakeSyntheticSeries(const SyntheticShape& shape);
