// Documents as property lists of node and connection records ({"Nodes": [...],
// "Connections": [...]}): the records are loaded into a controller, generated on a manual run
// loop, drawn, written as the SVG body of an export and saved again. The export must be
// well-formed for a strict reader and the saved records must read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "FuzzCheck.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PropertyList.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"
#include "Support/StrictXml.h"

namespace {

// What every input shares: the run loop, the preferences (never written) and the node classes.
struct Environment {
  Environment()
  {
    pf::setLogEcho(false);
    pf::RunLoop::setCurrent(&runLoop);
    defaults = std::make_shared<pf::UserDefaults>(std::filesystem::temp_directory_path() /
                                                  "morvalis-fuzz-unused-defaults.plist");
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
  }
  pf::ManualRunLoop runLoop;
  std::shared_ptr<pf::UserDefaults> defaults;
};

void checkSavedRecordsReadBack(const MVNodeController& controller)
{
  pf::PlistValue::Array nodes;
  for (const auto& node : controller.nodeArray()) {
    nodes.emplace_back(node->descriptionDictionary());
  }
  pf::PlistValue saved;
  saved.set("Nodes", pf::PlistValue(std::move(nodes)));
  saved.set("Connections", pf::PlistValue(controller.connectionDescriptionsArray()));
  // The XML form when it can hold every string, else the binary form: one of them always.
  if (const auto xml = pf::xmlPropertyList(saved)) {
    FUZZ_CHECK(testsupport::xmlWellFormednessError(*xml).empty());
    FUZZ_CHECK(pf::readPropertyList(*xml).has_value());
    return;
  }
  const auto binary = pf::binaryPropertyList(saved);
  FUZZ_CHECK(binary.has_value());
  FUZZ_CHECK(pf::readPropertyList(std::span<const std::uint8_t>(*binary)).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static Environment environment;
  std::string error;
  const auto value = pf::readPropertyList(std::span<const std::uint8_t>(data, size), &error);
  if (!value || !value->isDictionary()) {
    return 0;
  }
  MVDocument document;
  MVNodeController& controller = document.nodeController();
  controller.removeAllNodes();
  const pf::PlistValue* nodes = value->find("Nodes");
  const pf::PlistValue* connections = value->find("Connections");
  controller.loadNodesFromArray(nodes && nodes->isArray() ? *nodes->asArray() : pf::PlistValue::Array{});
  controller.loadConnectionsFromArray(connections && connections->isArray() ? *connections->asArray()
                                                                            : pf::PlistValue::Array{});
  controller.scheduleRegenerationForced();
  environment.runLoop.advance(MVNodeController::kRegenerationDelay);

  const std::string body = controller.svgArtboardBackgroundString() + controller.svgSymbolDefinitionsString() +
                           controller.svgOutputElementString();
  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n" +
                          body + "</svg>\n";
  FUZZ_CHECK(testsupport::xmlWellFormednessError(svg).empty());

  if (const std::shared_ptr<const MVElement> output = controller.outputElement()) {
    MVElementRenderer renderer;
    controller.setupRenderingThread(&renderer);
    renderer.setInputRenderingElement(output);
    renderer.setDisplayScale(0.25);
    renderer.setRetinaScaling(1);
    renderer.startRendering();
  }
  checkSavedRecordsReadBack(controller);
  controller.releaseResources();
  return 0;
}
