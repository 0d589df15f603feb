#pragma once

#include <string>
#include <vector>

#include <QPointF>

#include "Platform/Size.h"

class MVNode;

// The measured layout of a node's box: its size and the centre of each socket marker, relative
// to the box's origin (points, y down). Sockets are listed per parameter in the node's parameter
// order; a socket that showed no marker (hidden row, disabled socket) has a NaN centre. `key`
// names the node class and which rows were hidden, so that a box measured once stands for the
// boxes of other nodes of the same kind that have no view. An estimate has no key.
struct MVNodeViewShape {
  pf::Size size;
  std::vector<std::vector<QPointF>> inputs;
  std::vector<std::vector<QPointF>> outputs;
  std::string key;

  bool isMeasured() const { return !key.empty(); }
  // The key of `node` as it stands now; the second form writes it into `key`.
  static std::string keyOf(const MVNode& node);
  static void keyOf(const MVNode& node, std::string& key);
  // A shape for a kind never measured: the class's width, a header and one row height per
  // shown row, sockets at the rows' middles.
  static MVNodeViewShape estimate(const MVNode& node);
};
