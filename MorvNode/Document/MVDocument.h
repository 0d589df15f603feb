#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Document/MVDocumentViewState.h"
#include "MorvNode/Document/MVExportPanelState.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"
#include "Platform/Timer.h"
#include "Platform/UndoManager.h"

class MVDocumentWindow;
class MVNode;
class MVNodeController;
class MVParameter;
class ODAnimationManager;
class RandomSource;

// One document: the owner of its graph controller and of its undo manager, and the undo
// delegate of every node, parameter and connection of its graph. Model objects hand it a small
// record of the state to restore; it registers one of its revert steps with that record. Records
// name their targets by persistent identifier (node ID; "<node ID> : <parameter name>") and never
// hold objects, so an undo finds the right node or parameter after it was removed and re-created.
// Undo registration follows a balanced pause/resume counter (1 while registering) with which
// loading and bulk edits switch it off.
//
// This is the document's core, without windows: the window's views belong to the interface
// (MVDocumentWindow), the export's work to its own classes (MVDocumentExport renders offscreen
// through MVArtworkRenderer). Files are written by MVDocumentFileWriter and read by
// MVDocumentFileReader (current generation) and MVLegacyDocumentReader (older generation); the
// document keeps what a file holds beyond the graph (window state, animation, export settings) so
// that a document saved without a window writes back what it read. Main thread only.
class MVDocument final : public NodeControllerDocumentProtocol {
public:
  // A new, empty document: no nodes, registration on (counter 1).
  MVDocument();
  // Drops the undo steps first (they refer to this document), then the graph.
  ~MVDocument() override;
  MVDocument(const MVDocument&) = delete;
  MVDocument& operator=(const MVDocument&) = delete;

  MVNodeController& nodeController() { return *nodeController_; }
  // The document's animation, with the controller as its delegate and this document's undo
  // manager.
  ODAnimationManager& animationManager() { return *animationManager_; }
  const MVNodeController& nodeController() const { return *nodeController_; }
  // The application's shared random table, handed to the controller and its nodes; not owned.
  void setRandomSource(const RandomSource* randomSource);
  // Where the document shows node reference pages (the application's browser); not owned,
  // nullptr when there is none.
  void setHelpProvider(NodeHelpProvider* helpProvider) { helpProvider_ = helpProvider; }
  // The version of the file the document was read from; a new document has the version of the
  // default document it was made from; empty before set-up.
  std::string fileVersion() const override { return fileVersion_; }
  void setFileVersion(std::string version) { fileVersion_ = std::move(version); }
  // What undo records name the document by.
  static std::string persistentIdentifier() { return "Document"; }

  // ---- Files ----
  // The file the document was read from or last saved to; nullopt for a new document.
  const std::optional<std::filesystem::path>& fileURL() const { return fileURL_; }
  void setFileURL(std::optional<std::filesystem::path> url) { fileURL_ = std::move(url); }
  // The file's last path component, "Default" without a file.
  std::string displayFileName() const;
  // Reads the whole file and keeps it until set-up; false (logged) when no dictionary could be
  // read, and the document is not opened.
  bool readFromURL(const std::filesystem::path& url);
  // Set-up once the window exists (also headless): the kept file dictionary is loaded, else a
  // new document is made from a default document. Afterwards nothing can be undone.
  void windowControllerDidLoadNib();
  // A new document from "Default.mvdx" ("New document include default nodes") or
  // "DefaultEmpty.mvdx", at the default artboard size.
  void loadDefaultDocument();
  // The animation of a new document shows in its panel (the animation manager's interface).
  void loadDefaultAnimations();
  // Version check and dispatch to the current or the older-generation reader; nullopt is logged.
  void loadFromFileDictionary(std::optional<pf::PlistValue::Dictionary> file);
  void loadFromMV3FileDictionary(const pf::PlistValue::Dictionary& file);
  void loadFromLegacyFileDictionary(const pf::PlistValue::Dictionary& file);
  // The file's dictionary as the document stands.
  pf::PlistValue::Dictionary fileDictionaryForSaving();
  // Saves atomically; false (logged, with the reason in `reason` when given: "No space left on
  // device", "Permission denied") when the file could not be written, which leaves an existing
  // file untouched. The document takes the path as its file.
  bool writeToURL(const std::filesystem::path& url, std::string* reason = nullptr);
  // Reads the file first: false (logged), with the document left as it was, when it cannot be
  // read; otherwise the graph is replaced by the file's, and nothing can be undone afterwards.
  bool revertToContentsOfURL(const std::filesystem::path& url);
  // One alert with every loading warning; nothing when there are none.
  void showAnyLoadingWarnings();
  // Shows the loading warnings 0.2 s from now (at once without a run loop).
  void scheduleLoadingWarnings();
  // Clears every node's caches and forces a regeneration, also with auto-regenerate off.
  void refresh();

  // The window, set by the interface; not owned, nullptr when headless.
  MVDocumentWindow* window() const { return window_; }
  void setWindow(MVDocumentWindow* window) { window_ = window; }
  // What the file holds of the window (see MVDocumentViewState).
  const MVDocumentViewState& viewState() const { return viewState_; }
  void setViewState(MVDocumentViewState state) { viewState_ = std::move(state); }
  // The export settings record (see MVExportSettings); nullopt until created at set-up or
  // loaded. Loading adds a file's entries, replacing those of the same names.
  const std::optional<pf::PlistValue::Dictionary>& exportSettings() const { return exportSettings_; }
  void mergeExportSettings(const pf::PlistValue::Dictionary& settings);
  // The record, created with its defaults when there is none.
  pf::PlistValue::Dictionary& editableExportSettings();
  // A counter from a file, limited to 0 ... MVNodeGraph::kMaxNodeIDCounter so that later
  // IDs cannot overflow.
  void setNodeIDCounterFromFile(long long counter);

  // Changes that are no undo step (the export settings) mark the document as changed until it
  // is saved or reverted.
  void markDocumentEdited() { editedOutsideUndo_ = true; }
  bool isMarkedEdited() const { return editedOutsideUndo_; }
  // The preview's zoom (view points per artboard unit) from the window; 1 without a window.
  double previewDisplayScale() const;

  // ---- Image export (MVDocumentExport, MVExportSettings) ----
  // Fresh export settings with their defaults, and no export path. Set-up calls it before loading.
  void initExportParametes();
  // The file of the last image export; nullopt until the first (not saved with the document).
  const std::optional<std::filesystem::path>& exportPath() const { return exportPath_; }
  // The export panel opens: the sizes follow the artboard unless it kept its size since the
  // panel was last opened (MVExportSettings::prepareSizesForArtboard).
  void exportPanelOpened();
  void exportPanelClosed() { exportPanelOpen_ = false; }
  // "Base Filename", else the document's file name without extension, else "Untitled"; then
  // "." and the file format.
  std::string proposedExportFileName() const;
  // What the open panel shows; with "Scale To Display" on, the sizes are first set to the
  // artboard at the preview's zoom. Logs and answers the state of the settings when no panel is
  // open.
  MVExportPanelState exportPanelUpdateInterface();
  // A control of the open panel changed: the settings follow (see MVExportPanelControl for the
  // values) and the document is marked edited. A size of 0 or below changes nothing.
  void exportPanelControlChanged(MVExportPanelControl control, double value, pf::Color color = pf::Color::white());
  // The panel was confirmed with `path`: it becomes the export path, "Base Filename" follows the
  // chosen name, and the export runs (exportAgain).
  bool exportPanelConfirmed(const std::filesystem::path& path);
  // Exports to the export path with the current settings; false without an export path or when
  // the export failed (alerted). A written file is announced with a desktop notification.
  bool exportAgain();
  // The artwork on the clipboard: PDF vector data, or the bitmap (MVDocumentExport::exportCopy).
  bool exportCopy(bool vector);
  // The SVG export's header (XML declaration, svg element with the export size, generator
  // comment), and the whole SVG text.
  std::string exportGenerateSVGHeaderString();
  std::string exportGenerateSVGString();

  // ---- Undo registration ----
  pf::UndoManager* undoManager() override { return &undoManager_; }
  bool hasUndoManager() const { return true; }
  // The undo manager's own registration state.
  bool isUndoRegistrationEnabled() const override;
  // Nesting pairs: registration comes back only with the resume that brings the counter back
  // to 1; an excess resume is logged and the counter set back to 1.
  void pauseUndoRegistration() override;
  void resumeUndoRegistration() override;
  int undoRegistrationState() const { return undoRegistrationState_; }
  // The counter's value as the window loads (1); loading then pauses it.
  void setUndoRegistrationState(int state) { undoRegistrationState_ = state; }

  // ---- Undo records ----
  // nullptr (logged) unless the identifier splits at " : " into a node ID and a parameter name
  // of an existing node and parameter.
  MVParameter* parameterWithPresistentParameterIdentifier(const std::string& identifier) override;
  // Only while registration is enabled.
  void storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                               const std::optional<std::string>& actionName) override;
  void storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                          const std::optional<std::string>& actionName) override;
  // These two do not consult the counter: while paused the undo manager itself ignores them.
  // The removal record must be taken before the node leaves the node array.
  void storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  void storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  // Only while registration is enabled. Callers record the connections before they change them.
  void storeConnectionsUndoState(const pf::PlistValue::Array& records,
                                 const std::optional<std::string>& actionName) override;
  void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) override;
  // The window's display settings as they were before a change; undoing puts them back through
  // the window (and registers the settings it replaces, which makes the redo). Only while
  // registration is enabled and a window is set.
  void storeDisplaySettingsUndoState(const pf::PlistValue::Dictionary& settings,
                                     const std::optional<std::string>& actionName);

  // ---- Document commands the controller triggers ----
  void showHelpForNodeType(const std::string& nodeClassName) override;
  void openAnimationPanel() override;
  void animationTogglePlay() override;

private:
  // The revert steps, run by the undo manager only.
  void revertParameterUndoState(const pf::PlistValue::Dictionary& record);
  void revertNodeUndoState(const pf::PlistValue::Dictionary& record);
  void revertNodeCreationUndoState(const std::string& nodeId);
  void revertNodeDeletionUndoState(const pf::PlistValue::Dictionary& record);
  void revertConnectionsUndoState(const pf::PlistValue::Array& records);
  void revertDisplaySettingsUndoState(const pf::PlistValue::Dictionary& settings);
  // The node's record with its position in the node array ("NodeArrayIndex"; left out when
  // the node is not in the array).
  pf::PlistValue::Dictionary removalRecord(const MVNode* node) const;
  // Names the step unless an undo or a redo is running: both keep the name of the first action.
  void setActionName(const std::optional<std::string>& actionName);

  // Declared first, destroyed last: the controller's nodes report to it until they are gone.
  pf::UndoManager undoManager_;
  // Outlives the controller, whose parameters its animators drive.
  std::unique_ptr<ODAnimationManager> animationManager_;
  std::unique_ptr<MVNodeController> nodeController_;
  NodeHelpProvider* helpProvider_ = nullptr;  // the application's, outlives documents
  std::string fileVersion_;
  int undoRegistrationState_ = 1;

  // Files.
  std::optional<std::filesystem::path> fileURL_;
  std::optional<pf::PlistValue::Dictionary> loadingFileDictionary_;  // from reading until set-up
  MVDocumentWindow* window_ = nullptr;  // the interface's, outlives the document's use of it
  MVDocumentViewState viewState_;
  std::optional<pf::PlistValue::Dictionary> exportSettings_;
  std::optional<std::filesystem::path> exportPath_;
  bool exportPanelOpen_ = false;
  bool editedOutsideUndo_ = false;
  pf::Timer loadingWarningsTimer_;
};
