#include "MorvNode/Controller/MVNodeClipboard.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVUndoRegistrationPause.h"
#include "Platform/GeometryStrings.h"
#include "Platform/PropertyList.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr double kPasteOffset = 40.0;  // points right and down of the source box

// Only the kinds a record is made of; dates, UIDs (archiver references) and nulls are not.
bool holdsOnlyRecordKinds(const pf::PlistValue& value, int depth)
{
  if (depth > 64) {
    return false;
  }
  switch (value.type()) {
  case pf::PlistValue::Type::Bool:
  case pf::PlistValue::Type::Integer:
  case pf::PlistValue::Type::Real:
  case pf::PlistValue::Type::String:
  case pf::PlistValue::Type::Data:
    return true;
  case pf::PlistValue::Type::Array:
    return std::all_of(value.asArray()->begin(), value.asArray()->end(),
                       [depth](const pf::PlistValue& entry) { return holdsOnlyRecordKinds(entry, depth + 1); });
  case pf::PlistValue::Type::Dictionary:
    for (const auto& entry : *value.asDictionary()) {
      if (!holdsOnlyRecordKinds(entry.value, depth + 1)) {
        return false;
      }
    }
    return true;
  default:
    return false;
  }
}

// nullptr when the key is absent; `valid` goes false when it is not an array of dictionaries
// of at most `cap` entries.
const pf::PlistValue::Array* recordList(const pf::PlistValue::Dictionary& record, std::string_view key,
                                        std::size_t cap, bool& valid)
{
  const pf::PlistValue* value = record.find(key);
  if (value == nullptr) {
    return nullptr;
  }
  const pf::PlistValue::Array* list = value->asArray();
  if (list == nullptr || list->size() > cap ||
      !std::all_of(list->begin(), list->end(), [](const pf::PlistValue& entry) { return entry.isDictionary(); })) {
    valid = false;
    return nullptr;
  }
  return list;
}

std::optional<pf::Point> offsetIn(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* value = record.find("View offset");
  const std::string* text = value != nullptr ? value->asString() : nullptr;
  if (text == nullptr) {
    return std::nullopt;
  }
  const pf::Point point = pf::pointFromString(*text);
  if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
    return std::nullopt;
  }
  return point;
}

double keptInRange(double coordinate)
{
  if (!std::isfinite(coordinate)) {
    return 0.0;
  }
  return std::clamp(coordinate, -MVNodeClipboard::kMaxCoordinate, MVNodeClipboard::kMaxCoordinate);
}

// Sets the controller's loading flag for its lifetime: no regeneration while nodes arrive.
class LoadingGuard {
public:
  explicit LoadingGuard(MVNodeController& controller) : controller_(controller) { controller_.setIsLoadingFile(true); }
  LoadingGuard(const LoadingGuard&) = delete;
  LoadingGuard& operator=(const LoadingGuard&) = delete;
  ~LoadingGuard() { controller_.setIsLoadingFile(false); }

private:
  MVNodeController& controller_;
};

}  // namespace

const std::vector<std::string>& MVNodeClipboard::imagePasteboardTypes()
{
  static const std::vector<std::string> types = {"image/png",  "application/pdf", "image/svg+xml", "application/postscript",
                                                 "image/x-eps", "image/tiff",     "image/jpeg",    "image/gif"};
  return types;
}

bool MVNodeClipboard::canPasteFromTypes(const std::vector<std::string>& available)
{
  const auto offered = [&available](const std::string& type) {
    return std::find(available.begin(), available.end(), type) != available.end();
  };
  const std::vector<std::string>& images = imagePasteboardTypes();
  return offered(kPasteboardType) || std::any_of(images.begin(), images.end(), offered);
}

double MVNodeClipboard::snappedCoordinate(double coordinate)
{
  return std::round((coordinate - 10.0) / 20.0) * 20.0 + 10.0;
}

pf::PlistValue::Dictionary MVNodeClipboard::descriptionOfNodesAndConnections(MVNodeController& controller,
                                                                             const std::vector<MVNode*>& nodes)
{
  pf::PlistValue::Dictionary record;
  const NodeControllerDocumentProtocol* document = controller.document();
  record.set("Document", document != nullptr ? document->documentIdentifier() : std::string());
  pf::PlistValue::Array nodeRecords;
  std::unordered_set<const MVNode*> copied;
  for (MVNode* node : nodes) {
    if (node == nullptr) {
      continue;
    }
    nodeRecords.emplace_back(node->descriptionDictionary());
    copied.insert(node);
  }
  record.set("Nodes", pf::PlistValue(std::move(nodeRecords)));
  pf::PlistValue::Array connectionRecords;
  for (const auto& connection : controller.connectionArray()) {
    if (!copied.contains(connection->fromNode()) && !copied.contains(connection->toNode())) {
      continue;
    }
    if (std::optional<pf::PlistValue::Dictionary> description = connection->descriptionDictionary()) {
      connectionRecords.emplace_back(std::move(*description));
    }
  }
  if (!connectionRecords.empty()) {
    record.set("Connections", pf::PlistValue(std::move(connectionRecords)));
  }
  return record;
}

std::optional<std::vector<std::uint8_t>> MVNodeClipboard::encode(const pf::PlistValue::Dictionary& record,
                                                                 std::string& error)
{
  std::optional<std::vector<std::uint8_t>> bytes = pf::binaryPropertyList(pf::PlistValue(record));
  if (!bytes) {
    error = "the record cannot be written as a property list";
  }
  return bytes;
}

std::optional<pf::PlistValue::Dictionary> MVNodeClipboard::decode(std::span<const std::uint8_t> bytes,
                                                                  std::string& error)
{
  constexpr std::string_view kSignature = "bplist00";
  if (bytes.size() < kSignature.size() ||
      !std::equal(kSignature.begin(), kSignature.end(), bytes.begin(),
                  [](char expected, std::uint8_t actual) { return static_cast<std::uint8_t>(expected) == actual; })) {
    error = "not a binary property list";
    return std::nullopt;
  }
  std::string reason;
  std::optional<pf::PlistValue> value = pf::readPropertyList(bytes, &reason);
  if (!value) {
    error = reason.empty() ? std::string("unreadable property list") : reason;
    return std::nullopt;
  }
  const pf::PlistValue::Dictionary* record = value->asDictionary();
  if (record == nullptr) {
    error = "the property list holds no dictionary";
    return std::nullopt;
  }
  if (!holdsOnlyRecordKinds(*value, 0)) {
    error = "the record holds values of a kind it may not hold";
    return std::nullopt;
  }
  for (const char* key : {"Document", "View offset"}) {
    if (const pf::PlistValue* text = record->find(key); text != nullptr && !text->isString()) {
      error = pf::format("\"%@\" is not a string", key);
      return std::nullopt;
    }
  }
  if (record->contains("View offset") && !offsetIn(*record)) {
    error = "\"View offset\" is not a point";
    return std::nullopt;
  }
  for (const auto& [key, cap] : {std::pair<const char*, std::size_t>{"Nodes", kMaxNodes}, {"Connections", kMaxConnections}}) {
    bool valid = true;
    recordList(*record, key, cap, valid);
    if (!valid) {
      error = pf::format("\"%@\" is not a list of at most %ld records", key, static_cast<long>(cap));
      return std::nullopt;
    }
  }
  return *record;
}

std::vector<MVNode*> MVNodeClipboard::addNodesAndConnectionsFromDictionary(MVNodeController& controller,
                                                                           const pf::PlistValue::Dictionary& record,
                                                                           bool paste, pf::Point currentOffset)
{
  NodeControllerDocumentProtocol* document = controller.document();
  const pf::PlistValue* storedDocument = record.find("Document");
  const bool sameDocument = storedDocument == nullptr ||
                            (document != nullptr && storedDocument->isString() &&
                             *storedDocument->asString() == document->documentIdentifier());
  const pf::Point storedOffset = offsetIn(record).value_or(currentOffset);
  const bool scrolled = storedOffset.x != currentOffset.x || storedOffset.y != currentOffset.y;
  const bool snap = scrolled && pf::UserDefaults::standard().boolForKey("Snap nodes to grid");

  bool valid = true;
  const pf::PlistValue::Array* nodeRecords = recordList(record, "Nodes", kMaxNodes, valid);
  const pf::PlistValue::Array* connectionRecords = recordList(record, "Connections", kMaxConnections, valid);
  if (!valid) {
    FeedbackManager::log("Error pasting in node information, error: %@", "malformed node records");
    return {};
  }
  const bool single = nodeRecords != nullptr && nodeRecords->size() == 1;
  const std::string actionName =
    paste ? (single ? "pasting node" : "pasting nodes") : (single ? "duplicating node" : "duplicating nodes");

  std::vector<MVNode*> added;
  std::unordered_map<std::string, std::string> newIds;
  if (nodeRecords != nullptr) {
    if (!nodeRecords->empty()) {
      controller.selectNode(nullptr, false, false, false);
    }
    {
      LoadingGuard loading(controller);
      for (const pf::PlistValue& entry : *nodeRecords) {
        pf::PlistValue::Dictionary nodeRecord = *entry.asDictionary();
        const pf::PlistValue* nodeClass = nodeRecord.find("Node class");
        if (nodeClass != nullptr && nodeClass->isString() && *nodeClass->asString() == "ArtboardNode") {
          FeedbackManager::log("Warning, pasting skips an artboard node, the document has its artboard");
          continue;
        }
        const pf::PlistValue* storedId = nodeRecord.find("Node id");
        const std::optional<std::string> oldId =
          storedId != nullptr && storedId->isString() ? std::optional<std::string>(*storedId->asString()) : std::nullopt;
        const std::string freshId = controller.uniqueNodeID();
        nodeRecord.set("Node id", freshId);
        nodeRecord.erase("NodeArrayIndex");  // pasted nodes go last
        MVNode* node = nullptr;
        {
          MVUndoRegistrationPause paused(document);
          node = controller.addNodeWithDescriptionDictionary(nodeRecord);
          if (node == nullptr) {
            FeedbackManager::log("Error pasting node data, could not create node with description dictionary: %@",
                                 pf::PlistValue(nodeRecord).description());
            continue;
          }
          if (paste) {
            pf::Point origin = node->initialNodeViewOrigin();
            origin.x += kPasteOffset;
            origin.y += kPasteOffset;
            if (scrolled) {
              origin.x += currentOffset.x - storedOffset.x;
              origin.y += currentOffset.y - storedOffset.y;
              if (snap) {
                origin = pf::Point(snappedCoordinate(origin.x), snappedCoordinate(origin.y));
              }
            }
            node->setInitialNodeViewOrigin(pf::Point(keptInRange(origin.x), keptInRange(origin.y)));
          }
        }
        if (oldId) {
          newIds[*oldId] = node->nodeId();
        }
        if (document != nullptr) {
          document->storeNodeCreationUndoStateForNode(node, actionName);
        }
        controller.selectNode(node, true, false, false);
        added.push_back(node);
      }
    }
    controller.updateAfterSelectionChange();
    controller.nodeArrayChanged();
  }

  if (connectionRecords != nullptr && !connectionRecords->empty()) {
    // A same-document paste can take an input that a connection held: the step restores them.
    if (document != nullptr) {
      document->storeCurrentConnectionsUndoState(actionName);
    }
    for (const pf::PlistValue& entry : *connectionRecords) {
      pf::PlistValue::Dictionary connectionRecord = *entry.asDictionary();
      // At least one end on a new node (else it would double a connection of the graph); the
      // other end on a new node too, or on the same node of this document.
      bool keep = true;
      bool remapped = false;
      for (const char* key : {"From parameter nodeId", "To parameter nodeId"}) {
        const pf::PlistValue* end = connectionRecord.find(key);
        if (end == nullptr) {
          continue;
        }
        const std::string endId = end->stringOr();
        if (const auto found = newIds.find(endId); found != newIds.end()) {
          connectionRecord.set(key, found->second);
          remapped = true;
        } else if (!sameDocument) {
          keep = false;
        }
      }
      if (keep && remapped) {
        controller.loadConnectionFromDescription(connectionRecord);
      }
    }
  }
  if (document != nullptr && document->undoManager() != nullptr && (!added.empty() || connectionRecords != nullptr)) {
    document->undoManager()->setActionName(actionName);
  }
  return added;
}
