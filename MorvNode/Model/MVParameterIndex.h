#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Model/MVParameter.h"

// A choice of one entry from a list: a mode, a shape type, an alignment. The list has internal
// names (saved with the choice, so that it survives a reordering of the list), display names,
// tooltips and icon names. `layoutInterfaceType` picks the row (0 pop-up, 1 segments, 2 mode
// chooser) and the lowest index (-1 for segments: none selected, else 0). No sockets.
class MVParameterIndex : public MVParameter {
public:
  static std::unique_ptr<MVParameterIndex> parameterWithName(const std::string& name);

  MVParameterIndex();

  std::string_view className() const override { return "MVParameterIndex"; }
  // "MVParameterIndexView", "MVParameterIndexSegmentView" or "MVParameterChangeModeView".
  std::string parameterViewClass() const override;
  // -1 for the segment row, else 0.
  long long lowestIndex() const;

  long long index() const { return index_; }
  // Clamped to the lowest index and to the last name (or display name); an empty list sets no
  // upper bound. Both clamps are logged.
  void setIndex(long long index);
  // The internal name at the index; "Unknown" (logged) without names or outside them.
  virtual std::string indexName() const;
  // The display name at the index; "Unknown" (logged) without display names or outside them.
  std::string indexDisplayName() const;

  // The lists start absent; an empty list that was set is a list without entries (an empty
  // name list sets no upper bound on the index).
  const std::vector<std::string>& indexNames() const { return *indexNames_; }
  bool hasIndexNames() const { return hasIndexNames_; }
  // A different list (also an empty one where there was none) marks the entries changed for
  // the row; the index is left as it is.
  void setIndexNames(const std::vector<std::string>& names);
  const std::vector<std::string>& indexDisplayNames() const { return *indexDisplayNames_; }
  bool hasIndexDisplayNames() const { return hasIndexDisplayNames_; }
  void setIndexDisplayNames(std::vector<std::string> names);
  const std::vector<std::string>& indexTooltips() const { return *indexTooltips_; }
  void setIndexTooltips(std::vector<std::string> tooltips);
  const std::vector<std::string>& indexIcons() const { return *indexIcons_; }
  bool hasIndexIcons() const { return hasIndexIcons_; }
  void setIndexIcons(std::vector<std::string> icons);
  // The same setters for lists that every parameter of a node class shares (pf::TextPool::list):
  // the parameter keeps the shared list instead of a copy.
  void shareIndexNames(std::shared_ptr<const std::vector<std::string>> names);
  void shareIndexDisplayNames(std::shared_ptr<const std::vector<std::string>> names);
  void shareIndexTooltips(std::shared_ptr<const std::vector<std::string>> tooltips);
  void shareIndexIcons(std::shared_ptr<const std::vector<std::string>> icons);
  // Set by setIndexNames; the row rebuilds its entries and clears it.
  bool indexesChanged() const { return indexesChanged_; }
  void setIndexesChanged(bool changed) { indexesChanged_ = changed; }

  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // "Index" and, while the index names an entry, "Index name", which decides on loading when
  // the name is still in the list.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;
  std::string description() const override;

protected:
  // The entry at the index; nullptr outside the list.
  static const std::string* entryAt(const std::vector<std::string>& list, long long index);

private:
  long long index_ = 0;
  using List = std::shared_ptr<const std::vector<std::string>>;
  // The empty list every parameter starts with.
  static const List& emptyList();

  // Never null; lists are never changed in place, only replaced.
  List indexNames_ = emptyList();
  List indexDisplayNames_ = emptyList();
  List indexTooltips_ = emptyList();
  List indexIcons_ = emptyList();
  bool hasIndexNames_ = false;
  bool hasIndexDisplayNames_ = false;
  bool hasIndexIcons_ = false;
  bool indexesChanged_ = false;
};
