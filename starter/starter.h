// The starter's run: read kivo.xml, clean stale versions, start the target.
#ifndef KIVO_STARTER_STARTER_H_
#define KIVO_STARTER_STARTER_H_

#include <string>

/// What to start: filled by load_config (version, path, file) and by
/// run_starter (params).
struct TargetRecord {
  std::string version;
  std::string path;
  std::string file;
  std::string params;
};

extern TargetRecord TargetInfo;

/// Reads kivo.xml beside the executable.  On success fills version, path and
/// file of TargetInfo and returns true; on failure logs why and returns false
/// with TargetInfo untouched.
bool load_config();

/// load_config for the kivo.xml in |dir|.
bool load_config_from(const std::string& dir);

/// The whole run: configuration, cleanup, parameter line, start of the
/// target.  Every step is logged; returns true when the target started.
bool run_starter(int argc, char** argv);

#endif  // KIVO_STARTER_STARTER_H_
