#include "MorvNode/Nodes/Notes/NoteNode.h"

#include <gtest/gtest.h>

#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

namespace {

class CountingNodeView : public MVNodeInterfaceDelegate {
public:
  explicit CountingNodeView(int& layouts) : layouts_(layouts) {}
  void setNeedsLayout() override { ++layouts_; }
  void remove() override {}
  void menuRename() override {}
  void refreshGraphicsPreviews() override {}
  void initParameterInterface() override {}
  pf::Point frameOrigin() const override { return {}; }
  void setFrameOrigin(pf::Point) override {}
  pf::Size frameSize() const override { return {150, 90}; }

private:
  int& layouts_;
};

using NoteNodeTest = NodeGraphTest;

TEST_F(NoteNodeTest, NewNoteSavesItsTextAndSize)
{
  auto* note = add<NoteNode>("NoteNode");
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->parameters().empty());
  EXPECT_EQ(note->nodeViewClass(), "MVNodeViewNote");
  const pf::PlistValue::Dictionary record = note->descriptionDictionary();
  EXPECT_EQ(record.find("Note text")->stringOr(), "Note text");
  EXPECT_EQ(record.find("Note size")->stringOr(), "{140, 80}");

  NoteNode loaded;
  loaded.initWithNodeID("9");
  pf::PlistValue::Dictionary edited = record;
  edited.set("Note text", "Read me");
  edited.set("Note size", "{204, 96}");
  loaded.loadNodeDictionary(edited);
  EXPECT_EQ(loaded.noteText(), "Read me");
  EXPECT_EQ(loaded.noteSize(), pf::Size(204, 96));
}

TEST_F(NoteNodeTest, RecordWithoutSizeKeepsTheDefault)
{
  NoteNode loaded;
  loaded.initWithNodeID("9");
  loaded.loadNodeDictionary({{"Node class", "NoteNode"}, {"Parameters", pf::PlistValue::emptyArray()}});
  EXPECT_EQ(loaded.noteText(), "Note text");
  EXPECT_EQ(loaded.noteSize(), pf::Size(140, 80));
}

TEST_F(NoteNodeTest, OnlyANewTextAsksTheBoxForLayout)
{
  auto* note = add<NoteNode>("NoteNode");
  int layouts = 0;
  note->setNodeView(std::make_unique<CountingNodeView>(layouts));
  note->setNoteText("Note text");
  EXPECT_EQ(layouts, 0);
  note->setNoteText("Other");
  EXPECT_EQ(layouts, 1);
  // The saved size is the box's.
  EXPECT_EQ(note->descriptionDictionary().find("Note size")->stringOr(), "{150, 90}");
}

}  // namespace
