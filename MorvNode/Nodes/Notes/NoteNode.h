#pragma once

#include <string>

#include "MorvNode/Model/MVNode.h"
#include "Platform/Size.h"

// A node that only carries a text note for the reader of a document: no parameters, no
// sockets, no effect on the output. Its box (class "MVNodeViewNote") shows the text in an
// editable field whose size the user drags; the text and the size are saved with the node.
class NoteNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canRename() const override { return false; }
  bool canDisable() const override { return false; }
  bool hasNodeReference() const override { return false; }
  bool hasNodeHeader() const override { return false; }
  std::string nodeViewClass() const override { return "MVNodeViewNote"; }

  const std::string& noteText() const { return noteText_; }
  // A different text asks the box to lay out again. Bytes that are not UTF-8 are stored with
  // each ill-formed sequence as U+FFFD.
  void setNoteText(const std::string& text);
  // Editor points; set by the editor while the note is resized.
  pf::Size noteSize() const { return noteSize_; }
  void setNoteSize(pf::Size size) { noteSize_ = size; }

  // The base record plus "Note text" and "Note size" ("{width, height}", the box's size when
  // there is a box).
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  // Missing keys keep the current text and size.
  bool loadNodeDictionary(const pf::PlistValue::Dictionary& record) override;
  // An old note keeps its text; its old frame gives the size.
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

private:
  std::string noteText_ = "Note text";
  pf::Size noteSize_{140.0, 80.0};
};
