#pragma once

#include <optional>
#include <string>

// Where a running animation export reports its progress: the interface's progress panel, or a
// test. Main thread only.
class MVAnimationExportProgress {
public:
  enum class Outcome {
    Written,    // every frame is in the file (or files)
    Cancelled,  // stopped by the user: nothing new was left on disk
    Failed,     // stopped by a failure (already alerted): nothing new was left on disk
  };

  virtual ~MVAnimationExportProgress() = default;
  // `fraction` 0 to 1 for a determinate bar, nullopt for an indeterminate one.
  virtual void animationExportProgress(const std::string& leftLabel, const std::string& rightLabel,
                                       std::optional<double> fraction) = 0;
  // The export is over and the document is restored; the progress panel closes.
  virtual void animationExportFinished(Outcome outcome) = 0;
};
