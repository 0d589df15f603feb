#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentWindow.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/PlistValue.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/AlertPresenter.h"

class ElementShapeNode;
class MVNode;

// Alerts recorded instead of shown, in order.
class RecordingAlerts : public AlertPresenter {
public:
  RecordingAlerts();
  ~RecordingAlerts() override;
  RecordingAlerts(const RecordingAlerts&) = delete;
  RecordingAlerts& operator=(const RecordingAlerts&) = delete;
  void presentAlert(const std::string& title, const std::string& text) override { alerts.emplace_back(title, text); }
  std::vector<std::pair<std::string, std::string>> alerts;
};

// A window that reports fixed state and records what loading applied.
class FakeDocumentWindow : public MVDocumentWindow {
public:
  void storeViewState(MVDocumentViewState& state) const override;
  void applyViewState(const MVDocumentViewState& state) override { applied.push_back(state); }
  std::optional<std::vector<std::uint8_t>> previewImagePDFData() override { return pdf; }
  std::vector<std::uint8_t> previewImageJPEGData(float compressionFactor) override;
  void setStatusMessage(const std::optional<std::string>& message) override { statusMessages.push_back(message); }
  void openAnimationPanel() override { ++animationPanelOpenings; }

  pf::Rect frame{{40.0, 60.0}, {900.0, 700.0}};
  std::optional<std::vector<std::uint8_t>> pdf;
  std::vector<std::uint8_t> jpeg{0xff, 0xd8, 0xff, 0xd9};
  std::optional<float> jpegCompression;
  std::vector<MVDocumentViewState> applied;
  std::vector<std::optional<std::string>> statusMessages;
  int animationPanelOpenings = 0;
};

// Documents with the real node classes on a manual run loop, a user-defaults store of their own
// (the registered preferences), recorded alerts, the log captured and a folder of their own for
// files. Each test makes the documents it needs.
class DocumentFileTest : public ::testing::Test {
protected:
  DocumentFileTest();
  ~DocumentFileTest() override;

  // A new document without nodes, ready to load a file.
  std::unique_ptr<MVDocument> newDocument();
  // A new document made as the application makes one (set-up with the default documents).
  std::unique_ptr<MVDocument> setUpDocument();
  // A document opened from the file as the application opens one; nullptr when it cannot be read.
  std::unique_ptr<MVDocument> openDocument(const std::filesystem::path& path);
  // Artboard, a circle and a square on two layers, a node index, auto-regenerate off.
  void buildSampleGraph(MVDocument& document);

  std::filesystem::path pathFor(const std::string& name) const { return folder_ / name; }
  static std::string fileText(const std::filesystem::path& path);
  static void writeText(const std::filesystem::path& path, const std::string& text);
  // The dictionary written as an XML file.
  std::filesystem::path writeFile(const std::string& name, const pf::PlistValue::Dictionary& file);

  pf::ManualRunLoop runLoop;
  LogCapture log;
  std::shared_ptr<pf::UserDefaults> defaults;
  RecordingAlerts alerts;

private:
  std::filesystem::path folder_;
};
