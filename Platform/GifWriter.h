#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Platform/Bitmap.h"

namespace pf {

// Writes a GIF into memory, one frame at a time: a single picture, or an animation with a loop
// count and a delay per frame. Each frame gets its own palette of at most 256 colours
// (quantised with libimagequant and dithered); pixels below half alpha become the frame's
// transparent index, the others are made opaque. Frames replace each other whole (each one is
// cleared before the next is shown), so frames that differ in transparency never bleed.
class GifWriter {
public:
  // `loopCount`: nullopt writes no loop record (a still picture, or an animation that plays
  // once); 0 loops forever; n repeats n times after the first showing.
  GifWriter(int width, int height, std::optional<int> loopCount);
  ~GifWriter();
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // Appends a frame; `delaySeconds` is rounded to the format's hundredths (negative or NaN
  // counts as 0). A frame of another size than the writer's, or one added after `finish`, is
  // refused. False (logged) on any failure; after a failure to encode, the writer refuses
  // further frames and `finish` answers nullopt.
  bool addFrame(const Bitmap& frame, double delaySeconds);

  // Closes the file and answers its bytes; nullopt (logged) without frames or after a failure.
  std::optional<std::vector<std::uint8_t>> finish();

private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pf
