#include "app/table_calibration.h"

#include "calibration/calibration.h"
#include "calibration/calibration_file.h"
#include "files/replaced_file.h"

std::string calibrateTable(const GenotypeTables& tables, RankedTable& table,
                           const TableOptions& options, unsigned threads,
                           RankingListener* rankings) {
  if (options.calibrate == 0) return "";
  SimulationSettings settings;
  settings.seed = options.seed;
  settings.errorRate = options.simError < 0 ? options.settings.errorRate : options.simError;
  settings.sampledMothers = options.settings.sampledMothers;
  settings.sampledFathers = options.settings.sampledFathers;
  // The table's own settings: --max-mismatches auto has set the scope from
  // the data there.
  const RankingSettings ranking = table.settings();
  const Calibration calibration = calibrate(tables, table.frequencies(), ranking,
                                            table.knownMothers(), settings, options.calibrate,
                                            threads);
  table.useThresholds(calibration.thresholds());
  if (rankings != nullptr) rankings->calibrated(calibration);
  const std::string path = calibrationPath(options.table);
  ReplacedFile file(path);
  std::string text = calibrationText(calibration, tables, ranking);
  file.sink().write(text);
  const bool closed = file.sink().close();
  return file.commit() && closed ? "" : path;
}
