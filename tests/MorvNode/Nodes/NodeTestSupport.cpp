#include "NodeTestSupport.h"

#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/RunLoop.h"
#include "Shared/RandomSource/RandomSource.h"

NodeGraphTest::NodeGraphTest()
    : defaults(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "node-test-defaults.plist"))
{
  pf::RunLoop::setCurrent(&runLoop);
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  // Other fixtures put test classes under the same names; these tests use the real ones.
  registerNodeClasses();
  artboard_ = add<ArtboardNode>("ArtboardNode");
  document.undoManager()->removeAllActions();  // the document starts with its artboard
}

NodeGraphTest::~NodeGraphTest()
{
  controller().releaseResources();
  pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "node-test-empty.plist"));
}

MVConnection* NodeGraphTest::connectToLayer(MVNode* node, std::size_t layerIndex)
{
  return controller().addConnectionFromSocket(node->graphicsParameterNamed("Graphics")->outputSocket(),
                                              artboard_->layers().at(layerIndex)->inputSocket());
}

void NodeGraphTest::useRandomTable()
{
  static const RandomSource table(123456789);
  document.setRandomSource(&table);
}

std::shared_ptr<const MVElement> NodeGraphTest::regenerate()
{
  runLoop.advance(MVNodeController::kRegenerationDelay);
  return controller().outputElement();
}
