#pragma once

// Registers the row of every parameter kind with the interface factories (after the plain row
// of the base kinds): numbers, pairs, formulas, functions, colours, switches, texts, fonts,
// files, element previews, layers, and the three forms of choices (pop-up, segments, change
// mode), chosen by the parameter's layoutInterfaceType. Call once at start-up.
class MVParameterRows {
public:
  static void registerRows();
};
