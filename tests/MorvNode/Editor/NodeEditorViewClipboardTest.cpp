#include <algorithm>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>

#include "MorvNode/Controller/MVNodeClipboard.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Editor/EditorTestSupport.h"
#include "MorvNode/Interface/QtPasteboard.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Nodes/Elements/ElementImportNode.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/PropertyList.h"
#include "Platform/UndoManager.h"

namespace {

class NodeEditorClipboardTest : public EditorFixture {
protected:
  NodeEditorClipboardTest() { MVPasteboard::setGeneral(&pasteboard); }
  ~NodeEditorClipboardTest() override { MVPasteboard::setGeneral(nullptr); }

  MVConnection* link(MVNode* from, const std::string& output, MVNode* to, const std::string& input)
  {
    MVConnection* connection = nullptr;
    step([&] {
      connection = controller.addConnectionFromSocket(from->parameterNamed(output)->outputSockets().front().get(),
                                                      to->parameterNamed(input)->inputSockets().front().get());
    });
    return connection;
  }

  void select(const std::vector<MVNode*>& nodes)
  {
    step([&] {
      controller.selectNode(nullptr, false, false, false);
      for (MVNode* node : nodes) {
        controller.selectNode(node, true, false, false);
      }
      controller.updateAfterSelectionChange();
    });
  }

  static void putOnClipboard(const QString& type, const QByteArray& bytes)
  {
    auto* data = new QMimeData;
    data->setData(type, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
  }

  static QByteArray pngBytes()
  {
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
  }

  QtPasteboard pasteboard;
};

pf::Point offsetBy(pf::Point point, double dx, double dy)
{
  return pf::Point(point.x + dx, point.y + dy);
}

TEST_F(NodeEditorClipboardTest, EditItemsAreEnabledForASelectionAndForTheTypesAPasteReads)
{
  MVNode* node = add("ValueNode", {20, 40});
  EXPECT_FALSE(editor->validateMenuItem("Copy"));
  EXPECT_FALSE(editor->validateMenuItem("Cut"));
  EXPECT_TRUE(editor->validateMenuItem("Select All"));
  // Copy with nothing selected leaves the clipboard as it is.
  QGuiApplication::clipboard()->setText("kept");
  step([&] { editor->copy(); });
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
  EXPECT_FALSE(editor->validateMenuItem("Paste"));

  select({node});
  EXPECT_TRUE(editor->validateMenuItem("Copy"));
  EXPECT_TRUE(editor->validateMenuItem("Cut"));
  const std::vector<std::pair<QString, bool>> types = {
    {MVNodeClipboard::kPasteboardType, true}, {"image/png", true},  {"application/pdf", true},
    {"image/svg+xml", true},                  {"image/tiff", true}, {"image/jpeg", true},
    {"image/gif", true},                      {"application/postscript", true},
    {"text/plain", false},                    {"image/bmp", false}, {"image/webp", false}};
  for (const auto& [type, enabled] : types) {
    SCOPED_TRACE(type.toStdString());
    putOnClipboard(type, "x");
    EXPECT_EQ(editor->validateMenuItem("Paste"), enabled);
  }
}

TEST_F(NodeEditorClipboardTest, PasteInTheSameDocumentOffsetsTheCopyAndKeepsItsOutsideConnections)
{
  MVNode* shape = add("ElementShapeNode", {0, 200});
  MVNode* change = add("ChangeTransformNode", {250, 200});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {500, 0}));
  const std::string layer = artboard->layers().front()->name();
  link(shape, "Graphics", change, "Graphics");
  link(change, "Graphics", artboard, layer);
  const std::vector<std::string> before = connectionList();
  select({change});
  step([&] { QTest::keyClick(editor.get(), Qt::Key_C, Qt::ControlModifier); });
  step([&] { QTest::keyClick(editor.get(), Qt::Key_V, Qt::ControlModifier); });

  ASSERT_EQ(controller.nodeArray().size(), 4U);
  MVNode* copy = controller.nodeArray().back().get();
  EXPECT_EQ(copy->className(), "ChangeTransformNode");
  EXPECT_EQ(copy->nodeId(), "4");
  EXPECT_EQ(copy->initialNodeViewOrigin(), pf::Point(290, 240));
  EXPECT_NE(NodeEditorView::viewOfNode(copy), nullptr);
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{copy});
  // Fed by the shape, feeding the artboard, like its source.
  const std::vector<std::string> after = connectionList();
  EXPECT_NE(std::find(after.begin(), after.end(), "1.Graphics -> 4.Graphics"), after.end());
  EXPECT_NE(std::find(after.begin(), after.end(), "4.Graphics -> 3." + layer), after.end());
  EXPECT_EQ(document.undoManager()->undoActionName(), "pasting node");
  undo();
  EXPECT_EQ(controller.nodeArray().size(), 3U);
  EXPECT_EQ(connectionList(), before);
}

TEST_F(NodeEditorClipboardTest, ACopyDragDuplicatesInPlaceKeepingOutsideConnections)
{
  // P -> Q -> R: a shape feeding a transform feeding the artboard.
  MVNode* shape = add("ElementShapeNode", {0, 200});
  MVNode* change = add("ChangeTransformNode", {250, 200});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {500, 0}));
  const std::string layer = artboard->layers().front()->name();
  link(shape, "Graphics", change, "Graphics");
  link(change, "Graphics", artboard, layer);
  const std::vector<std::string> original = connectionList();
  const struct {
    std::vector<MVNode*> selection;
    Qt::KeyboardModifier modifier;
    const char* actionName;
  } cases[] = {{{change}, Qt::AltModifier, "duplicating node"},
               {{change}, Qt::ControlModifier, "duplicating node"},
               {{shape, change}, Qt::AltModifier, "duplicating nodes"},
               {{shape, change, artboard}, Qt::ControlModifier, "duplicating nodes"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.actionName + std::string(c.modifier == Qt::AltModifier ? " Alt" : " Ctrl"));
    select(c.selection);
    const std::size_t before = controller.nodeArray().size();
    drag(headerPoint(change), headerPoint(change) + QPointF(0, 150), c.modifier);
    // The artboard is never copied.
    const std::size_t copies = c.selection.size() - (c.selection.back() == artboard ? 1 : 0);
    ASSERT_EQ(controller.nodeArray().size(), before + copies);
    EXPECT_EQ(document.undoManager()->undoActionName(), c.actionName);
    EXPECT_EQ(change->initialNodeViewOrigin(), pf::Point(250, 200));
    MVNode* copiedChange = controller.nodeArray().back().get();
    EXPECT_EQ(copiedChange->className(), "ChangeTransformNode");
    EXPECT_EQ(copiedChange->initialNodeViewOrigin(), pf::Point(250, 350));
    EXPECT_EQ(controller.selectedNodesArray().size(), copies);
    EXPECT_TRUE(copiedChange->selected());
    const std::string copy = copiedChange->nodeId();
    // Fed by the shape, or by the shape's copy when both were copied; feeding the artboard.
    const std::string feeder = copies == 1 ? shape->nodeId() : controller.nodeArray()[before]->nodeId();
    std::vector<std::string> expected = original;
    expected.push_back(feeder + ".Graphics -> " + copy + ".Graphics");
    expected.push_back(copy + ".Graphics -> " + artboard->nodeId() + "." + layer);
    std::vector<std::string> after = connectionList();
    std::sort(after.begin(), after.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);

    undo();
    EXPECT_EQ(controller.nodeArray().size(), before);
    EXPECT_EQ(connectionList(), original);
    redo();
    EXPECT_EQ(controller.nodeArray().size(), before + copies);
    after = connectionList();
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, expected);
    EXPECT_EQ(controller.nodeArray().back()->initialNodeViewOrigin(), pf::Point(250, 350));
    undo();
    EXPECT_EQ(connectionList(), original);
  }
}

TEST_F(NodeEditorClipboardTest, CopyAndPasteRoundTripsASelectionIntoAnotherDocument)
{
  MVNode* value = add("ValueNode", {-300, 200});
  MVNode* shape = add("ElementShapeNode", {0, 200});
  MVNode* change = add("ChangeTransformNode", {250, 200});
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {500, 0}));
  link(value, "Value", shape, "Size");
  link(shape, "Graphics", change, "Graphics");
  link(change, "Graphics", artboard, artboard->layers().front()->name());
  select({shape, change, artboard});
  step([&] { editor->copy(); });

  MVDocument other;
  NodeEditorView otherEditor;
  otherEditor.resize(900, 700);
  otherEditor.setNodeController(&other.nodeController());
  MVNodeController& target = other.nodeController();
  MVNode* existing = nullptr;
  step([&] {
    target.addNodeOfClass("ArtboardNode", pf::Point(600, 0), false);
    existing = target.addNodeOfClass("ValueNode", pf::Point(0, 0), false);
  });
  log.clear();
  step([&] { otherEditor.paste(); });

  // No second artboard; the two nodes with fresh IDs, joined to each other only.
  ASSERT_EQ(target.nodeArray().size(), 4U);
  EXPECT_EQ(log.countContaining("pasting skips an artboard node"), 1);
  MVNode* shapeCopy = target.nodeArray()[2].get();
  MVNode* changeCopy = target.nodeArray()[3].get();
  EXPECT_EQ(shapeCopy->className(), "ElementShapeNode");
  EXPECT_EQ(changeCopy->className(), "ChangeTransformNode");
  EXPECT_EQ(shapeCopy->nodeId(), "3");
  EXPECT_EQ(changeCopy->nodeId(), "4");
  EXPECT_EQ(existing->nodeId(), "2");
  EXPECT_EQ(shapeCopy->initialNodeViewOrigin(), offsetBy(shape->initialNodeViewOrigin(), 40, 40));
  ASSERT_EQ(target.connectionArray().size(), 1U);
  const MVConnection* joined = target.connectionArray().front().get();
  EXPECT_EQ(joined->fromNode(), shapeCopy);
  EXPECT_EQ(joined->toNode(), changeCopy);
  EXPECT_EQ(target.selectedNodesArray(), (std::vector<MVNode*>{shapeCopy, changeCopy}));
  EXPECT_EQ(other.undoManager()->undoActionName(), "pasting nodes");
  // The source document is untouched.
  EXPECT_EQ(controller.nodeArray().size(), 4U);
  EXPECT_EQ(connectionList().size(), 3U);

  step([&] { other.undoManager()->undo(); });
  EXPECT_EQ(target.nodeArray().size(), 2U);
  EXPECT_TRUE(target.connectionArray().empty());
}

TEST_F(NodeEditorClipboardTest, APasteAfterScrollingFollowsTheScreenAndSnaps)
{
  MVNode* node = add("ValueNode", {133, 47});
  select({node});
  step([&] { editor->copy(); });
  step([&] { editor->scrollToVisibleOrigin(QPointF(300, 0)); });
  for (const bool snap : {false, true}) {
    SCOPED_TRACE(snap);
    defaults->setBool("Snap nodes to grid", snap);
    step([&] { editor->paste(); });
    EXPECT_EQ(controller.nodeArray().back()->initialNodeViewOrigin(), snap ? pf::Point(470, 90) : pf::Point(473, 87));
  }
}

TEST_F(NodeEditorClipboardTest, CutCopiesThenDeletesWhatCanBeDeleted)
{
  MVNode* value = add("ValueNode", {20, 40});
  MVNode* artboard = add("ArtboardNode", {400, 0});
  select({value, artboard});
  step([&] { editor->cut(); });
  ASSERT_EQ(controller.nodeArray().size(), 1U);
  EXPECT_EQ(controller.nodeArray().front().get(), artboard);
  undo();
  EXPECT_EQ(controller.nodeArray().size(), 2U);
  step([&] { editor->paste(); });
  // The artboard on the clipboard is not pasted a second time.
  ASSERT_EQ(controller.nodeArray().size(), 3U);
  EXPECT_EQ(controller.nodeArray().back()->className(), "ValueNode");
}

TEST_F(NodeEditorClipboardTest, ABrokenOrHostileClipboardPastesNothingAndIsLogged)
{
  MVNode* node = add("ValueNode", {20, 40});
  const pf::PlistValue::Dictionary record = MVNodeClipboard::descriptionOfNodesAndConnections(controller, {node});
  const std::vector<std::uint8_t> sound = *pf::binaryPropertyList(pf::PlistValue(record));
  auto bytesOf = [](const pf::PlistValue& value) {
    const std::vector<std::uint8_t> bytes = *pf::binaryPropertyList(value);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  };
  pf::PlistValue withDate(record);
  pf::PlistValue nodeWithDate = withDate.find("Nodes")->at(0);
  nodeWithDate.set("Created", pf::PlistValue::date(0));
  withDate.set("Nodes", pf::PlistValue(pf::PlistValue::Array{nodeWithDate}));
  pf::PlistValue notAList(record);
  notAList.set("Nodes", pf::PlistValue("1"));
  pf::PlistValue tooMany(record);
  tooMany.set("Nodes", pf::PlistValue(pf::PlistValue::Array(MVNodeClipboard::kMaxNodes + 1, pf::PlistValue::emptyDictionary())));
  pf::PlistValue badOffset(record);
  badOffset.set("View offset", pf::PlistValue("{nan, 0}"));

  const std::vector<std::pair<const char*, QByteArray>> cases = {
    {"not a property list", QByteArray("garbage bytes")},
    {"XML instead of binary", QByteArray::fromStdString(*pf::xmlPropertyList(pf::PlistValue(record)))},
    {"cut short", QByteArray(reinterpret_cast<const char*>(sound.data()), static_cast<qsizetype>(sound.size() / 2))},
    {"an array", bytesOf(pf::PlistValue(pf::PlistValue::Array{pf::PlistValue(record)}))},
    {"a date inside", bytesOf(withDate)},
    {"nodes not a list", bytesOf(notAList)},
    {"too many nodes", bytesOf(tooMany)},
    {"offset not a number", bytesOf(badOffset)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    putOnClipboard(MVNodeClipboard::kPasteboardType, bytes);
    log.clear();
    step([&] { editor->paste(); });
    EXPECT_EQ(controller.nodeArray().size(), 1U);
    EXPECT_EQ(log.countContaining("Error pasting in node information, error: "), 1);
  }
  // The sound record pastes.
  putOnClipboard(MVNodeClipboard::kPasteboardType,
                 QByteArray(reinterpret_cast<const char*>(sound.data()), static_cast<qsizetype>(sound.size())));
  step([&] { editor->paste(); });
  EXPECT_EQ(controller.nodeArray().size(), 2U);
}

TEST_F(NodeEditorClipboardTest, AnImageGoesIntoTheSelectedImportNodeOrANewOne)
{
  putOnClipboard("image/png", pngBytes());
  step([&] { editor->paste(); });
  ASSERT_EQ(controller.nodeArray().size(), 1U);
  auto* created = dynamic_cast<ElementImportNode*>(controller.nodeArray().front().get());
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->importFileParameter()->fileDisplayName(), "Pasted graphics");
  EXPECT_EQ(controller.selectedNodesArray(), std::vector<MVNode*>{created});
  const QRectF visible = editor->visibleRect();
  EXPECT_NEAR(created->initialNodeViewOrigin().x, visible.center().x() - 80, 1.0);
  EXPECT_EQ(document.undoManager()->undoActionName(), "paste in graphics");

  // With an import node selected its graphics are replaced; no node is made.
  step([&] { created->importFileParameter()->setFileData(nullptr); });
  step([&] { editor->paste(); });
  EXPECT_EQ(controller.nodeArray().size(), 1U);
  EXPECT_NE(created->importFileParameter()->fileData(), nullptr);

  // Unreadable image data makes no node and says so.
  step([&] { controller.selectNode(nullptr, false, false, true); });
  putOnClipboard("image/png", "not an image");
  log.clear();
  step([&] { editor->paste(); });
  EXPECT_EQ(controller.nodeArray().size(), 1U);
  EXPECT_EQ(log.countContaining("Paste failed"), 1);
}

}  // namespace
