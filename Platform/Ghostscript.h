#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pf {

// Turns EPS into PDF by running Ghostscript (`gs`) as a separate process: the PostScript
// interpreter never runs inside ours. Always with -dSAFER (no file access beyond its input and
// output), -dBATCH -dNOPAUSE, the pdfwrite device and -dEPSCrop (the page is the EPS bounding
// box); no shell is involved. The process works in a private temporary folder (its TMPDIR too),
// removed afterwards whatever happened; it is killed at its time limit, may write at most
// kMaxOutputBytes to any one file and use kMemoryLimit of address space, and its messages are
// read through a pipe of which only the first kMaxMessageBytes are kept. Each result, failures
// included, is remembered by the EPS bytes and time limit for the rest of the process (a few
// dozen conversions, least recently used first out). Safe to call from any thread; at most one
// gs process runs at a time in the whole process, and the others wait for it (each one's time
// limit counts from its own start).
class Ghostscript {
public:
  static constexpr std::chrono::milliseconds kDefaultTimeLimit{30000};
  static constexpr unsigned long kMaxOutputBytes = 128ul << 20;
  static constexpr unsigned long kMemoryLimit = 2048ul << 20;
  static constexpr std::size_t kMaxMessageBytes = 4096;

  // The PDF bytes, or nullopt with a log line saying why: `gs` is not installed, it failed (its
  // first message is quoted), it ran out of time, wrote too much, or produced nothing. A result
  // remembered from an earlier call is answered at once (a failure with its log line again).
  static std::optional<std::vector<std::uint8_t>> convertEpsToPdf(std::span<const std::uint8_t> eps,
                                                                  std::chrono::milliseconds timeLimit = kDefaultTimeLimit);
  // True when a `gs` executable is found on the PATH.
  static bool isAvailable();
};

}  // namespace pf
