// Journeys through the real application on a virtual display, each as a user makes it: real
// pointer and key events on what the window shows, the outcome read from the saved document
// (its property list) and the exported image, compared with the core's own render.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "Journeys/JourneySession.h"
#include "Support/LogCapture.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/Bitmap.h"
#include "Platform/GeometryStrings.h"
#include "Platform/ImageCodec.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PlistValue.h"
#include "Platform/PropertyList.h"
#include "Platform/UserDefaults.h"

namespace {

// ---- The saved document, as its file says ----

struct SavedNode {
  std::string nodeId;
  std::string nodeClass;
  pf::Point origin;
  pf::PlistValue parameters;  // "Parameter name" → record
};

struct SavedConnection {
  std::string fromNodeId;
  std::string fromParameter;
  std::string toNodeId;
  std::string toParameter;
  auto key() const { return std::tie(fromNodeId, fromParameter, toNodeId, toParameter); }
  bool operator<(const SavedConnection& other) const { return key() < other.key(); }
  bool operator==(const SavedConnection& other) const { return key() == other.key(); }
};

std::ostream& operator<<(std::ostream& stream, const SavedConnection& connection)
{
  return stream << connection.fromNodeId << "." << connection.fromParameter << " -> " << connection.toNodeId << "."
                << connection.toParameter;
}

struct SavedDocument {
  bool readable = false;
  std::vector<SavedNode> nodes;
  std::set<SavedConnection> connections;

  std::vector<const SavedNode*> nodesOfClass(const std::string& nodeClass) const
  {
    std::vector<const SavedNode*> found;
    for (const SavedNode& node : nodes) {
      if (node.nodeClass == nodeClass) {
        found.push_back(&node);
      }
    }
    return found;
  }
  const SavedNode* node(const std::string& nodeId) const
  {
    const auto found = std::find_if(nodes.begin(), nodes.end(), [&](const SavedNode& each) { return each.nodeId == nodeId; });
    return found != nodes.end() ? &*found : nullptr;
  }
  // A number of a parameter's record ("ValueX" of "Count"); NaN when missing.
  double number(const std::string& nodeId, const std::string& parameter, const std::string& key) const
  {
    const SavedNode* found = node(nodeId);
    const pf::PlistValue* record = found != nullptr ? found->parameters.find(parameter) : nullptr;
    const pf::PlistValue* value = record != nullptr ? record->find(key) : nullptr;
    return value != nullptr ? value->toDouble().value_or(std::nan("")) : std::nan("");
  }
};

SavedDocument readSavedDocument(const std::filesystem::path& path)
{
  SavedDocument document;
  const std::optional<pf::PlistValue> file = pf::readPropertyListFile(path);
  if (!file || !file->isDictionary()) {
    return document;
  }
  document.readable = true;
  if (const pf::PlistValue* nodes = file->find("Nodes")) {
    for (std::size_t i = 0; i < nodes->size(); ++i) {
      const pf::PlistValue& record = nodes->at(i);
      SavedNode node;
      node.nodeId = record.find("Node id") != nullptr ? record.find("Node id")->stringOr() : std::string();
      node.nodeClass = record.find("Node class") != nullptr ? record.find("Node class")->stringOr() : std::string();
      if (const pf::PlistValue* origin = record.find("Node view origin")) {
        node.origin = pf::pointFromString(origin->stringOr());
      }
      if (const pf::PlistValue* parameters = record.find("Parameters")) {
        for (std::size_t p = 0; p < parameters->size(); ++p) {
          const pf::PlistValue& parameter = parameters->at(p);
          if (const pf::PlistValue* name = parameter.find("Parameter name")) {
            node.parameters.set(name->stringOr(), parameter);
          }
        }
      }
      document.nodes.push_back(std::move(node));
    }
  }
  if (const pf::PlistValue* connections = file->find("Connections")) {
    for (std::size_t i = 0; i < connections->size(); ++i) {
      const pf::PlistValue& record = connections->at(i);
      auto text = [&record](const char* key) { return record.find(key) != nullptr ? record.find(key)->stringOr() : std::string(); };
      document.connections.insert({text("From parameter nodeId"), text("From parameter name"), text("To parameter nodeId"),
                                   text("To parameter name")});
    }
  }
  return document;
}

std::string fileText(const std::filesystem::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}


std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path)
{
  const std::string text = fileText(path);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// The saved document opened and rendered by the core in this process, `width` pixels wide; nullopt
// when it cannot be read or rendered.
std::optional<pf::Bitmap> coreRender(const std::filesystem::path& path, int width)
{
  const testsupport::QuietLog quiet;  // the core's log lines stay out of the test's output
  pf::ManualRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);
  auto defaults = std::make_shared<pf::UserDefaults>(path.parent_path() / "core-defaults.plist");
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerNodeClasses();
  std::optional<pf::Bitmap> result;
  {
    MVDocument document;
    if (document.readFromURL(path)) {
      document.windowControllerDidLoadNib();
      MVArtworkRenderer renderer(document.nodeController());
      renderer.bringOutputUpToDate();
      const double artboardWidth = static_cast<double>(renderer.bitmapPixelSize(1.0).first);
      if (artboardWidth > 0.0) {
        if (const std::shared_ptr<const pf::Bitmap> bitmap = renderer.renderBitmap(width / artboardWidth)) {
          result = *bitmap;
        }
      }
    }
  }
  pf::RunLoop::setCurrent(nullptr);
  return result;
}

// Pixels (straight components) that differ by more than a rounding step in any component,
// counting colour only where the pixel is not almost transparent.
long differingPixels(const pf::Bitmap& a, const pf::Bitmap& b)
{
  long differing = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const pf::Bitmap::Rgba8 p = a.pixel(x, y);
      const pf::Bitmap::Rgba8 q = b.pixel(x, y);
      const bool alphaDiffers = std::abs(p.alpha - q.alpha) > 3;
      const bool colourDiffers = std::min(p.alpha, q.alpha) > 16 &&
                                 (std::abs(p.red - q.red) > 3 || std::abs(p.green - q.green) > 3 || std::abs(p.blue - q.blue) > 3);
      if (alphaDiffers || colourDiffers) {
        ++differing;
      }
    }
  }
  return differing;
}

// ---- Where to point ----

// The top left of a free area of the node editor, `width` x `height` pixels that no node box or
// connection comes near, well inside the editor (a drag that ends near an edge scrolls the
// canvas): the one nearest to the editor's top when `nearTop`, else nearest to its centre.
std::optional<ScreenPoint> freeCanvasArea(const ScreenReport& screen, int width, int height, bool nearTop)
{
  const std::vector<ScreenRect> editors = screen.widgetsOfClass("NodeEditorView");
  if (editors.empty()) {
    return std::nullopt;
  }
  const ScreenRect editor = editors.front();
  std::vector<ScreenRect> taken;
  for (const ScreenReport::Node& node : screen.nodes()) {
    taken.push_back(node.frame);
  }
  for (const ScreenRect& connection : screen.widgetsOfClass("MVConnectionView")) {
    taken.push_back(connection);
  }
  constexpr int kMargin = 30;  // pixels, around what is taken and inside the editor's edges
  auto isFree = [&](int x, int y) {
    return std::none_of(taken.begin(), taken.end(), [&](const ScreenRect& box) {
      return x - kMargin < box.x + box.width && box.x < x + width + kMargin && y - kMargin < box.y + box.height &&
             box.y < y + height + kMargin;
    });
  };
  std::optional<ScreenPoint> best;
  double bestDistance = 0.0;
  const ScreenPoint centre = editor.center();
  for (int y = editor.y + kMargin; y + height < editor.y + editor.height - kMargin; y += 10) {
    for (int x = editor.x + kMargin; x + width < editor.x + editor.width - kMargin; x += 10) {
      const double distance = nearTop ? y : std::hypot(x + width / 2 - centre.x, y + height / 2 - centre.y);
      if ((!best || distance < bestDistance) && isFree(x, y)) {
        best = ScreenPoint{x, y};
        bestDistance = distance;
      }
    }
  }
  return best;
}

// A point of the node editor away from nodes, connections and edges, nearest to its centre.
std::optional<ScreenPoint> emptyCanvasPoint(const ScreenReport& screen)
{
  return freeCanvasArea(screen, 1, 1, false);
}

// The header of a node box, where a press grabs the node: near its top, left of centre (the
// title, not the menu button or the enabled switch).
ScreenPoint headerPoint(const ScreenReport::Node& node)
{
  return {node.frame.x + node.frame.width / 3, node.frame.y + 8};
}

// Sockets are discs cut by the row's edge: the visible half lies inside the box.
ScreenPoint insideInput(ScreenPoint socket)
{
  return {socket.x + 3, socket.y};
}

ScreenPoint insideOutput(ScreenPoint socket)
{
  return {socket.x - 3, socket.y};
}

// The text fields of a parameter row, left to right.
std::vector<ScreenRect> fieldsInRow(const ScreenReport& screen, const ScreenRect& row)
{
  std::vector<ScreenRect> fields = screen.widgetsOfClass("ODTextField", row);
  std::sort(fields.begin(), fields.end(), [](const ScreenRect& a, const ScreenRect& b) { return a.x < b.x; });
  return fields;
}

// ---- Steps shared by the journeys ----

class Journey : public ::testing::Test {
protected:
  // Clicks the items of the open menu and its submenus in turn; returns once the menus are gone.
  void chooseMenuItems(JourneySession& session, const std::vector<std::string>& items, bool lastOpensSubmenu = false)
  {
    for (const std::string& item : items) {
      const ScreenReport screen =
        session.waitFor("the menu item \"" + item + "\"", [&item](const ScreenReport& r) { return r.menuItem(item).has_value(); });
      ASSERT_TRUE(screen.menuItem(item));
      session.click(screen.menuItem(item)->center());
    }
    if (!lastOpensSubmenu) {
      session.waitFor("the menus closed", [](const ScreenReport& r) { return !r.hasPopup(); });
    }
  }

  // Saves with the key and waits until the file's content changes from `before`.
  SavedDocument saveAndRead(JourneySession& session, const std::filesystem::path& path, const std::string& before)
  {
    session.key("ctrl+s");
    return waitForNewContent(session, path, before);
  }

  SavedDocument waitForNewContent(JourneySession& session, const std::filesystem::path& path, const std::string& before)
  {
    session.waitFor("the document saved to " + path.string(), [&](const ScreenReport&) {
      const std::string now = fileText(path);
      return !now.empty() && now != before && readSavedDocument(path).readable;
    });
    return readSavedDocument(path);
  }

  // Quits with the key; the application must end cleanly, with nothing for the sanitizers.
  void quit(JourneySession& session)
  {
    session.key("ctrl+q");
    const std::optional<int> status = session.waitForExit();
    EXPECT_EQ(status, 0) << session.appLog();
    EXPECT_EQ(session.sanitizerFindings(), "");
  }

  // A copy of the application's default document (an artboard fed by two shapes) to open.
  std::filesystem::path defaultDocumentCopy(JourneySession& session, const std::string& name)
  {
    const std::filesystem::path path = session.folder() / name;
    std::filesystem::copy_file(std::filesystem::path(MORVALIS_RESOURCES_PATH) / "Default.mvdx", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
  }
};

// New document, a Grid from the canvas menu, Shape → Grid → Artboard connected by dragging from
// an output and then from an input (the artboard's layer socket sits on a row), a value typed,
// undone and redone, saved, quit, reopened: the same graph.
TEST_F(Journey, NewDocumentBuildsGridGraphThroughUndoSaveAndReopen)
{
  JourneySession session("new-document");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  session.launch();
  ScreenReport screen = session.waitFor("a new document with its default nodes", [](const ScreenReport& r) {
    return r.window("Untitled") && r.nodeNamed("Artboard") && r.nodesNamed("Shape").size() == 2;
  });
  ASSERT_FALSE(HasFailure());

  // The canvas menu opened where the Grid's box (placed at the pointer) fits with its rows.
  const std::optional<ScreenPoint> place = freeCanvasArea(screen, 180, 260, true);
  ASSERT_TRUE(place) << screen.text;
  session.click(*place, 3);
  chooseMenuItems(session, {"Add node", "Repeat", "Grid"});
  ASSERT_FALSE(HasFailure());
  screen = session.waitFor("the Grid node", [](const ScreenReport& r) { return r.nodeNamed("Grid").has_value(); });
  ASSERT_FALSE(HasFailure());
  const ScreenReport::Node grid = *screen.nodeNamed("Grid");
  const ScreenReport::Node artboard = *screen.nodeNamed("Artboard");
  const ScreenReport::Node shape = screen.nodesNamed("Shape").front();

  // Output to input: Shape → Grid. The shape already feeds the artboard, so Alt starts a new
  // connection instead of taking that one's end.
  const std::optional<ScreenPoint> shapeOut = screen.socket(shape.nodeId, "Graphics", "out");
  const std::optional<ScreenPoint> gridIn = screen.socket(grid.nodeId, "Graphics", "in");
  ASSERT_TRUE(shapeOut && gridIn) << screen.text;
  session.drag(insideOutput(*shapeOut), insideInput(*gridIn), "alt");
  // Input to output: from the artboard's top layer back to the Grid.
  screen = session.report();
  const std::optional<ScreenPoint> topLayer = screen.socket(artboard.nodeId, "OutputLayer1", "in");
  const std::optional<ScreenPoint> gridOut = screen.socket(grid.nodeId, "Graphics", "out");
  ASSERT_TRUE(topLayer && gridOut) << screen.text;
  session.drag(insideInput(*topLayer), insideOutput(*gridOut));

  // Columns typed into the Grid's repetitions row, then the canvas takes the keys again.
  screen = session.report();
  const std::optional<ScreenRect> countRow = screen.row(grid.nodeId, "Count");
  ASSERT_TRUE(countRow) << screen.text;
  const std::vector<ScreenRect> countFields = fieldsInRow(screen, *countRow);
  ASSERT_FALSE(countFields.empty()) << screen.text;
  session.click(countFields.front().center());
  session.key("ctrl+a");
  session.type("7");
  session.key("Return");
  const std::optional<ScreenPoint> empty = emptyCanvasPoint(screen);
  ASSERT_TRUE(empty) << screen.text;
  session.click(*empty);

  // Undone, then saved (a new document asks where).
  session.key("ctrl+z");
  const std::filesystem::path path = session.folder() / "grid.mvdx";
  session.key("ctrl+s");
  screen = session.waitFor("the save dialog", [](const ScreenReport& r) { return r.hasWindowOfClass("QFileDialog"); });
  ASSERT_FALSE(HasFailure());
  session.key("ctrl+a");
  session.type(path.string());
  session.key("Return");
  SavedDocument saved = waitForNewContent(session, path, "");
  session.focusWindow("grid.mvdx");
  ASSERT_TRUE(saved.readable);
  ASSERT_EQ(saved.nodesOfClass("RepeatGridNode").size(), 1U);
  const std::string gridId = saved.nodesOfClass("RepeatGridNode").front()->nodeId;
  const double columnsBefore = saved.number(gridId, "Count", "ValueX");
  EXPECT_NE(columnsBefore, 7.0) << "the typed value was not undone";

  // Redone and saved again, in place.
  session.key("ctrl+shift+z");
  saved = saveAndRead(session, path, fileText(path));
  EXPECT_EQ(saved.number(gridId, "Count", "ValueX"), 7.0) << "the typed value was not redone";
  const std::string shapeId = shape.nodeId;
  const std::string artboardId = artboard.nodeId;
  EXPECT_TRUE(saved.connections.contains({shapeId, "Graphics", gridId, "Graphics"}))
    << "Shape → Grid was not connected by dragging from the shape's output";
  EXPECT_TRUE(saved.connections.contains({gridId, "Graphics", artboardId, "OutputLayer1"}))
    << "Grid → Artboard was not connected by dragging from the artboard's top-layer input";
  EXPECT_EQ(saved.nodes.size(), 4U);
  quit(session);

  // Reopened: the same graph. A small move of the shape (whose header no curve crosses) makes
  // the save write it again.
  const SavedDocument first = saved;
  session.launch({path.string()});
  screen = session.waitFor("the reopened document", [](const ScreenReport& r) {
    return r.window("grid.mvdx") && r.nodeNamed("Grid") && r.nodeNamed("Artboard") && r.nodesNamed("Shape").size() == 2;
  });
  ASSERT_FALSE(HasFailure());
  session.focusWindow("grid.mvdx");
  const std::optional<ScreenReport::Node> reopenedShape = screen.nodeWithId(shapeId);
  ASSERT_TRUE(reopenedShape) << screen.text;
  const ScreenPoint grab = headerPoint(*reopenedShape);
  session.click(grab);
  session.waitFor("the shape selected", [&](const ScreenReport& r) {
    const std::optional<ScreenReport::Node> node = r.nodeWithId(shapeId);
    return node && node->selected;
  });
  session.drag(grab, {grab.x + 60, grab.y});
  session.waitFor("the shape moved", [&](const ScreenReport& r) {
    const std::optional<ScreenReport::Node> node = r.nodeWithId(shapeId);
    return node && node->frame.x > reopenedShape->frame.x;
  });
  const SavedDocument again = saveAndRead(session, path, fileText(path));
  EXPECT_EQ(again.connections, first.connections);
  ASSERT_EQ(again.nodes.size(), first.nodes.size());
  for (const SavedNode& node : first.nodes) {
    const SavedNode* reopened = again.node(node.nodeId);
    ASSERT_NE(reopened, nullptr) << node.nodeId;
    EXPECT_EQ(reopened->nodeClass, node.nodeClass);
    EXPECT_EQ(reopened->parameters.size(), node.parameters.size()) << node.nodeClass;
  }
  EXPECT_EQ(again.number(gridId, "Count", "ValueX"), 7.0);
  EXPECT_GT(again.node(shapeId)->origin.x, first.node(shapeId)->origin.x);
  quit(session);
}

// The artboard, selected and dragged over a shape, stays in front of it: a second press on the
// same spot grabs the artboard again, not the shape beneath.
TEST_F(Journey, SelectedNodeDraggedOverAnotherStaysInFront)
{
  JourneySession session("front");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  const std::filesystem::path path = defaultDocumentCopy(session, "front.mvdx");
  const SavedDocument original = readSavedDocument(path);
  session.launch({path.string()});
  ScreenReport screen = session.waitFor("the document's nodes", [](const ScreenReport& r) {
    return r.window("front.mvdx") && r.nodeNamed("Artboard") && !r.nodesNamed("Shape").empty();
  });
  ASSERT_FALSE(HasFailure());
  const ScreenReport::Node artboard = *screen.nodeNamed("Artboard");
  const ScreenReport::Node shape = screen.nodesNamed("Shape").front();

  // Selected by a click on its header, then dragged so that its header lies on the shape's box.
  const ScreenPoint start = headerPoint(artboard);
  session.click(start);
  const ScreenPoint onShape{shape.frame.x + shape.frame.width / 2, shape.frame.y + shape.frame.height / 2};
  session.drag(start, onShape);
  screen = session.waitFor("the artboard over the shape", [&](const ScreenReport& r) {
    const std::optional<ScreenReport::Node> moved = r.nodeWithId(artboard.nodeId);
    return moved && moved->frame.contains(onShape) && moved->frame.x != artboard.frame.x;
  });
  ASSERT_FALSE(HasFailure());

  // Its header again, over the shape, right of the curves that enter its inputs: whatever is in
  // front there takes the press.
  const ScreenReport::Node moved = *screen.nodeWithId(artboard.nodeId);
  const ScreenPoint again{moved.frame.x + moved.frame.width - 40, moved.frame.y + 8};
  ASSERT_TRUE(shape.frame.contains(again)) << screen.text;
  const ScreenPoint further{again.x + 200, again.y + 40};
  session.drag(again, further);
  const SavedDocument saved = saveAndRead(session, path, fileText(path));
  const SavedNode* savedArtboard = saved.node(artboard.nodeId);
  const SavedNode* savedShape = saved.node(shape.nodeId);
  ASSERT_TRUE(savedArtboard != nullptr && savedShape != nullptr);
  const SavedNode* originalArtboard = original.node(artboard.nodeId);
  const SavedNode* originalShape = original.node(shape.nodeId);
  const ScreenPoint total{(moved.frame.x - artboard.frame.x) + (further.x - again.x), (moved.frame.y - artboard.frame.y) + (further.y - again.y)};
  EXPECT_NEAR(savedArtboard->origin.x - originalArtboard->origin.x, total.x, 20.0)
    << "the second drag did not move the artboard: it went behind the shape";
  EXPECT_NEAR(savedArtboard->origin.y - originalArtboard->origin.y, total.y, 20.0);
  EXPECT_EQ(savedShape->origin.x, originalShape->origin.x);
  EXPECT_EQ(savedShape->origin.y, originalShape->origin.y);
  EXPECT_EQ(saved.connections, original.connections);
  quit(session);
}

// A drag with Ctrl held moves a copy of the node, connected as the original is, and leaves the
// original in place; the Edit menu names the step, and one undo takes the copy away.
TEST_F(Journey, CtrlDragCopiesNodeWithItsConnections)
{
  JourneySession session("copy-drag");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  const std::filesystem::path path = defaultDocumentCopy(session, "copy.mvdx");
  const SavedDocument original = readSavedDocument(path);
  session.launch({path.string()});
  ScreenReport screen = session.waitFor("the document's nodes", [](const ScreenReport& r) {
    return r.window("copy.mvdx") && r.nodeNamed("Artboard") && !r.nodesNamed("Shape").empty();
  });
  ASSERT_FALSE(HasFailure());
  const ScreenReport::Node shape = screen.nodesNamed("Shape").front();
  const std::optional<ScreenPoint> empty = emptyCanvasPoint(screen);
  ASSERT_TRUE(empty) << screen.text;

  const ScreenPoint start = headerPoint(shape);
  session.drag(start, *empty, "ctrl");
  screen = session.waitFor("the copy", [&](const ScreenReport& r) { return r.nodesNamed("Shape").size() == 3; });
  ASSERT_FALSE(HasFailure());

  // What the Edit menu offers to undo.
  const std::optional<ScreenRect> editMenu = screen.menuItem("Edit");
  ASSERT_TRUE(editMenu) << screen.text;
  session.click(editMenu->center());
  screen = session.waitFor("the Edit menu", [](const ScreenReport& r) { return r.menuItemStartingWith("Undo").has_value(); });
  std::string undoTitle;
  screen.menuItemStartingWith("Undo", &undoTitle);
  EXPECT_EQ(undoTitle, "Undo duplicating node");
  session.key("Escape");

  const SavedDocument saved = saveAndRead(session, path, fileText(path));
  ASSERT_EQ(saved.nodesOfClass("ElementShapeNode").size(), 3U);
  const SavedNode* copy = nullptr;
  for (const SavedNode& node : saved.nodes) {
    if (original.node(node.nodeId) == nullptr) {
      copy = &node;
    }
  }
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->nodeClass, "ElementShapeNode");
  EXPECT_EQ(saved.node(shape.nodeId)->origin.x, original.node(shape.nodeId)->origin.x) << "the original moved";
  EXPECT_EQ(saved.node(shape.nodeId)->origin.y, original.node(shape.nodeId)->origin.y) << "the original moved";
  EXPECT_GT(std::hypot(copy->origin.x - original.node(shape.nodeId)->origin.x,
                       copy->origin.y - original.node(shape.nodeId)->origin.y),
            50.0)
    << "the copy did not follow the pointer";
  // The copy feeds what the original feeds.
  std::set<SavedConnection> expected = original.connections;
  for (const SavedConnection& connection : original.connections) {
    if (connection.fromNodeId == shape.nodeId) {
      expected.insert({copy->nodeId, connection.fromParameter, connection.toNodeId, connection.toParameter});
    }
  }
  EXPECT_EQ(saved.connections, expected);

  // One undo takes the copy and its connections away.
  session.key("ctrl+z");
  const SavedDocument undone = saveAndRead(session, path, fileText(path));
  EXPECT_EQ(undone.nodes.size(), original.nodes.size());
  EXPECT_EQ(undone.connections, original.connections);
  quit(session);
}

// A Math node added from the canvas menu takes connections on its variable rows from either
// end: a shape's Size output dragged onto "A", and "B" dragged onto a shape's Position output.
TEST_F(Journey, MathNodeVariablesConnectFromEitherEnd)
{
  JourneySession session("math-rows");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  const std::filesystem::path path = defaultDocumentCopy(session, "math.mvdx");
  const SavedDocument original = readSavedDocument(path);
  session.launch({path.string()});
  ScreenReport screen = session.waitFor("the document's nodes", [](const ScreenReport& r) {
    return r.window("math.mvdx") && r.nodeNamed("Artboard") && !r.nodesNamed("Shape").empty();
  });
  ASSERT_FALSE(HasFailure());
  const std::optional<ScreenPoint> place = freeCanvasArea(screen, 160, 180, false);
  ASSERT_TRUE(place) << screen.text;
  session.click(*place, 3);
  chooseMenuItems(session, {"Add node", "Value operations", "Math"});
  ASSERT_FALSE(HasFailure());
  screen = session.waitFor("the Math node", [](const ScreenReport& r) { return r.nodeNamed("Math").has_value(); });
  ASSERT_FALSE(HasFailure());
  const ScreenReport::Node math = *screen.nodeNamed("Math");
  const ScreenReport::Node shape = screen.nodesNamed("Shape").front();

  const std::optional<ScreenPoint> sizeOut = screen.socket(shape.nodeId, "Size", "out");
  const std::optional<ScreenPoint> aIn = screen.socket(math.nodeId, "A", "in");
  ASSERT_TRUE(sizeOut && aIn) << screen.text;
  session.drag(insideOutput(*sizeOut), insideInput(*aIn));
  screen = session.report();
  const std::optional<ScreenPoint> bIn = screen.socket(math.nodeId, "B", "in");
  const std::optional<ScreenPoint> positionOut = screen.socket(shape.nodeId, "Position", "out");
  ASSERT_TRUE(bIn && positionOut) << screen.text;
  session.drag(insideInput(*bIn), insideOutput(*positionOut));

  const SavedDocument saved = saveAndRead(session, path, fileText(path));
  std::set<SavedConnection> expected = original.connections;
  expected.insert({shape.nodeId, "Size", math.nodeId, "A"});
  expected.insert({shape.nodeId, "Position", math.nodeId, "B"});
  EXPECT_EQ(saved.connections, expected);
  quit(session);
}

// File ▸ Export… as PNG: the exported image shows what the core renders from the saved document.
TEST_F(Journey, ExportedPngMatchesCoreRenderOfSavedDocument)
{
  JourneySession session("export");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  const std::filesystem::path path = defaultDocumentCopy(session, "export.mvdx");
  const std::filesystem::path image = session.folder() / "exported.png";
  session.launch({path.string()});
  ScreenReport screen = session.waitFor("the document's menu bar", [](const ScreenReport& r) {
    return r.window("export.mvdx") && r.menuItem("File") && r.nodeNamed("Artboard");
  });
  ASSERT_FALSE(HasFailure());
  session.click(screen.menuItem("File")->center());
  chooseMenuItems(session, {"Export..."});
  ASSERT_FALSE(HasFailure());
  screen = session.waitFor("the export panel", [](const ScreenReport& r) { return r.hasWindowOfClass("ExportPanel"); });
  ASSERT_FALSE(HasFailure());

  // PNG from the format menu.
  const std::optional<ScreenRect> exportWindow = screen.window("Export");
  ASSERT_TRUE(exportWindow) << screen.text;
  const std::vector<ScreenRect> menus = screen.widgetsOfClass("QComboBox", exportWindow);
  ASSERT_FALSE(menus.empty()) << screen.text;
  session.click(menus.front().center());
  screen = session.waitFor("the format list", [](const ScreenReport& r) { return r.listItem("PNG").has_value(); });
  ASSERT_FALSE(HasFailure());
  session.click(screen.listItem("PNG")->center());
  screen = session.waitFor("PNG chosen", [](const ScreenReport& r) {
    return r.widgetWithText("QComboBox", "PNG").has_value() && !r.hasPopup();
  });
  ASSERT_FALSE(HasFailure());

  // The file's path typed into the panel's file field (it names a PNG file now), then Export.
  std::optional<ScreenRect> fileField;
  for (const ScreenReport::Line& line : screen.lines()) {
    const auto& f = line.fields;
    if (f[0] == "widget" && f.size() >= 8 && f[1] == "QLineEdit" && f[3].ends_with(".png")) {
      fileField = ScreenRect{std::atoi(f[4].c_str()), std::atoi(f[5].c_str()), std::atoi(f[6].c_str()), std::atoi(f[7].c_str())};
    }
  }
  ASSERT_TRUE(fileField) << screen.text;
  session.click(fileField->center());
  session.key("ctrl+a");
  session.type(image.string());
  const std::optional<ScreenRect> exportButton = screen.widgetWithText("QPushButton", "Export");
  ASSERT_TRUE(exportButton) << screen.text;
  session.click(exportButton->center());
  ASSERT_TRUE(session.waitForFile(image)) << session.appLog();
  session.focusWindow("export.mvdx");

  // The document as it stands is saved, and the application ends.
  saveAndRead(session, path, fileText(path));
  quit(session);

  const std::optional<pf::DecodedBitmap> exported = pf::decodePng(fileBytes(image));
  ASSERT_TRUE(exported);
  const std::optional<pf::Bitmap> rendered = coreRender(path, exported->bitmap.width());
  ASSERT_TRUE(rendered);
  ASSERT_EQ(rendered->width(), exported->bitmap.width());
  ASSERT_EQ(rendered->height(), exported->bitmap.height());
  const long pixels = static_cast<long>(rendered->width()) * rendered->height();
  EXPECT_LE(differingPixels(*rendered, exported->bitmap), pixels / 1000);
  // Not a blank image: the artwork is there.
  long drawn = 0;
  for (int y = 0; y < rendered->height(); ++y) {
    for (int x = 0; x < rendered->width(); ++x) {
      drawn += exported->bitmap.pixel(x, y).alpha > 0 ? 1 : 0;
    }
  }
  EXPECT_GT(drawn, pixels / 20);
}

// The timeline of the document's animation, or nullopt while the animation panel is closed.
std::optional<ScreenRect> shownTimeline(const ScreenReport& screen)
{
  for (const ScreenRect& timeline : screen.widgetsOfClass("ODTimelineView")) {
    if (timeline.width > 200 && timeline.height > 20) {
      return timeline;
    }
  }
  return std::nullopt;
}

// With the animation panel closed, an animation added from a node's menu opens the panel; a
// drag along the timeline moves the current time, which the saved document keeps.
TEST_F(Journey, AnimationAddedWithPanelClosedOpensTimelineToScrub)
{
  JourneySession session("animation");
  ASSERT_TRUE(session.hasDisplay()) << session.problem();
  const std::filesystem::path path = defaultDocumentCopy(session, "animation.mvdx");
  session.launch({path.string()});
  ScreenReport screen = session.waitFor("the document's nodes", [](const ScreenReport& r) {
    return r.window("animation.mvdx") && r.nodeNamed("Artboard") && r.menuItem("View");
  });
  ASSERT_FALSE(HasFailure());
  if (shownTimeline(screen)) {
    session.click(screen.menuItem("View")->center());
    chooseMenuItems(session, {"Animation Panel"});
    ASSERT_FALSE(HasFailure());
    screen = session.waitFor("the animation panel closed", [](const ScreenReport& r) { return !shownTimeline(r); });
    ASSERT_FALSE(HasFailure());
  }

  // The shape's menu: Add animation, its first property.
  const ScreenReport::Node shape = screen.nodesNamed("Shape").front();
  session.click(headerPoint(shape), 3);
  chooseMenuItems(session, {"Add animation"}, true);
  ASSERT_FALSE(HasFailure());
  screen = session.waitFor("the properties to animate", [](const ScreenReport& r) {
    return std::any_of(r.lines().begin(), r.lines().end(), [](const ScreenReport::Line& line) {
      return line.fields[0] == "menuitem" && line.fields.size() >= 8 && line.fields[1] == "Add animation" && line.fields[7] == "1";
    });
  });
  ASSERT_FALSE(HasFailure());
  std::optional<ScreenRect> property;
  for (const ScreenReport::Line& line : screen.lines()) {
    const auto& f = line.fields;
    if (!property && f[0] == "menuitem" && f.size() >= 8 && f[1] == "Add animation" && f[7] == "1") {
      property = ScreenRect{std::atoi(f[3].c_str()), std::atoi(f[4].c_str()), std::atoi(f[5].c_str()), std::atoi(f[6].c_str())};
    }
  }
  ASSERT_TRUE(property);
  session.click(property->center());
  session.waitFor("the menus closed", [](const ScreenReport& r) { return !r.hasPopup(); });
  screen = session.waitFor("the animation panel opened by the new animation",
                           [](const ScreenReport& r) { return shownTimeline(r).has_value(); });
  ASSERT_FALSE(HasFailure());

  // Scrubbed from a fifth of the way to three fifths (time 0 lies 160 pixels in, the end 10
  // pixels before the right edge).
  const ScreenRect timeline = *shownTimeline(screen);
  const double axisStart = timeline.x + 160.0;
  const double axisLength = timeline.width - 170.0;
  const int y = timeline.y + std::min(timeline.height - 5, 60);
  const ScreenPoint from{static_cast<int>(axisStart + axisLength * 0.2), y};
  const ScreenPoint to{static_cast<int>(axisStart + axisLength * 0.6), y};
  session.drag(from, to);

  const SavedDocument saved = saveAndRead(session, path, fileText(path));
  quit(session);
  const std::optional<pf::PlistValue> file = pf::readPropertyListFile(path);
  ASSERT_TRUE(file);
  const pf::PlistValue* animation = file->find("Animation");
  ASSERT_NE(animation, nullptr);
  const pf::PlistValue* animators = animation->find("Animators");
  ASSERT_NE(animators, nullptr) << "no animation was saved";
  EXPECT_EQ(animators->size(), 1U);
  const double duration = animation->find("duration")->toDouble().value_or(0.0);
  const double currentTime = animation->find("currentTime")->toDouble().value_or(-1.0);
  EXPECT_NEAR(currentTime, duration * (to.x - axisStart) / axisLength, duration * 0.02) << "the scrub did not move the time";
  EXPECT_EQ(saved.nodes.size(), 3U);
}

}  // namespace
