#include "Platform/GifWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <gif_lib.h>
#include <libimagequant.h>

#include "Platform/Log.h"

namespace pf {

namespace {

int gifOutput(GifFileType* gif, const GifByteType* data, int length)
{
  auto* output = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
  output->insert(output->end(), data, data + length);
  return length;
}

struct LiqAttrDeleter {
  void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct LiqImageDeleter {
  void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct LiqResultDeleter {
  void operator()(liq_result* result) const { liq_result_destroy(result); }
};
struct ColorMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
struct GifFileDeleter {
  void operator()(GifFileType* gif) const
  {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};

// One frame as palette indexes plus its palette.
struct IndexedFrame {
  std::vector<GifByteType> indexes;
  std::vector<GifColorType> palette;
  int transparentIndex = NO_TRANSPARENT_COLOR;
};

std::optional<IndexedFrame> quantize(const Bitmap& frame)
{
  const int width = frame.width();
  const int height = frame.height();
  // GIF has one transparent index: below half alpha is transparent, the rest opaque.
  std::unique_ptr<std::uint8_t[]> rgba = frame.toStraightRgba();
  const std::size_t count = static_cast<std::size_t>(width) * height;
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* p = rgba.get() + i * 4;
    if (p[3] < 128) {
      std::memset(p, 0, 4);
    } else {
      p[3] = 255;
    }
  }
  std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
  if (!attr) {
    log("Error, GIF encoding failed: quantiser could not start");
    return std::nullopt;
  }
  liq_set_max_colors(attr.get(), 256);
  std::unique_ptr<liq_image, LiqImageDeleter> image(liq_image_create_rgba(attr.get(), rgba.get(), width, height, 0));
  if (!image) {
    log("Error, GIF encoding failed: quantiser refused a %d x %d image", width, height);
    return std::nullopt;
  }
  liq_result* rawResult = nullptr;
  const liq_error quantized = liq_image_quantize(image.get(), attr.get(), &rawResult);
  std::unique_ptr<liq_result, LiqResultDeleter> result(rawResult);
  if (quantized != LIQ_OK || !result) {
    log("Error, GIF encoding failed: quantisation error %d", static_cast<int>(quantized));
    return std::nullopt;
  }
  liq_set_dithering_level(result.get(), 1.0f);
  IndexedFrame indexed;
  indexed.indexes.resize(count);
  if (liq_write_remapped_image(result.get(), image.get(), indexed.indexes.data(), count) != LIQ_OK) {
    log("Error, GIF encoding failed: remapping error");
    return std::nullopt;
  }
  const liq_palette* palette = liq_get_palette(result.get());
  const int colors = palette ? static_cast<int>(std::min(palette->count, 256u)) : 0;
  if (colors < 1) {
    log("Error, GIF encoding failed: empty palette");
    return std::nullopt;
  }
  for (int i = 0; i < colors; ++i) {
    const liq_color c = palette->entries[i];
    indexed.palette.push_back({c.r, c.g, c.b});
    if (c.a < 128 && indexed.transparentIndex == NO_TRANSPARENT_COLOR) {
      indexed.transparentIndex = i;
    }
  }
  return indexed;
}

}  // namespace

struct GifWriter::State {
  int width = 0;
  int height = 0;
  std::optional<int> loopCount;
  std::vector<std::uint8_t> output;
  std::unique_ptr<GifFileType, GifFileDeleter> gif;
  int frames = 0;
  bool failed = false;
};

GifWriter::GifWriter(int width, int height, std::optional<int> loopCount) : state_(std::make_unique<State>())
{
  state_->width = width;
  state_->height = height;
  state_->loopCount = loopCount;
  if (width < 1 || height < 1 || width > 65535 || height > 65535 || !Bitmap::isAllowedSize(width, height)) {
    log("Error, GIF encoding failed: size %d x %d refused", width, height);
    state_->failed = true;
    return;
  }
  int error = 0;
  state_->gif.reset(EGifOpen(&state_->output, gifOutput, &error));
  if (!state_->gif) {
    log("Error, GIF encoding failed: %@", GifErrorString(error));
    state_->failed = true;
    return;
  }
  EGifSetGifVersion(state_->gif.get(), true);
  if (EGifPutScreenDesc(state_->gif.get(), width, height, 8, 0, nullptr) != GIF_OK) {
    log("Error, GIF encoding failed: %@", GifErrorString(state_->gif->Error));
    state_->failed = true;
    return;
  }
  if (loopCount) {
    const int loops = std::clamp(*loopCount, 0, 65535);
    const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, static_cast<GifByteType>(loops & 0xff), static_cast<GifByteType>(loops >> 8)};
    if (EGifPutExtensionLeader(state_->gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(state_->gif.get(), sizeof application, application) != GIF_OK ||
        EGifPutExtensionBlock(state_->gif.get(), sizeof loop, loop) != GIF_OK ||
        EGifPutExtensionTrailer(state_->gif.get()) != GIF_OK) {
      log("Error, GIF encoding failed: %@", GifErrorString(state_->gif->Error));
      state_->failed = true;
    }
  }
}

GifWriter::~GifWriter() = default;

bool GifWriter::addFrame(const Bitmap& frame, double delaySeconds)
{
  if (state_->failed) {
    return false;
  }
  if (!state_->gif) {
    log("Error, GIF frame added after the file was finished");
    return false;
  }
  if (frame.width() != state_->width || frame.height() != state_->height) {
    log("Error, GIF frame of %d x %d does not match the animation's %d x %d", frame.width(), frame.height(),
        state_->width, state_->height);
    return false;
  }
  auto indexed = quantize(frame);
  if (!indexed) {
    state_->failed = true;
    return false;
  }
  GifFileType* gif = state_->gif.get();
  GraphicsControlBlock control{};
  control.DisposalMode = DISPOSE_BACKGROUND;
  control.UserInputFlag = false;
  const double hundredths = std::isfinite(delaySeconds) ? std::round(delaySeconds * 100.0) : 0.0;
  control.DelayTime = static_cast<int>(std::clamp(hundredths, 0.0, 65535.0));
  control.TransparentColor = indexed->transparentIndex;
  GifByteType extension[4];
  EGifGCBToExtension(&control, extension);

  // The palette is padded to a power of two, as the format requires.
  int mapSize = 2;
  while (mapSize < static_cast<int>(indexed->palette.size())) {
    mapSize *= 2;
  }
  indexed->palette.resize(mapSize, GifColorType{0, 0, 0});
  std::unique_ptr<ColorMapObject, ColorMapDeleter> map(GifMakeMapObject(mapSize, indexed->palette.data()));
  bool ok = map && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, state_->width, state_->height, false, map.get()) == GIF_OK;
  for (int y = 0; ok && y < state_->height; ++y) {
    ok = EGifPutLine(gif, indexed->indexes.data() + static_cast<std::size_t>(y) * state_->width, state_->width) ==
         GIF_OK;
  }
  if (!ok) {
    log("Error, GIF encoding failed: %@", map ? GifErrorString(gif->Error) : "no colour map");
    state_->failed = true;
    return false;
  }
  ++state_->frames;
  return true;
}

std::optional<std::vector<std::uint8_t>> GifWriter::finish()
{
  if (!state_->gif) {
    return std::nullopt;
  }
  // Closing writes the trailer; its result matters here, so the handle is closed by hand.
  int error = 0;
  const int closed = EGifCloseFile(state_->gif.release(), &error);
  if (state_->failed) {
    return std::nullopt;
  }
  if (closed != GIF_OK) {
    log("Error, GIF encoding failed: %@", GifErrorString(error));
    return std::nullopt;
  }
  if (state_->frames == 0) {
    log("Error, GIF encoding failed: no frames");
    return std::nullopt;
  }
  return std::move(state_->output);
}

}  // namespace pf
