#pragma once

#include <fontconfig/fontconfig.h>

namespace pf {

// The font configuration that font look-ups and the text layout share: our own, loaded on first
// use and released at exit (fontconfig's default configuration, which is never released, is not
// made for us). Used inside Platform only.
class FontConfiguration {
public:
  // nullptr (logged) when fontconfig cannot load a configuration. Whoever keeps it beyond one
  // call (the text layout's font map) takes a reference on it.
  static FcConfig* shared();
};

}  // namespace pf
