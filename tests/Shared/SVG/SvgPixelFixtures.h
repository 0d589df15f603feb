#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Bitmap.h"

// The documents the SVG library's drawing is checked on (bodies of 100 x 100 documents, see
// SvgTestDocuments.h), each with colours probed at points away from edges.
namespace svgtest {

struct Probe {
  int x;
  int y;
  pf::Bitmap::Rgba8 expected;  // straight colour
};

inline constexpr pf::Bitmap::Rgba8 kClear{0, 0, 0, 0};
inline constexpr pf::Bitmap::Rgba8 kRed{255, 0, 0, 255};
inline constexpr pf::Bitmap::Rgba8 kBlue{0, 0, 255, 255};
inline constexpr pf::Bitmap::Rgba8 kGreen{0, 128, 0, 255};
inline constexpr pf::Bitmap::Rgba8 kLime{0, 255, 0, 255};
inline constexpr pf::Bitmap::Rgba8 kBlack{0, 0, 0, 255};

inline pf::Bitmap::Rgba8 grey(int level)
{
  const auto value = static_cast<std::uint8_t>(level);
  return {value, value, value, 255};
}

struct PixelCase {
  const char* name;
  std::string body;
  std::vector<Probe> probes;
};

inline const char* kGreyRamp =
    "<linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/>"
    "</linearGradient>";

// Expected colours are those librsvg draws for the same documents, at points away from edges.
inline std::vector<PixelCase> pixelCases()
{
  return {
      {"Fill", "<rect x=\"10\" y=\"10\" width=\"30\" height=\"30\" fill=\"#ff0000\"/>",
       {{25, 25, kRed}, {5, 5, kClear}, {45, 25, kClear}}},
      {"EvenOddFill", "<path fill-rule=\"evenodd\" fill=\"blue\" d=\"M10 10h80v80h-80z M30 30h40v40h-40z\"/>",
       {{20, 20, kBlue}, {50, 50, kClear}}},
      {"DefaultFillIsBlack", "<circle cx=\"50\" cy=\"50\" r=\"30\"/>", {{50, 50, kBlack}, {5, 5, kClear}}},
      {"Stroke", "<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"none\" stroke=\"lime\" stroke-width=\"10\"/>",
       {{17, 50, kLime}, {23, 50, kLime}, {50, 50, kClear}, {12, 50, kClear}}},
      {"StrokeOpacityAndExplicitZeroWidth",
       "<rect x=\"10\" y=\"10\" width=\"30\" height=\"30\" fill=\"none\" stroke=\"red\" stroke-width=\"6\" "
       "stroke-opacity=\"0.5\"/><rect x=\"60\" y=\"10\" width=\"30\" height=\"30\" fill=\"none\" stroke=\"red\" "
       "stroke-width=\"0\"/>",
       {{10, 25, {255, 0, 0, 128}}, {60, 25, kClear}}},
      {"Dashes", "<line x1=\"0\" y1=\"50\" x2=\"100\" y2=\"50\" stroke=\"black\" stroke-width=\"10\" "
                 "stroke-dasharray=\"20 10\"/>",
       {{10, 50, kBlack}, {25, 50, kClear}, {40, 50, kBlack}, {55, 50, kClear}}},
      {"DashesInheritFromGroups",
       "<g stroke-dasharray=\"20 10\"><line x1=\"0\" y1=\"50\" x2=\"100\" y2=\"50\" stroke=\"black\" "
       "stroke-width=\"10\"/></g>",
       {{10, 50, kBlack}, {25, 50, kClear}}},
      {"RoundCap", "<line x1=\"30\" y1=\"50\" x2=\"70\" y2=\"50\" stroke=\"black\" stroke-width=\"20\" "
                   "stroke-linecap=\"round\"/>",
       {{24, 50, kBlack}, {22, 42, kClear}}},
      {"LinearGradientBoundingBox", std::string(kGreyRamp) + "<rect width=\"100\" height=\"100\" fill=\"url(#g)\"/>",
       {{1, 50, grey(1)}, {50, 50, grey(128)}, {98, 50, grey(252)}}},
      {"LinearGradientUserSpace",
       "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"100\">"
       "<stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/></linearGradient>"
       "<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"url(#g)\"/>",
       {{50, 25, grey(65)}, {50, 75, grey(192)}, {10, 50, kClear}}},
      {"LinearGradientUnderScaledGroup",
       "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" x2=\"50\" y2=\"0\">"
       "<stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/></linearGradient>"
       "<g transform=\"scale(2)\"><rect width=\"50\" height=\"50\" fill=\"url(#g)\"/></g>",
       {{25, 50, grey(65)}, {75, 50, grey(192)}}},
      {"LinearGradientUnderTranslatedGroup",
       "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" x2=\"40\" y2=\"0\">"
       "<stop offset=\"0\" stop-color=\"#000\"/><stop offset=\"1\" stop-color=\"#fff\"/></linearGradient>"
       "<g transform=\"translate(50 0)\"><rect width=\"40\" height=\"40\" fill=\"url(#g)\"/></g>",
       {{60, 20, grey(65)}, {80, 20, grey(192)}}},
      {"GradientTransformListActsLastFirst",
       "<linearGradient id=\"g\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" x2=\"100\" y2=\"0\" "
       "gradientTransform=\"translate(50 0) scale(0.5)\"><stop offset=\"0\" stop-color=\"#000\"/>"
       "<stop offset=\"1\" stop-color=\"#fff\"/></linearGradient><rect width=\"100\" height=\"100\" fill=\"url(#g)\"/>",
       {{25, 50, grey(0)}, {75, 50, grey(128)}}},
      {"GradientStroke",
       std::string(kGreyRamp) +
           "<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"none\" stroke=\"url(#g)\" stroke-width=\"10\"/>",
       {{20, 50, grey(0)}, {80, 50, grey(255)}, {50, 20, grey(128)}, {50, 50, kClear}}},
      {"PatternStroke",
       "<pattern id=\"p\" patternUnits=\"userSpaceOnUse\" width=\"20\" height=\"20\">"
       "<rect width=\"10\" height=\"20\" fill=\"red\"/></pattern>"
       "<line x1=\"0\" y1=\"50\" x2=\"100\" y2=\"50\" stroke=\"url(#p)\" stroke-width=\"10\"/>",
       {{5, 50, kRed}, {15, 50, kClear}, {25, 50, kRed}, {5, 40, kClear}}},
      {"RadialGradientBoundingBox",
       "<radialGradient id=\"r\"><stop offset=\"0\" stop-color=\"red\"/><stop offset=\"1\" stop-color=\"blue\"/>"
       "</radialGradient><rect width=\"100\" height=\"100\" fill=\"url(#r)\"/>",
       {{50, 50, kRed}, {2, 2, kBlue}, {50, 25, {128, 0, 128, 255}}}},
      {"RadialGradientNumbersAreFractionsOfTheBox",
       "<radialGradient id=\"r\" cx=\"0.25\" cy=\"0.5\" r=\"0.25\"><stop offset=\"0\" stop-color=\"red\"/>"
       "<stop offset=\"1\" stop-color=\"blue\"/></radialGradient><rect width=\"100\" height=\"100\" fill=\"url(#r)\"/>",
       {{25, 50, kRed}, {75, 50, kBlue}, {37, 50, {128, 0, 128, 255}}}},
      {"RadialGradientUserSpace",
       "<radialGradient id=\"r\" gradientUnits=\"userSpaceOnUse\" cx=\"30\" cy=\"30\" r=\"20\">"
       "<stop offset=\"0\" stop-color=\"red\"/><stop offset=\"1\" stop-color=\"blue\"/></radialGradient>"
       "<rect width=\"100\" height=\"100\" fill=\"url(#r)\"/>",
       {{30, 30, kRed}, {80, 80, kBlue}, {40, 30, {128, 0, 128, 255}}}},
      {"Pattern",
       "<pattern id=\"p\" width=\"0.5\" height=\"0.5\"><rect width=\"25\" height=\"25\" fill=\"red\"/></pattern>"
       "<rect width=\"100\" height=\"100\" fill=\"url(#p)\"/>",
       {{10, 10, kRed}, {35, 10, kClear}, {60, 10, kRed}, {60, 60, kRed}, {35, 35, kClear}}},
      {"ClipPath",
       "<clipPath id=\"c\"><circle cx=\"50\" cy=\"50\" r=\"20\"/></clipPath>"
       "<rect x=\"40\" y=\"40\" width=\"60\" height=\"60\" fill=\"green\" clip-path=\"url(#c)\"/>",
       {{45, 45, kGreen}, {65, 65, kClear}, {35, 50, kClear}, {60, 50, kGreen}}},
      {"Mask",
       "<mask id=\"m\"><rect x=\"0\" y=\"0\" width=\"50\" height=\"100\" fill=\"white\"/></mask>"
       "<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" fill=\"blue\" mask=\"url(#m)\"/>",
       {{30, 50, kBlue}, {70, 50, kClear}}},
      {"GroupOpacityCompositesOnce",
       "<g opacity=\"0.5\"><rect width=\"60\" height=\"60\" fill=\"red\"/>"
       "<rect x=\"40\" y=\"40\" width=\"60\" height=\"60\" fill=\"red\"/></g>",
       {{20, 20, {255, 0, 0, 128}}, {50, 50, {255, 0, 0, 128}}, {90, 10, kClear}}},
      {"BlendMode",
       "<rect width=\"100\" height=\"100\" fill=\"#ff0000\"/>"
       "<rect width=\"50\" height=\"100\" fill=\"#00ff00\" style=\"mix-blend-mode:multiply\"/>",
       {{25, 50, kBlack}, {75, 50, kRed}}},
      {"NestedSvg",
       "<svg x=\"50\" y=\"50\" width=\"50\" height=\"50\" viewBox=\"0 0 10 10\">"
       "<rect width=\"10\" height=\"10\" fill=\"red\"/></svg>",
       {{75, 75, kRed}, {25, 25, kClear}}},
      {"Use", "<defs><rect id=\"r\" width=\"20\" height=\"20\" fill=\"red\"/></defs><use xlink:href=\"#r\" x=\"50\" y=\"50\"/>",
       {{60, 60, kRed}, {10, 10, kClear}}},
      {"SingularTransformSkipsOnlyItsLayer",
       "<g transform=\"scale(0)\"><rect width=\"100\" height=\"100\" fill=\"blue\"/></g>"
       "<rect width=\"10\" height=\"10\" fill=\"red\" transform=\"matrix(1 0 0 1 0 0)\"/>",
       {{5, 5, kRed}, {50, 50, kClear}}},
  };
}

}  // namespace svgtest
