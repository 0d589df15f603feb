#pragma once

#include <optional>

#include <QString>

#include "Platform/Color.h"

class QWidget;

// What the image and animation export panels share: the texts of their size fields, the matte
// colour well and its colour dialog, the file name that follows the chosen format, and the
// question before an existing file is replaced. Main thread only.
class ExportPanelFields {
public:
  // Sizes as the evaluator and the fields read them back: no exponent, no locale.
  static QString sizeText(double value);
  // The well shows the colour; without one it keeps what it showed.
  static void showMatteColor(QWidget& well, const std::optional<pf::Color>& color);
  // The colour chosen in the standard dialog, starting from `current` (white without one);
  // nullopt when the dialog was cancelled.
  static std::optional<pf::Color> askForMatteColor(QWidget* parent, const std::optional<pf::Color>& current);
  // `path` with its extension replaced by (or, without one, extended by) `format`.
  static QString pathWithExtension(const QString& path, const QString& format);
  // True when nothing is at `path`, or the user chose to replace it.
  static bool confirmReplacing(QWidget* parent, const QString& title, const QString& path);
};
