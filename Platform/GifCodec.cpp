// GIF reading through giflib and single-picture writing through GifWriter (declared in
// ImageCodec.h).

#include "Platform/ImageCodec.h"

#include <algorithm>
#include <cstring>

#include <gif_lib.h>

#include "Platform/GifWriter.h"
#include "Platform/Log.h"

namespace pf {

namespace {

struct GifInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t offset = 0;
};

int gifInput(GifFileType* gif, GifByteType* out, int length)
{
  auto* input = static_cast<GifInput*>(gif->UserData);
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(length, 0)), input->size - input->offset);
  std::memcpy(out, input->data + input->offset, count);
  input->offset += count;
  return static_cast<int>(count);
}

struct GifCloser {
  void operator()(GifFileType* gif) const
  {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

std::string gifErrorText(int error)
{
  const char* text = GifErrorString(error);
  return text ? text : "unknown error";
}

// Skips the data blocks of an extension, reading its graphics control block when it is one.
bool readExtension(GifFileType* gif, int* transparentIndex)
{
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
    return false;
  }
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
    GraphicsControlBlock control{};
    if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
      *transparentIndex = control.TransparentColor;
    }
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<DecodedBitmap> decodeGif(std::span<const std::uint8_t> bytes)
{
  GifInput input{bytes.data(), bytes.size(), 0};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&input, gifInput, &error));
  if (!gif) {
    log("Error, GIF data unreadable: %@", gifErrorText(error));
    return std::nullopt;
  }
  const int width = gif->SWidth;
  const int height = gif->SHeight;
  if (!Bitmap::isAllowedSize(width, height)) {
    log("Error, GIF image size %d x %d refused", width, height);
    return std::nullopt;
  }
  int transparentIndex = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) {
      log("Error, GIF data unreadable: %@", gifErrorText(gif->Error));
      return std::nullopt;
    }
    if (record == EXTENSION_RECORD_TYPE) {
      if (!readExtension(gif.get(), &transparentIndex)) {
        log("Error, GIF data unreadable: %@", gifErrorText(gif->Error));
        return std::nullopt;
      }
      continue;
    }
    if (record == TERMINATE_RECORD_TYPE) {
      log("Error, GIF data unreadable: no image");
      return std::nullopt;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) {
      continue;
    }
    if (DGifGetImageDesc(gif.get()) != GIF_OK) {
      log("Error, GIF data unreadable: %@", gifErrorText(gif->Error));
      return std::nullopt;
    }
    // The first frame only; later frames of an animation are not shown.
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map || frame.Width < 1 || frame.Height < 1 ||
        static_cast<std::int64_t>(frame.Width) * frame.Height > Bitmap::kMaxPixels) {
      log("Error, GIF data unreadable: frame without colours or of size %d x %d", frame.Width, frame.Height);
      return std::nullopt;
    }
    auto bitmap = Bitmap::create(width, height);
    if (!bitmap) {
      return std::nullopt;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    // Interlaced frames store rows in four passes.
    const int passStart[] = {0, 4, 2, 1};
    const int passStep[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
      const int start = frame.Interlace ? passStart[pass] : 0;
      const int step = frame.Interlace ? passStep[pass] : 1;
      for (int row = start; row < frame.Height; row += step) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) != GIF_OK) {
          log("Error, GIF data unreadable: %@", gifErrorText(gif->Error));
          return std::nullopt;
        }
        const int y = frame.Top + row;
        if (y < 0 || y >= height) {
          continue;
        }
        for (int column = 0; column < frame.Width; ++column) {
          const int x = frame.Left + column;
          const int index = line[column];
          if (x >= width || index == transparentIndex || index >= map->ColorCount) {
            continue;
          }
          const GifColorType c = map->Colors[index];
          bitmap->setPixel(x, y, {c.Red, c.Green, c.Blue, 255});
        }
      }
    }
    return DecodedBitmap{std::move(*bitmap), 72.0, 72.0};
  }
}

std::optional<std::vector<std::uint8_t>> encodeGif(const Bitmap& bitmap)
{
  GifWriter writer(bitmap.width(), bitmap.height(), std::nullopt);
  if (!writer.addFrame(bitmap, 0.0)) {
    return std::nullopt;
  }
  return writer.finish();
}

}  // namespace pf
