#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pf {

// Turns EPS into PDF by running Ghostscript (`gs`) as a separate process: the PostScript
// interpreter never runs inside ours. Always with -dSAFER (no file access beyond its input and
// output), -dBATCH -dNOPAUSE, the pdfwrite device and -dEPSCrop (the page is the EPS bounding
// box); no shell is involved, input and output go through a private temporary folder, and the
// process is killed when it exceeds its time limit.
class Ghostscript {
public:
  static constexpr std::chrono::milliseconds kDefaultTimeLimit{30000};

  // The PDF bytes, or nullopt with a log line saying why: `gs` is not installed, it failed (its
  // first message is quoted), it ran out of time, or it produced nothing.
  static std::optional<std::vector<std::uint8_t>> convertEpsToPdf(std::span<const std::uint8_t> eps,
                                                                  std::chrono::milliseconds timeLimit = kDefaultTimeLimit);
  // True when a `gs` executable is found on the PATH.
  static bool isAvailable();
};

}  // namespace pf
