#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Platform/Color.h"

namespace pf {

// What reading archived colour data found. A failure keeps white as the colour, the neutral
// result every caller falls back to, and says why in `error` (the caller logs it in its own
// words).
struct UnarchivedColor {
  enum class Status {
    Color,      // a colour was read
    NotAColor,  // a sound archive whose root object is something else (see `object`)
    Unreadable  // not an archive, or damaged, or a colour form we cannot read
  };
  Status status = Status::Unreadable;
  Color color = Color::white();
  std::string object;  // NotAColor: a description of the root object, "(null)" for nil
  std::string error;   // NotAColor and Unreadable: the reason

  bool isColor() const { return status == Status::Color; }
};

// Colours archived as the original platform archived them, so that documents stay
// exchangeable with it.
//
// The keyed archive is a property list {$archiver = NSKeyedArchiver; $version = 100000;
// $top = {root = UID 1}; $objects = ($null, colour, class)} whose colour object holds
// "NSColorSpace" (1 calibrated RGB, 2 device RGB, 3 calibrated white, 4 device white,
// 5 device CMYK, 6 named) and its components as ASCII numbers separated by blanks, ending in
// NUL: "NSRGB" (r g b [a]), "NSWhite" (w [a]), "NSCMYK" (c m y k [a]); a named colour has
// "NSCatalogName", "NSColorName" and its resolved colour under "NSColor". Newer archives may
// add "NSComponents" with a custom colour space, which is read when nothing else is there.
//
// The older non-keyed archive (typedstream) holds the same colour space number followed by
// the components as floats.

// Keyed-archive data of the colour in its RGB form (calibrated RGB), as a binary property
// list. Components are written in their shortest exact form, alpha only when it is not 1.
std::vector<std::uint8_t> archivedColorData(const Color& color);

// Reads keyed-archive data (binary or XML property list), accepting only a colour as root.
UnarchivedColor unarchiveColor(std::span<const std::uint8_t> data);

// Reads the older non-keyed archive of one colour (RGB, white and CMYK forms; a named colour
// through the colour it carries).
UnarchivedColor unarchiveTypedStreamColor(std::span<const std::uint8_t> data);

}  // namespace pf
