#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/DocumentFileTestSupport.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVDocumentFileReader.h"
#include "MorvNode/Document/MVDocumentFileWriter.h"
#include "MorvNode/Document/MVDocumentViewState.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/PropertyList.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/RandomSource/RandomSource.h"
#include "Support/DamagedBytes.h"
#include "Support/PipeWatchdog.h"

namespace {

// What the document holds of its graph, as records.
pf::PlistValue graphRecord(const MVDocument& document)
{
  pf::PlistValue::Array nodes;
  for (const auto& node : document.nodeController().nodeArray()) {
    nodes.emplace_back(node->descriptionDictionary());
  }
  return pf::PlistValue(pf::PlistValue::Dictionary{{"Nodes", std::move(nodes)},
                                                   {"Connections", document.nodeController().connectionDescriptionsArray()}});
}

int artboardCount(const MVDocument& document)
{
  int count = 0;
  for (const auto& node : document.nodeController().nodeArray()) {
    count += node->className() == "ArtboardNode" ? 1 : 0;
  }
  return count;
}

// A current file with an artboard and the given extra top-level entries.
pf::PlistValue::Dictionary minimalFile(std::string_view version = "3.0.0")
{
  return pf::PlistValue::Dictionary{
      {"Version", version},
      {"Nodes", pf::PlistValue::Array{pf::PlistValue(pf::PlistValue::Dictionary{{"Node class", "ArtboardNode"},
                                                                                 {"Node id", "1"},
                                                                                 {"Parameters", pf::PlistValue::Array{}}})}},
      {"Connections", pf::PlistValue::Array{}},
  };
}

using DocumentFiles = DocumentFileTest;

TEST_F(DocumentFiles, SavedOpenedAndSavedAgainGivesTheSameBytes)
{
  auto original = newDocument();
  FakeDocumentWindow window;
  original->setWindow(&window);
  original->initExportParametes();  // as the set-up of every document makes them
  buildSampleGraph(*original);
  original->animationManager().setDuration(7.5);
  ASSERT_TRUE(original->writeToURL(pathFor("first.mvdx")));

  auto reopened = openDocument(pathFor("first.mvdx"));
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(graphRecord(*reopened), graphRecord(*original));
  EXPECT_FALSE(reopened->nodeController().autoRegenerate());
  EXPECT_EQ(reopened->nodeController().nodeIDCounter(), original->nodeController().nodeIDCounter());
  EXPECT_EQ(pf::PlistValue(reopened->nodeController().nodeIndexes()),
            pf::PlistValue(original->nodeController().nodeIndexes()));
  EXPECT_EQ(reopened->viewState().windowFrame, window.frame);
  EXPECT_EQ(reopened->animationManager().duration(), 7.5);
  EXPECT_EQ(reopened->viewState().previewPanelOpen, true);
  EXPECT_TRUE(reopened->nodeController().fileLoadingWarnings().empty());
  EXPECT_FALSE(reopened->undoManager()->canUndo());

  // Saved without a window, the reopened document writes back what it read.
  ASSERT_TRUE(reopened->writeToURL(pathFor("second.mvdx")));
  EXPECT_EQ(fileText(pathFor("second.mvdx")), fileText(pathFor("first.mvdx")));
  auto third = openDocument(pathFor("second.mvdx"));
  ASSERT_NE(third, nullptr);
  ASSERT_TRUE(third->writeToURL(pathFor("third.mvdx")));
  EXPECT_EQ(fileText(pathFor("third.mvdx")), fileText(pathFor("second.mvdx")));
}

TEST_F(DocumentFiles, TopLevelKeysComeInTheirOrderWithTheirTypes)
{
  auto document = newDocument();
  FakeDocumentWindow window;
  window.pdf = std::vector<std::uint8_t>{'%', 'P', 'D', 'F'};
  document->setWindow(&window);
  buildSampleGraph(*document);
  document->mergeExportSettings(pf::PlistValue::Dictionary{{"File Format", "png"}});
  const pf::PlistValue::Dictionary file = document->fileDictionaryForSaving();

  std::vector<std::string> keys;
  for (const auto& entry : file) {
    keys.push_back(entry.key);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Version", "Document window frame", "Document split view part",
                                            "Document scroll offset", "Export Settings", "Display Main SplitView",
                                            "Display Bottom SplitView", "Display Settings", "Auto regenerate",
                                            "Animation", "Nodes indexes", "Nodes", "Node ID Counter", "Connections",
                                            "Preview Image", "Separate preview panel rect",
                                            "Separate preview panel open"}));
  EXPECT_EQ(*file.find("Version"), pf::PlistValue(MVApplicationResources::applicationVersion()));
  EXPECT_EQ(*file.find("Document window frame"), pf::PlistValue("{{40, 60}, {900, 700}}"));
  EXPECT_TRUE(file.find("Document split view part")->isReal());
  EXPECT_EQ(*file.find("Document scroll offset"), pf::PlistValue("{12, -30}"));
  EXPECT_EQ(*file.find("Auto regenerate"), pf::PlistValue(false));
  EXPECT_EQ(*file.find("Node ID Counter"), pf::PlistValue(3LL));
  EXPECT_EQ(file.find("Nodes")->size(), 3u);
  EXPECT_EQ(file.find("Connections")->size(), 2u);
  EXPECT_TRUE(file.find("Preview Image")->isData());
  EXPECT_EQ(*file.find("Separate preview panel open"), pf::PlistValue(true));
  EXPECT_EQ(defaults->stringForKey("Last saved document window frame"), "{{40, 60}, {900, 700}}");
}

TEST_F(DocumentFiles, AnEmptyDocumentWithoutWindowWritesNeutralEntries)
{
  auto document = newDocument();
  const pf::PlistValue::Dictionary file = document->fileDictionaryForSaving();
  EXPECT_EQ(*file.find("Nodes"), pf::PlistValue::emptyArray());
  EXPECT_EQ(*file.find("Connections"), pf::PlistValue::emptyArray());
  EXPECT_EQ(*file.find("Node ID Counter"), pf::PlistValue(0LL));
  EXPECT_EQ(*file.find("Document window frame"), pf::PlistValue("{{0, 0}, {0, 0}}"));
  EXPECT_EQ(*file.find("Separate preview panel rect"), pf::PlistValue("{{0, 0}, {0, 0}}"));
  EXPECT_FALSE(file.contains("Export Settings"));
  EXPECT_FALSE(file.contains("Preview Image"));
}

TEST_F(DocumentFiles, PreviewImageIsPdfBelowTheLimitElseJpeg)
{
  struct Case {
    const char* name;
    std::optional<std::size_t> pdfBytes;
    const char* stored;  // "pdf", "jpeg" or "none"
  };
  const Case cases[] = {
      {"not rendered yet", std::nullopt, "none"},
      {"small PDF", 1000, "pdf"},
      {"largest PDF kept", MVDocumentFileWriter::kMaxPreviewPDFBytes - 1, "pdf"},
      {"PDF at the limit", MVDocumentFileWriter::kMaxPreviewPDFBytes, "jpeg"},
      {"no PDF data", 0, "jpeg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDocumentWindow window;
    if (c.pdfBytes) {
      window.pdf = std::vector<std::uint8_t>(*c.pdfBytes, 0x25);
    }
    const std::optional<pf::PlistValue> entry = MVDocumentFileWriter::previewImageEntry(&window);
    if (std::string(c.stored) == "none") {
      EXPECT_FALSE(entry.has_value());
      continue;
    }
    ASSERT_TRUE(entry.has_value());
    if (std::string(c.stored) == "pdf") {
      EXPECT_EQ(entry->asData()->size(), *c.pdfBytes);
      EXPECT_FALSE(window.jpegCompression.has_value());
    } else {
      EXPECT_EQ(*entry->asData(), window.jpeg);
      EXPECT_EQ(window.jpegCompression, 0.8f);
    }
  }
  EXPECT_FALSE(MVDocumentFileWriter::previewImageEntry(nullptr).has_value());
}

TEST_F(DocumentFiles, SavingIntoTheSampleFilesFolderWritesThenWarns)
{
  const std::filesystem::path samples = MVApplicationResources::applicationFolder() / "Sample files";
  std::filesystem::create_directories(samples);
  auto document = newDocument();
  buildSampleGraph(*document);
  EXPECT_TRUE(document->writeToURL(samples / "docs-test-sample.mvdx"));
  EXPECT_TRUE(std::filesystem::exists(samples / "docs-test-sample.mvdx"));
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Warning");
  EXPECT_EQ(alerts.alerts[0].second, MVDocumentFileWriter::kSampleFilesWarning);
  std::filesystem::remove_all(samples);

  EXPECT_TRUE(document->writeToURL(pathFor("elsewhere.mvdx")));
  EXPECT_EQ(alerts.alerts.size(), 1u);
  EXPECT_FALSE(MVDocumentFileWriter::isInSampleFilesFolder("/opt/Sample files/a.mvdx", ""));
  EXPECT_TRUE(MVDocumentFileWriter::isInSampleFilesFolder("/opt/m/Sample files/x/a.mvdx", "/opt/m"));
}

TEST_F(DocumentFiles, AFailedSaveKeepsTheOldFileAndSaysWhy)
{
  auto document = newDocument();
  buildSampleGraph(*document);
  std::string reason;
  EXPECT_FALSE(document->writeToURL(pathFor("missing folder") / "a.mvdx", &reason));
  EXPECT_EQ(log.countContaining("Error, could not save the document"), 1);
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(document->fileURL().has_value());

  // A folder in the file's place cannot be replaced: what is there stays as it was.
  std::filesystem::create_directories(pathFor("taken.mvdx"));
  writeText(pathFor("taken.mvdx") / "inside", "kept");
  EXPECT_FALSE(document->writeToURL(pathFor("taken.mvdx"), &reason));
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(fileText(pathFor("taken.mvdx") / "inside"), "kept");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(pathFor(""))) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"taken.mvdx"});  // no temporary file left behind
}

// A document reached through a symbolic link is saved into the link's target; the link stays.
TEST_F(DocumentFiles, SavingThroughALinkReplacesTheLinkedFile)
{
  auto document = newDocument();
  buildSampleGraph(*document);
  std::filesystem::create_directories(pathFor("real"));
  std::filesystem::create_directories(pathFor("links"));
  writeText(pathFor("real") / "Work.mvdx", "old content");
  std::filesystem::create_symlink("../real/Work.mvdx", pathFor("links") / "Work.mvdx");

  ASSERT_TRUE(document->writeToURL(pathFor("links") / "Work.mvdx"));
  EXPECT_TRUE(std::filesystem::is_symlink(pathFor("links") / "Work.mvdx"));
  auto reopened = openDocument(pathFor("real") / "Work.mvdx");
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(graphRecord(*reopened), graphRecord(*document));
}

// A named pipe where a document is expected is refused at once with the reason, instead of an
// open that waits for a writer for ever.
TEST_F(DocumentFiles, APipeInTheDocumentsPlaceIsRefusedAtOnce)
{
  const std::filesystem::path pipe = pathFor("x.mvdx");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  testsupport::PipeWatchdog watchdog(pipe);  // lets a read that waits go, so the test ends
  EXPECT_EQ(openDocument(pipe), nullptr);
  EXPECT_FALSE(watchdog.blockedRead());
  EXPECT_EQ(log.count("Error, could not read " + pipe.string() + ": a named pipe, not a regular file"), 1);
}

TEST_F(DocumentFiles, VersionsChooseTheReader)
{
  struct Case {
    std::optional<std::string> version;
    bool legacy;
  };
  const Case cases[] = {{"2.9.9", true}, {"1.5", true}, {"2.0.0b3", true}, {"2.9.10", false},
                        {"3.0.0b1", false}, {"3.0.0", false}, {std::nullopt, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version.value_or("(none)"));
    log.clear();
    pf::PlistValue::Dictionary file = minimalFile();
    if (c.version) {
      file.set("Version", *c.version);
    } else {
      file.erase("Version");
    }
    auto document = newDocument();
    document->loadFromFileDictionary(file);
    EXPECT_EQ(log.countContaining("Loading legacy v"), c.legacy ? 1 : 0);
    EXPECT_EQ(log.countContaining("Loading v"), c.legacy ? 0 : 1);
    EXPECT_EQ(log.count("Warning, the file has no Version, reading it as a current file"), c.version ? 0 : 1);
    EXPECT_EQ(document->fileVersion(), c.version.value_or(""));
    EXPECT_EQ(artboardCount(*document), 1);
  }
}

TEST_F(DocumentFiles, AFileFromANewerVersionOpensAfterAWarning)
{
  for (const char* version : {"3.0.1", "4.0.0b2", "3.0.0", "3.0.0b17"}) {
    SCOPED_TRACE(version);
    alerts.alerts.clear();
    auto document = newDocument();
    document->loadFromFileDictionary(minimalFile(version));
    const bool newer = std::string(version) == "3.0.1" || std::string(version) == "4.0.0b2";
    ASSERT_EQ(alerts.alerts.size(), newer ? 1u : 0u);
    if (newer) {
      EXPECT_EQ(alerts.alerts[0].second, "This file was saved using a newer version of Morvalis (v" + std::string(version) +
                                             ", you have v3.0.0), so this version of Morvalis may not interpret it "
                                             "correctly.");
    }
    EXPECT_EQ(artboardCount(*document), 1);
  }
}

TEST_F(DocumentFiles, MissingKeysAreLoggedOnceEach)
{
  auto document = newDocument();
  document->loadFromFileDictionary(minimalFile());
  for (const char* line : {"Warning, no 'Display Settings' dictionary in file, will revert to defaults",
                           "Warning, loadFromMV3FileDictionary no Node ID Counter in file",
                           "Warning, loadFromMV3FileDictionary no Node indexes dictionary",
                           "Warning, loadFromMV3FileDictionary, no Animation description",
                           "Warning, no loadFromMV3FileDictionary, no Export Settings in fileDictionary"}) {
    EXPECT_EQ(log.count(line), 1) << line;
  }
  EXPECT_EQ(artboardCount(*document), 1);
  EXPECT_EQ(document->nodeController().nodeIDCounter(), 1);  // not below the loaded IDs
}

TEST_F(DocumentFiles, DamagedContentOpensAsFarAsItCan)
{
  struct Case {
    const char* name;
    std::function<void(pf::PlistValue::Dictionary&)> damage;
    std::size_t nodes;  // after loading
    std::vector<std::string> warnings;
  };
  const pf::PlistValue shape(pf::PlistValue::Dictionary{{"Node class", "ElementShapeNode"}, {"Node id", "2"}});
  const Case cases[] = {
      {"nodes not an array", [](auto& f) { f.set("Nodes", "many"); }, 1, {}},
      {"a node record that is a number", [](auto& f) { f.find("Nodes")->append(7); }, 1, {}},
      {"an unknown class",
       [](auto& f) {
         f.find("Nodes")->append(pf::PlistValue::Dictionary{{"Node class", "WarpDriveNode"}, {"Node id", "5"}});
       },
       1,
       {"The file contained an unknown node type 'WarpDriveNode' that could not be loaded."}},
      {"a node without parameters or ID", [&](auto& f) { f.find("Nodes")->append(pf::PlistValue::Dictionary{{"Node class", "ElementShapeNode"}}); }, 2, {}},
      {"a connection to a missing node",
       [&](auto& f) {
         f.find("Nodes")->append(shape);
         f.find("Connections")->append(pf::PlistValue::Dictionary{{"From node id", "2"},
                                                                 {"From socket parameter", "Graphics"},
                                                                 {"To node id", "99"},
                                                                 {"To socket parameter", "OutputLayer1"}});
       },
       2,
       {}},
      {"connections not an array", [](auto& f) { f.set("Connections", pf::PlistValue::Dictionary{}); }, 1, {}},
      {"counter of the wrong kind", [](auto& f) { f.set("Node ID Counter", pf::PlistValue::Array{}); }, 1, {}},
      {"counter beyond any ID", [](auto& f) { f.set("Node ID Counter", 9223372036854775807LL); }, 1, {}},
      {"a node ID at the end of the counter's range",
       [](auto& f) {
         f.find("Nodes")->append(pf::PlistValue::Dictionary{{"Node class", "ElementShapeNode"},
                                                            {"Node id", "9223372036854775807"}});
       },
       2,
       {}},
      {"display settings not a dictionary", [](auto& f) { f.set("Display Settings", "big"); }, 1, {}},
      {"version not a string", [](auto& f) { f.set("Version", 3); }, 1, {}},
      {"no artboard", [](auto& f) { f.set("Nodes", pf::PlistValue::Array{}); }, 1, {}},
      {"two artboards",
       [](auto& f) {
         f.find("Nodes")->append(pf::PlistValue::Dictionary{{"Node class", "ArtboardNode"}, {"Node id", "4"}});
       },
       1,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    pf::PlistValue::Dictionary file = minimalFile();
    file.set("Nodes indexes", pf::PlistValue::Dictionary{});
    c.damage(file);
    auto document = newDocument();
    document->loadFromFileDictionary(file);
    EXPECT_EQ(document->nodeController().nodeArray().size(), c.nodes);
    EXPECT_EQ(artboardCount(*document), 1);
    for (const std::string& warning : c.warnings) {
      const auto& warnings = document->nodeController().fileLoadingWarnings();
      EXPECT_NE(std::find(warnings.begin(), warnings.end(), warning), warnings.end()) << warning;
    }
    // The document goes on working: a new node gets a fresh ID.
    MVNode* added = document->nodeController().addNodeOfClass("ElementShapeNode", {0.0, 0.0}, false);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(document->nodeController().nodeArray().size(), c.nodes + 1);
    EXPECT_EQ(document->nodeController().nodeWithId(added->nodeId()), added);
    // And saves.
    EXPECT_TRUE(document->writeToURL(pathFor("damaged.mvdx")));
  }
}

TEST_F(DocumentFiles, DamagedBytesNeverCrashTheReader)
{
  auto document = newDocument();
  buildSampleGraph(*document);
  ASSERT_TRUE(document->writeToURL(pathFor("valid.mvdx")));
  const std::string valid = fileText(pathFor("valid.mvdx"));
  const std::vector<std::uint8_t> bytes(valid.begin(), valid.end());
  std::mt19937 generator(23);
  const testsupport::QuietLog quiet;
  for (int i = 0; i < 60; ++i) {
    const std::vector<std::uint8_t> damaged = testsupport::damagedCopy(bytes, generator);
    writeText(pathFor("damaged.mvdx"), std::string(damaged.begin(), damaged.end()));
    if (auto opened = openDocument(pathFor("damaged.mvdx"))) {
      EXPECT_EQ(artboardCount(*opened), 1);
    }
  }
  // Cut short: not a property list any more, so the document is not opened.
  writeText(pathFor("cut.mvdx"), valid.substr(0, valid.size() / 2));
  EXPECT_EQ(openDocument(pathFor("cut.mvdx")), nullptr);
  EXPECT_EQ(openDocument(pathFor("no such file.mvdx")), nullptr);
  writeText(pathFor("array.mvdx"), "<plist><array/></plist>");
  EXPECT_EQ(openDocument(pathFor("array.mvdx")), nullptr);
}

TEST_F(DocumentFiles, BinaryAndXmlFilesBothOpen)
{
  auto document = newDocument();
  buildSampleGraph(*document);
  const pf::PlistValue::Dictionary file = document->fileDictionaryForSaving();
  ASSERT_TRUE(pf::writePropertyListFile(pf::PlistValue(file), pathFor("binary.mvdx"), pf::PlistFormat::Binary));
  ASSERT_EQ(fileText(pathFor("binary.mvdx")).substr(0, 6), "bplist");
  auto opened = openDocument(pathFor("binary.mvdx"));
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(graphRecord(*opened), graphRecord(*document));
}

TEST_F(DocumentFiles, RevertReadsFirstAndLeavesTheDocumentWhenItCannot)
{
  auto document = newDocument();
  buildSampleGraph(*document);
  ASSERT_TRUE(document->writeToURL(pathFor("saved.mvdx")));
  const pf::PlistValue saved = graphRecord(*document);

  runLoop.runEvent([&] { document->nodeController().addNodeOfClass("ElementShapeNode", {0.0, 0.0}, false); });
  const pf::PlistValue edited = graphRecord(*document);
  ASSERT_TRUE(document->undoManager()->canUndo());

  writeText(pathFor("broken.mvdx"), "<?xml version=\"1.0\"?><plist><dict><key>Nodes</key>");
  EXPECT_FALSE(document->revertToContentsOfURL(pathFor("broken.mvdx")));
  EXPECT_EQ(graphRecord(*document), edited);
  EXPECT_TRUE(document->undoManager()->canUndo());

  EXPECT_TRUE(document->revertToContentsOfURL(pathFor("saved.mvdx")));
  EXPECT_EQ(graphRecord(*document), saved);
  EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(DocumentFiles, LoadingWarningsShowInOneAlertAfterLoadingAndAreClearedByTheNextLoad)
{
  pf::PlistValue::Dictionary file = minimalFile();
  for (const char* className : {"WarpDriveNode", "TimeMachineNode", "WarpDriveNode"}) {
    file.find("Nodes")->append(pf::PlistValue::Dictionary{{"Node class", className}});
  }
  auto document = newDocument();
  document->loadFromFileDictionary(file);
  EXPECT_TRUE(alerts.alerts.empty());
  runLoop.advance(0.2);
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Warnings loading file");
  EXPECT_EQ(alerts.alerts[0].second,
            "The file contained an unknown node type 'WarpDriveNode' that could not be loaded.\n\nThe file contained an "
            "unknown node type 'TimeMachineNode' that could not be loaded.\n\n(More information and logged "
            "warnings/errors can be found in the Help menu, 'Show technical information...')");

  document->nodeController().removeAllNodes();
  document->loadFromFileDictionary(minimalFile());
  EXPECT_TRUE(document->nodeController().fileLoadingWarnings().empty());
  runLoop.advance(1.0);
  EXPECT_EQ(alerts.alerts.size(), 1u);
}

TEST_F(DocumentFiles, NewDocumentsComeFromTheDefaultDocuments)
{
  struct Case {
    bool includeDefaultNodes;
    double sizeX;
    double sizeY;
    std::size_t nodes;
    std::size_t connections;
  };
  for (const Case& c : {Case{true, 640.0, 480.0, 3, 2}, Case{false, 0.0, -5.0, 1, 0}}) {
    SCOPED_TRACE(c.includeDefaultNodes ? "Default.mvdx" : "DefaultEmpty.mvdx");
    defaults->setBool("New document include default nodes", c.includeDefaultNodes);
    defaults->setDouble("New document default size X", c.sizeX);
    defaults->setDouble("New document default size Y", c.sizeY);
    log.clear();
    auto document = setUpDocument();
    MVNodeController& controller = document->nodeController();
    EXPECT_EQ(controller.nodeArray().size(), c.nodes);
    EXPECT_EQ(controller.connectionArray().size(), c.connections);
    EXPECT_TRUE(controller.fileLoadingWarnings().empty());
    EXPECT_EQ(log.countContaining("loadNodeDictionary"), 0);
    EXPECT_EQ(log.countContaining("loadConnections"), 0);
    EXPECT_EQ(document->fileVersion(), "3.0.0");
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.artboardNode());
    ASSERT_NE(artboard, nullptr);
    EXPECT_EQ(artboard->sizeParameter()->localValueX(), std::max(1.0, c.sizeX));
    EXPECT_EQ(artboard->sizeParameter()->localValueY(), std::max(1.0, c.sizeY));
    EXPECT_FALSE(document->undoManager()->canUndo());
  }
}

TEST_F(DocumentFiles, WithoutItsResourceANewDocumentStillHasItsArtboard)
{
  MVApplicationResources::setResourceFolderOverride(pathFor("no resources"));
  auto document = setUpDocument();
  MVApplicationResources::setResourceFolderOverride({});
  EXPECT_EQ(log.count("Error, loadDefaultDocument could not find the resource Default.mvdx"), 1);
  EXPECT_EQ(artboardCount(*document), 1);
}

}  // namespace

namespace {

using DocumentPrefetch = DocumentFileTest;

// A file read ahead (at launch) reads as the file itself, however its path is spelled, and what
// reading logged is logged when the read is taken, not while the worker read it; a read nobody
// took is dropped, and the next read reads the file anew.
TEST_F(DocumentPrefetch, ReadsAsTheFileAndLogsWhenTaken)
{
  const std::filesystem::path readable =
      writeFile("readable.mvdx", pf::PlistValue::Dictionary{{"Version", pf::PlistValue(std::string("3.0.0"))}});
  const std::filesystem::path broken = pathFor("broken.mvdx");
  writeText(broken, "<plist><dict><key>Nodes</key>");
  for (const std::filesystem::path& path : {readable, broken, pathFor("missing.mvdx")}) {
    SCOPED_TRACE(path.filename().string());
    log.clear();
    const std::optional<pf::PlistValue::Dictionary> direct = MVDocumentFileReader::readFileDictionary(path);
    const std::vector<std::string> directLines = log.lines();
    log.clear();
    {
      MVDocumentFileReader::Prefetch prefetch(path.parent_path() / "elsewhere" / ".." / path.filename());
      EXPECT_TRUE(log.lines().empty());
      EXPECT_EQ(MVDocumentFileReader::readFileDictionary(path), direct);
      EXPECT_EQ(log.lines(), directLines);
    }
    log.clear();
    {
      MVDocumentFileReader::Prefetch untaken(path);
    }
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(MVDocumentFileReader::readFileDictionary(path), direct);
    EXPECT_EQ(log.lines(), directLines);
  }
}

using DefaultDocuments = DocumentFileTest;

// Opened as they are and saved again, both default documents give back the same dictionary: they
// hold every key the writer writes, with the values of a new document (the preview's start
// settings, the export settings' defaults, the animation manager's record).
TEST_F(DefaultDocuments, HoldWhatANewDocumentWrites)
{
  auto fresh = newDocument();
  fresh->initExportParametes();
  for (const char* resource : {"Default.mvdx", "DefaultEmpty.mvdx"}) {
    SCOPED_TRACE(resource);
    const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource(resource);
    ASSERT_TRUE(path);
    const std::optional<pf::PlistValue::Dictionary> file = MVDocumentFileReader::readFileDictionary(*path);
    ASSERT_TRUE(file);
    log.clear();
    auto document = openDocument(*path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Loading v3.0.0 file '" + std::string(resource) + "'"});
    ASSERT_TRUE(document->writeToURL(pathFor(resource)));
    EXPECT_EQ(MVDocumentFileReader::readFileDictionary(pathFor(resource)), file);

    ASSERT_NE(file->find("Display Settings"), nullptr);
    EXPECT_EQ(*file->find("Display Settings"), pf::PlistValue(MVDocumentViewState::freshDisplaySettings()));
    ASSERT_NE(file->find("Export Settings"), nullptr);
    EXPECT_EQ(*file->find("Export Settings"), pf::PlistValue(*fresh->exportSettings()));
    ASSERT_NE(file->find("Animation"), nullptr);
    EXPECT_EQ(*file->find("Animation"), pf::PlistValue(fresh->animationManager().descriptionDictionary()));
  }
}

// A new document, with or without the default nodes, logs nothing but its loading line and
// starts with selection outlines shown and repetitions at half opacity.
TEST_F(DefaultDocuments, NewDocumentsOpenQuietlyWithThePreviewsStartSettings)
{
  for (const bool includeDefaultNodes : {true, false}) {
    SCOPED_TRACE(includeDefaultNodes ? "Default.mvdx" : "DefaultEmpty.mvdx");
    defaults->setBool("New document include default nodes", includeDefaultNodes);
    log.clear();
    auto document = setUpDocument();
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Loading v3.0.0 file 'Default'"});
    ASSERT_TRUE(document->viewState().displaySettings);
    const pf::PlistValue::Dictionary& settings = *document->viewState().displaySettings;
    ASSERT_NE(settings.find("Show Selection Outlines"), nullptr);
    EXPECT_EQ(settings.find("Show Selection Outlines")->toBool(), true);
    ASSERT_NE(settings.find("Display Repeat Opacity"), nullptr);
    EXPECT_EQ(settings.find("Display Repeat Opacity")->toDouble(), 0.5);
    EXPECT_TRUE(document->exportSettings());
  }
}

// Animating a parameter shows the timeline: the document asks its window to open the panel.
TEST_F(DefaultDocuments, AnimatingAParameterOpensTheAnimationPanel)
{
  defaults->setBool("New document include default nodes", true);
  FakeDocumentWindow window;
  auto document = newDocument();
  document->setWindow(&window);
  document->windowControllerDidLoadNib();
  MVNode* shape = document->nodeController().nodeWithId("2");
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(window.animationPanelOpenings, 0);
  document->nodeController().animation().animationMenuAddAnimation(
      {{"persistentIdentifier", pf::PlistValue(shape->parameterNamed("Rotation")->persistentIdentifier())},
       {"propertyName", pf::PlistValue("value")}});
  EXPECT_EQ(document->animationManager().animators().size(), 1u);
  EXPECT_EQ(window.animationPanelOpenings, 1);
  document->setWindow(nullptr);
}

// Every node class, made as the editor makes it, saved and opened again: the same record, and
// not one log line on the way (making, saving or loading).
TEST_F(DocumentFiles, EveryNodeClassSavedAndOpenedGivesTheSameRecordWithoutALogLine)
{
  const RandomSource random(123456789);
  for (const MVNodeClass* nodeClass : catalogueNodeClasses()) {
    const std::string& className = nodeClass->className;
    SCOPED_TRACE(className);
    log.clear();
    auto original = newDocument();
    original->setRandomSource(&random);
    original->initExportParametes();
    MVNodeController& controller = original->nodeController();
    if (className != "ArtboardNode") {
      ASSERT_NE(controller.addNodeOfClass("ArtboardNode", {520.0, 120.0}, false), nullptr);
    }
    ASSERT_NE(controller.addNodeOfClass(className, {120.0, 80.0}, false), nullptr);
    const std::filesystem::path path = pathFor(className + ".mvdx");
    ASSERT_TRUE(original->writeToURL(path));

    auto reopened = newDocument();
    reopened->setRandomSource(&random);
    ASSERT_TRUE(reopened->readFromURL(path));
    reopened->windowControllerDidLoadNib();
    const auto& before = controller.nodeArray();
    const auto& after = reopened->nodeController().nodeArray();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t index = 0; index < before.size(); ++index) {
      EXPECT_EQ(pf::PlistValue(after[index]->descriptionDictionary()),
                pf::PlistValue(before[index]->descriptionDictionary()));
    }
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Loading v3.0.0 file '" + className + ".mvdx'"});
  }
}

// Text that is not UTF-8 (possible through the API, though not through the interface) is
// stored with U+FFFD where it enters the model, and any that reaches the writer is repaired
// there: the document always saves, and opens with the repaired text.
TEST_F(DocumentFiles, TextThatIsNotUtf8IsRepairedAndTheDocumentStillSaves)
{
  auto document = newDocument();
  document->initExportParametes();
  MVNodeController& controller = document->nodeController();
  ASSERT_NE(controller.addNodeOfClass("ArtboardNode", {520.0, 120.0}, false), nullptr);
  auto* note = dynamic_cast<NoteNode*>(controller.addNodeOfClass("NoteNode", {120.0, 80.0}, false));
  MVNode* text = controller.addNodeOfClass("ElementTextNode", {120.0, 300.0}, false);
  ASSERT_NE(note, nullptr);
  ASSERT_NE(text, nullptr);
  note->setNoteText("caf\xc3 au lait \xff\xfe");
  EXPECT_EQ(note->noteText(), "caf\uFFFD au lait \uFFFD\uFFFD");
  text->parameterNamed<MVParameterString>("Text")->setString(std::string("\xed\xa0\x80" "A"));
  text->setDisplayName("Title \xc0\xaf");
  EXPECT_EQ(text->displayName(), "Title \uFFFD\uFFFD");
  // Node-index keys reach the file as they were given.
  controller.loadNodeIndexes(pf::PlistValue::Dictionary{{"3 * Index\xff", -1}});
  log.clear();
  ASSERT_TRUE(document->writeToURL(pathFor("repaired.mvdx")));
  EXPECT_EQ(log.countContaining("were not valid UTF-8"), 1);

  auto reopened = openDocument(pathFor("repaired.mvdx"));
  ASSERT_NE(reopened, nullptr);
  const auto& nodes = reopened->nodeController().nodeArray();
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(dynamic_cast<NoteNode&>(*nodes[1]).noteText(), "caf\uFFFD au lait \uFFFD\uFFFD");
  EXPECT_EQ(nodes[2]->parameterNamed<MVParameterString>("Text")->string(), "\uFFFD\uFFFD\uFFFDA");
  EXPECT_TRUE(reopened->nodeController().nodeIndexes().contains("3 * Index\uFFFD"));
}

}  // namespace
