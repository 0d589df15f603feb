#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The desktop's general clipboard as the core writes and reads it. The interface layer installs
// one over Qt's clipboard; tests install a recording fake; with none installed nothing can be
// copied or pasted. Main thread only.
class MVPasteboard {
public:
  // One representation of the copied thing: its MIME type ("application/pdf", "image/png")
  // and its bytes.
  struct Item {
    std::string mimeType;
    std::vector<std::uint8_t> data;
  };

  virtual ~MVPasteboard() = default;
  // Replaces the clipboard's contents with these representations, the preferred one first;
  // false when the desktop did not take them.
  virtual bool setContents(const std::vector<Item>& items) = 0;
  // The MIME types the clipboard offers now; a clipboard that cannot be read offers none.
  virtual std::vector<std::string> types() const { return {}; }
  // The bytes of one type; nullopt when the clipboard does not offer it.
  virtual std::optional<std::vector<std::uint8_t>> dataForType(const std::string& mimeType) const
  {
    (void)mimeType;
    return std::nullopt;
  }

  // The installed clipboard; nullptr when none is.
  static MVPasteboard* general() { return installed(); }
  // Not owned; the installer removes it (nullptr) before it goes away.
  static void setGeneral(MVPasteboard* pasteboard) { installed() = pasteboard; }

private:
  static MVPasteboard*& installed()
  {
    static MVPasteboard* pasteboard = nullptr;
    return pasteboard;
  }
};
