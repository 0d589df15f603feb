#pragma once

#include "MorvNode/Document/MVPasteboard.h"

// The core's clipboard over Qt's: every representation goes into one QMimeData, so a pasting
// program takes the type it reads best.
class QtPasteboard final : public MVPasteboard {
public:
  bool setContents(const std::vector<Item>& items) override;
  std::vector<std::string> types() const override;
  std::optional<std::vector<std::uint8_t>> dataForType(const std::string& mimeType) const override;
};
