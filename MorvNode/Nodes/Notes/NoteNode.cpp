#include "MorvNode/Nodes/Notes/NoteNode.h"

#include <cmath>

#include "Platform/GeometryStrings.h"
#include "Platform/Unicode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

const MVNodeClass& NoteNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "NoteNode";
    info.displayName = "Note";
    info.displayTypeName = "Document";
    info.toolTipText = "A node that shows a text note. No effect on the pattern, just for information.";
    info.descriptionText = "This node lets you add a text note to the file, but has no effect on the output pattern. "
                           "Useful in tutorial files and notes.";
    info.create = [] { return std::make_unique<NoteNode>(); };
    return info;
  }();
  return nodeClass;
}

void NoteNode::setNoteText(const std::string& text)
{
  // A caller may hand over bytes that are not UTF-8; the document could not save them.
  std::string repaired = pf::wellFormedUTF8(text);
  if (repaired == noteText_) {
    return;
  }
  noteText_ = std::move(repaired);
  if (MVNodeInterfaceDelegate* view = nodeView()) {
    view->setNeedsLayout();
  }
}

pf::PlistValue::Dictionary NoteNode::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVNode::descriptionDictionary();
  record.set("Note text", noteText_);
  // The box's size when there is a box: the user may have resized it since the last report.
  record.set("Note size", pf::sizeString(nodeView() != nullptr ? nodeView()->frameSize() : noteSize_));
  return record;
}

bool NoteNode::loadNodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadNodeDictionary(record);
  if (const pf::PlistValue* text = record.find("Note text"); text != nullptr && text->isString()) {
    noteText_ = *text->asString();
  }
  if (const pf::PlistValue* size = record.find("Note size"); size != nullptr && size->isString()) {
    const pf::Size stored = pf::sizeFromString(*size->asString());
    if (std::isfinite(stored.width) && std::isfinite(stored.height)) {
      noteSize_ = stored;
    } else {
      FeedbackManager::log("Warning, %@ loadNodeDictionary could not read note size '%@'", description(),
                           *size->asString());
    }
  }
  return loaded;
}

bool NoteNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = MVNode::loadLegacyMV2NodeDictionary(record);
  if (!loaded) {
    return loaded;
  }
  if (const pf::PlistValue* text = record.find("Note text"); text != nullptr && text->isString()) {
    noteText_ = *text->asString();
  }
  if (const pf::PlistValue* frame = record.find("Node frame rect"); frame != nullptr && frame->isString()) {
    const pf::Rect rect = pf::rectFromString(*frame->asString());
    // The old frame included the box's border.
    const pf::Size size(rect.size.width + 4.0, rect.size.height - 4.0);
    if (std::isfinite(size.width) && std::isfinite(size.height)) {
      setNoteSize(size);
    }
  }
  return loaded;
}
