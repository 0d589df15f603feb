#include "MorvNode/Document/NodeReferencePage.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DocumentFileTestSupport.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVSampleFileCatalogue.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "Platform/PropertyList.h"

namespace {

using Record = MVSampleFileCatalogue::Record;

constexpr const char* kTemplate = "[NodeType|NodeName|NodeDescription|ParameterDescriptions|SampleFiles]";

// Pages of real nodes in a document of their own, and sample documents in the test's folder.
class NodeReferencePageTest : public DocumentFileTest {
protected:
  MVNode* add(const std::string& className) { return document_->nodeController().addNodeOfClass(className, {}, false); }
  std::string page(const MVNode& node, const std::vector<Record>& samples = {})
  {
    return NodeReferencePage::pageForNode(kTemplate, node, samples, "/opt/morvalis/share");
  }
  // A document file whose node records name the classes (or the older "Node type name").
  std::filesystem::path sampleFile(const std::string& name, const std::vector<std::string>& classes,
                                   const char* key = "Node class")
  {
    pf::PlistValue::Array nodes;
    for (const std::string& className : classes) {
      nodes.emplace_back(pf::PlistValue::Dictionary{{key, className}});
    }
    nodes.emplace_back(pf::PlistValue::Dictionary{{"Node id", "9"}});  // neither key: skipped
    return writeFile(name, pf::PlistValue::Dictionary{{"Nodes", pf::PlistValue(std::move(nodes))}});
  }

  std::unique_ptr<MVDocument> document_ = newDocument();
};

TEST_F(NodeReferencePageTest, FileNamesAreEscapedAndPathsEncodedSoLinksDecodeToTheFile)
{
  const std::string name = "a <b> & 'c\".mvdx";
  const std::filesystem::path path = std::filesystem::path("/tmp/x y%") / name;
  const std::string section = NodeReferencePage::sampleFilesSection({{name, path, {}}}, "/res folder");
  EXPECT_NE(section.find(">a &lt;b&gt; &amp; &#39;c&quot;.mvdx</A>"), std::string::npos) << section;
  EXPECT_EQ(section.find(name), std::string::npos);
  const std::string href = "xxxx:///tmp/x%20y%25/a%20%3Cb%3E%20%26%20%27c%22.mvdx";
  EXPECT_NE(section.find("<A HREF='" + href + "'>"), std::string::npos) << section;
  EXPECT_NE(section.find("SRC='file:///res%20folder/interface%20icons/morvalis_document_icon.png'"), std::string::npos);
  EXPECT_EQ(NodeReferencePage::sampleFilePathFromLink(href), path.string());
}

TEST_F(NodeReferencePageTest, OnlySampleLinksWithAPathOpenDocuments)
{
  struct Case {
    const char* address;
    std::optional<std::string> path;
  };
  for (const Case& entry : {Case{"xxxx:///home/me/My%20art.mvdx", "/home/me/My art.mvdx"},
                            Case{"xxxx:///caf%C3%A9.mvdx", "/caf\xc3\xa9.mvdx"},
                            Case{"xxxx:///bad%zz%2.mvdx", "/bad%zz%2.mvdx"}, Case{"xxxx://", std::nullopt},
                            Case{"https://www.oradel.example/", std::nullopt},
                            Case{"file:///home/me/a.mvdx", std::nullopt}}) {
    SCOPED_TRACE(entry.address);
    EXPECT_EQ(NodeReferencePage::sampleFilePathFromLink(entry.address), entry.path);
  }
}

TEST_F(NodeReferencePageTest, AtMostTenSampleFilesAreLinkedInListOrder)
{
  std::vector<Record> records;
  for (int index = 0; index < 12; ++index) {
    records.push_back({"Sample " + std::to_string(index) + ".mvdx", "/s/" + std::to_string(index) + ".mvdx", {}});
  }
  const std::string section = NodeReferencePage::sampleFilesSection(records, "/r");
  std::size_t links = 0;
  for (std::size_t at = section.find("<A HREF="); at != std::string::npos; at = section.find("<A HREF=", at + 1)) {
    ++links;
  }
  EXPECT_EQ(links, 10u);
  EXPECT_NE(section.find("Sample 9.mvdx"), std::string::npos);
  EXPECT_EQ(section.find("Sample 10.mvdx"), std::string::npos);
  EXPECT_EQ(NodeReferencePage::sampleFilesSection({}, "/r"), "");
}

TEST_F(NodeReferencePageTest, CatalogueReadsNodeClassesAndOlderTypeNamesOfEveryFileBelowTheFolder)
{
  sampleFile("One.mvdx", {"ElementShapeNode", "RepeatGridNode"});
  std::filesystem::create_directories(pathFor("Deeper"));
  sampleFile("Deeper/Old.mvdx", {"ElementShapeNode"}, "Node type name");
  writeText(pathFor("Broken.mvdx"), "not a property list");
  writeText(pathFor("Readme.txt"), "ignored");
  MVSampleFileCatalogue catalogue;
  catalogue.recursiveBuildSampleFileDictionaryWithPath(pathFor(""));
  catalogue.recursiveBuildSampleFileDictionaryWithPath(pathFor("missing"));
  EXPECT_EQ(catalogue.records().size(), 3u);
  std::vector<std::string> shapes;
  for (const Record& record : catalogue.sampleFilesUsingNodeType("ElementShapeNode")) {
    shapes.push_back(record.filename);
  }
  std::sort(shapes.begin(), shapes.end());
  EXPECT_EQ(shapes, (std::vector<std::string>{"Old.mvdx", "One.mvdx"}));
  EXPECT_EQ(catalogue.sampleFilesUsingNodeType("RepeatGridNode").size(), 1u);
  EXPECT_TRUE(catalogue.sampleFilesUsingNodeType("Broken").empty());
}

TEST_F(NodeReferencePageTest, PageNamesTheNodeListsItsParametersAndHidesThoseItsLayoutHides)
{
  MVNode* shape = add("ElementShapeNode");
  ASSERT_NE(shape, nullptr);
  shape->indexParameterNamed("Type")->setIndex(5);  // polygon: "Sides" shown
  std::string text = page(*shape);
  EXPECT_TRUE(text.starts_with("[Element|Shape|")) << text;
  EXPECT_EQ(text.find("ParameterDescriptions"), std::string::npos);
  EXPECT_NE(text.find("<H2>Node parameters</H2>"), std::string::npos);
  EXPECT_NE(text.find("<P id='Position'><B>Position (X, Y)</B>"), std::string::npos) << text;
  EXPECT_NE(text.find("<P id='Type'><B>Shape (selection)</B>"), std::string::npos);
  EXPECT_NE(text.find("<P id='Fill Color'><B>Fill (Color)</B>"), std::string::npos) << text;
  EXPECT_NE(text.find("<P id='Sides'>"), std::string::npos);
  EXPECT_NE(text.find("<IMG SRC='file:///opt/morvalis/share/interface%20icons/transform_offset.png' width=12"),
            std::string::npos);
  EXPECT_NE(text.find("Offset can be edited in the preview."), std::string::npos);
  EXPECT_NE(text.find("<IMG SRC='file:///opt/morvalis/share/node%20icons/icon_shape_circle.png'"), std::string::npos);
  EXPECT_EQ(text.find("id='Graphics'"), std::string::npos);

  shape->indexParameterNamed("Type")->setIndex(0);  // ellipse: "Sides" hidden
  text = page(*shape);
  EXPECT_EQ(text.find("<P id='Sides'>"), std::string::npos);
}

TEST_F(NodeReferencePageTest, ChangeNodesOpenWithTheModeIntroductionAndLeaveTheModeControlsOut)
{
  MVNode* change = add("ChangeColorNode");
  ASSERT_NE(change, nullptr);
  const std::string text = page(*change);
  const std::size_t introduction = text.find("<H2>Apply to / change mode controls</H2>");
  ASSERT_NE(introduction, std::string::npos);
  EXPECT_LT(introduction, text.find("<H2>Node parameters</H2>"));
  for (const char* hidden : {"Change Mode", "Selection Mode", "Selection Seed", "Selection Offset"}) {
    SCOPED_TRACE(hidden);
    EXPECT_EQ(text.find(std::string("id='") + hidden + "'"), std::string::npos);
  }
}

TEST_F(NodeReferencePageTest, EveryCatalogueClassMakesAPageWithoutLogLines)
{
  for (const std::string className : {"ElementShapeNode", "ElementLineNode", "ElementListNode", "RepeatGridNode",
                                      "RepeatRadialNode", "ChangeTransformNode", "GroupArrangeNode", "ValueNode",
                                      "ValueTimeFunctionNode", "ColorNode", "ColorListNode", "NoteNode"}) {
    SCOPED_TRACE(className);
    MVNode* node = add(className);
    ASSERT_NE(node, nullptr);
    const std::string text = page(*node);
    EXPECT_EQ(text.find("NodeName"), std::string::npos);
    EXPECT_EQ(text.find("SampleFiles"), std::string::npos);
  }
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
}

}  // namespace
