#include "MorvNode/Nodes/Elements/ElementImportNode.h"

#include <cmath>

#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeUndoDelegate.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
#include "MorvNode/Nodes/NodeResources.h"
#include "Platform/Format.h"
#include "Platform/Unicode.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

bool isPositiveFinite(double value)
{
  return std::isfinite(value) && value > 0.0;
}

}  // namespace

const MVNodeClass& ElementImportNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementNode::nodeClassInfo();
    info.className = "ElementImportNode";
    info.displayName = "Import";
    info.toolTipText = "Adds a bitmap or vector image element from file to the pattern";
    info.descriptionText =
        "This node outputs an image graphic element, based on either a file you select or graphics you paste into "
        "it. This can either be a bitmap image (like jpg, png, tiff etc), either with or without alpha "
        "information, or it can be vector graphics (pdf, eps, svg (partial support)). This lets you add more "
        "complicated graphical elements to your pattern that can be transformed and repeated just like any "
        "other.<BR><BR>The node has two modes, Image mode and Paths mode, image mode just uses the imported "
        "graphics as a static element (bitmap images can be tinted with color), while paths mode tries to extract "
        "vector paths from the imported graphics (for vector formats) that can then be used like any other vector "
        "path element by following nodes, adjusting fill and storke etc.";
    info.iconName = "node_icon_element_import.png";
    info.create = [] { return std::make_unique<ElementImportNode>(); };
    return info;
  }();
  return nodeClass;
}

ElementImportNode::ElementImportNode()
{
  applyModeCapabilities();
}

long long ElementImportNode::initialMode()
{
  return pf::UserDefaults::standard().boolForKey("Paste vector graphics as custom shapes") ? kPathsMode : kImageMode;
}

void ElementImportNode::initNodeParameters()
{
  ElementNode::initNodeParameters();
  relativeAspect_ = 1.0;
  if (nodeController() != nullptr) {
    importFile_.setSharedGraphicsManager(nodeController()->sharedGraphicsManager());
  }
  const std::optional<std::string_view> squiggle = NodeResources::resourceNamed(kDefaultGraphicName);
  if (!squiggle) {
    FeedbackManager::log("Error, %@ could not find default graphic data %@", description(), kDefaultGraphicName);
    return;
  }
  // Part of making the node: no undo step, and "Size" keeps its default.
  const MVUndoRegistrationPause paused(undoDelegate());
  importFile_.setUpdateDelegatesOnValueChange(false);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(squiggle->data());
  importFile_.loadNewGraphicData(std::span<const std::uint8_t>(bytes, squiggle->size()),
                                 std::string(kDefaultGraphicName));
  importFile_.setUpdateDelegatesOnValueChange(true);
  applyModeCapabilities();
}

long long ElementImportNode::mode() const
{
  return importMode_.index();
}

void ElementImportNode::applyModeCapabilities()
{
  // Image mode draws the image untinted by the fill colour; the rows it shows (fill opacity, and
  // the stroke of bitmaps) apply to the image element.
  const bool imageMode = mode() == kImageMode;
  canFill_ = !imageMode;
  canStroke_ = !imageMode || (importFile_.isBitmap());
  hasSeparateOpacity_ = imageMode;
}

void ElementImportNode::updateLinkedParameters()
{
  ElementNode::updateLinkedParameters();
  const bool bitmap = importFile_.isBitmap();
  const long long m = mode();
  if (m == kImageMode) {
    fillOpacityParameter()->setLayoutHidden(false);
    strokeColorParameter()->setLayoutHidden(!bitmap);
    fillColorParameter()->setLayoutHidden(true);
    tintColor_.setLayoutHidden(!bitmap);
  } else if (m == kPathsMode) {
    strokeColorParameter()->setLayoutHidden(false);
    fillColorParameter()->setLayoutHidden(false);
    tintColor_.setLayoutHidden(true);
  } else {
    strokeColorParameter()->setLayoutHidden(false);
    fillColorParameter()->setLayoutHidden(false);
    tintColor_.setLayoutHidden(!bitmap);
  }
}

std::optional<pf::Size> ElementImportNode::artworkSize()
{
  if (const auto image = importFile_.graphicImage()) {
    const pf::Size size = image->size();
    if (isPositiveFinite(size.width) && isPositiveFinite(size.height)) {
      return size;
    }
  }
  if (const auto path = importFile_.graphicPath()) {
    if (const std::optional<pf::Rect> box = path->bounds();
        box && isPositiveFinite(box->width()) && isPositiveFinite(box->height())) {
      return box->size;
    }
  }
  return std::nullopt;
}

void ElementImportNode::setSizeKeepingLock(double x, double y)
{
  MVParameterValue2D* size = sizeParameter();
  const bool locked = size->aspectLocked();
  if (locked) {
    size->setAspectLocked(false);
  }
  size->setValueX(x, y);
  if (locked) {
    size->setAspectLocked(true);
  }
}

void ElementImportNode::parameterChanged(MVParameter* parameter, const std::string& propertyName)
{
  if (parameter == &importFile_) {
    MVParameterFile* file = &importFile_;
    if (mode() == kPathsMode && !file->graphicPath()) {
      importMode_.setIndex(kImageMode);
    }
    if (mode() == kImageMode && !file->graphicImage()) {
      importMode_.setIndex(kPathsMode);
    }
    if (!file->graphicPath() && !file->graphicImage()) {
      FeedbackManager::showNSAlert(std::string("Import warning"),
                                   std::string("Couldn't parse any image data from the imported data."));
    } else {
      const pf::UndoManager* undoManager = undoDelegate() != nullptr ? undoDelegate()->undoManager() : nullptr;
      const std::optional<pf::Size> artwork = artworkSize();
      if ((undoManager == nullptr || !undoManager->isUndoing()) && artwork) {
        const double x = sizeParameter()->valueX();
        setSizeKeepingLock(x, x * (artwork->height / artwork->width) * relativeAspect_);
      }
    }
  } else if (parameter == &importMode_) {
    applyModeCapabilities();
  } else if (parameter == sizeParameter()) {
    const std::optional<pf::Size> artwork = artworkSize();
    if (artwork) {
      const double aspect =
          (sizeParameter()->valueY() / sizeParameter()->valueX()) / (artwork->height / artwork->width);
      // Kept only when it is a usable ratio (a zero or unset axis gives none).
      if (isPositiveFinite(aspect)) {
        relativeAspect_ = aspect;
      }
    }
  }
  ElementNode::parameterChanged(parameter, propertyName);
}

void ElementImportNode::checkWarnings()
{
  ElementNode::checkWarnings();
  const std::string displayName = importFile_.fileDisplayName().value_or("(null)");
  if (mode() == kPathsMode) {
    if (importFile_.isVector()) {
      if (!fillColorParameter()->enabled() && !strokeColorParameter()->enabled()) {
        addWarningMessage("This import node has both fill and stroke toggled off while in Paths mode so nothing "
                          "will be drawn in the output.");
      }
    } else {
      addWarningMessage(
          pf::format("Could not parse path from graphics data '%@', try Import mode: Image instead", displayName));
    }
  } else if (mode() == kImageMode && !importFile_.graphicImage()) {
    addWarningMessage(
        pf::format("Could not import graphics data '%@', it may be corrupt or in an unsupported format", displayName));
  }
}

std::shared_ptr<MVElement> ElementImportNode::generateElement()
{
  MVParameterFile* file = &importFile_;
  if (!file->isBitmap() && !file->isVector()) {
    return nullptr;
  }
  applyModeCapabilities();
  MVParameterValue2D* size = sizeParameter();
  const double sizeX = size->valueX();
  const double sizeY = size->valueY();
  const std::string displayName = file->fileDisplayName().value_or("(null)");

  if (mode() == kPathsMode) {
    if (!file->isVector()) {
      return nullptr;
    }
    auto element = std::make_shared<MVElementPath>();
    if (const std::shared_ptr<const pf::Path> path = file->graphicPath()) {
      const std::optional<pf::Rect> box = path->bounds();
      const double width = box ? box->width() : 0.0;
      const double height = box ? box->height() : 0.0;
      element->setWidth(width);
      element->setHeight(height);
      element->setCgPath(path);
      element->setEvenOddFillMode(file->vectorEvenOddFillMode());
      // The reader's paths are y-up: the negative y scale turns them upright. An axis without
      // extent (a straight line) keeps its scale of 1 rather than dividing by zero.
      element->scaleX(width > 0.0 ? sizeX / width : 1.0, height > 0.0 ? -sizeY / height : -1.0);
    }
    element->setElementName(pf::format("%@ paths", displayName));
    return element;
  }

  auto element = std::make_shared<MVElementImage>();
  element->setImageName(file->fileResourceName() + MVParameterFile::kImageSuffix);
  if (nodeController() != nullptr) {
    if (auto* store = dynamic_cast<MVSharedGraphicsStore*>(nodeController()->sharedGraphicsManager())) {
      element->setSharedGraphics(store->weak_from_this().lock());
    }
  }
  pf::Size imageSize(1.0, 1.0);
  if (const auto image = file->graphicImage()) {
    imageSize = image->size();
  } else {
    FeedbackManager::log("Warning, %@ generateElement in Image mode, but importFileParameter does not generate an image",
                         description());
  }
  element->setWidth((sizeX / imageSize.width) * imageSize.width);
  element->setHeight((sizeY / imageSize.height) * imageSize.height);
  element->scaleX(1.0, -1.0);
  element->setFillColor(tintColor_.enabled()
                            ? std::optional<pf::Color>(tintColor_.color())
                            : std::nullopt);
  element->setFillOpacity(1.0);
  element->setElementName(displayName);
  return element;
}

bool ElementImportNode::setGraphicsData(std::span<const std::uint8_t> data, const std::string&,
                                        const std::string& displayName, bool)
{
  return importFile_.loadNewGraphicData(data, displayName);
}

void ElementImportNode::newImagePastedOrDroppedIn()
{
  FeedbackManager::log("%@ newImagePastedOrDroppedIn", description());
}

std::optional<std::string> ElementImportNode::legacyMV2ParameterNameTranslation(const std::string& name) const
{
  if (name == "Import mode heading") {
    return std::nullopt;
  }
  return ElementNode::legacyMV2ParameterNameTranslation(name);
}

bool ElementImportNode::loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record)
{
  const bool loaded = ElementNode::loadLegacyMV2NodeDictionary(record);
  const pf::PlistValue* data = record.find("Image data");
  if (data != nullptr && data->asData() != nullptr) {
    std::string name;
    if (const pf::PlistValue* stored = record.find("Image name"); stored != nullptr && stored->isString()) {
      name = stored->stringOr();
    } else {
      name = pf::format("Untitled %@", nodeId());
      FeedbackManager::log(
          "Warning, ElementImportNode could not find image name in loadLegacyMV2NodeDictionary, assigning new name "
          "'%@'",
          name);
    }
    std::string display;
    if (const pf::PlistValue* stored = record.find("Image display name"); stored != nullptr && stored->isString()) {
      display = stored->stringOr();
    } else {
      display = name;
      // Cut a date suffix such as "[2014-05-20 19:03:57 +0000]" (27 characters).
      if (display.find("[20") != std::string::npos && display.size() >= 27) {
        display.resize(display.size() - 27);
      }
    }
    if (const std::size_t slash = display.rfind('/'); slash != std::string::npos) {
      display = display.substr(slash + 1);
    }
    display = pf::trimmingWhiteSpaceAndNewlines(display);
    if (!importFile_.loadNewGraphicData(*data->asData(), display)) {
      addLoadingWarningMessage("Import node failed to load legacy file embedded graphics data.");
    }
    const auto image = importFile_.graphicImage();
    MVParameterValue2D* size = sizeParameter();
    if (image && image->size().width > 0.0) {
      const pf::Size imageSize = image->size();
      const double x = size->valueX();
      setSizeKeepingLock(x, x * (imageSize.height / imageSize.width));
      // The longer side keeps the old size: a tall image takes the old width as its height.
      if (size->valueY() > size->valueX()) {
        if (!size->aspectLocked()) {
          size->setAspectLocked(true);
        }
        size->setValueY(x);
      }
    }
    graphicsParameter()->setNeedsToUpdate(true);
  }
  if (mode() == kImageMode) {
    tintColor_.setEnabled(fillColorParameter()->enabled());
    tintColor_.setColor(fillColorParameter()->color());
  }
  return loaded;
}
