#pragma once

#include <string_view>

#include "Shared/VectorParser/VectorParserPathStruct.h"

// Reads a small, common subset of SVG text by plain string scanning (no XML parser) and merges
// every shape it recognises into one path: one shape per tag, presentation attributes, a style
// block of classes, and one level of group transform, as drawing programs write flat files.
// Gradients, patterns, text, use, clipping, masks, opacity and the style attribute are not
// read; nothing outside the given text is ever opened. The path is flipped to y-up and centred
// on the origin by its tight box.
class VectorParserSVGReader {
public:
  // Zero or one record. No "<svg" tag logs an error and answers empty; a text without any
  // recognised shape answers empty without a message.
  static VectorParserPaths parserPathsFromSVGString(std::string_view text);
};
