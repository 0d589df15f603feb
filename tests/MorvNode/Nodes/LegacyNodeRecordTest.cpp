#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "NodeTestSupport.h"
#include "Platform/ColorArchive.h"

namespace {

// The older non-keyed archive of calibrated RGB (0.25, 0.5, 0, 1).
const std::vector<std::uint8_t> kTypedStreamColor = {
    0x04, 0x0b, 0x73, 0x74, 0x72, 0x65, 0x61, 0x6d, 0x74, 0x79, 0x70, 0x65, 0x64, 0x81, 0xe8, 0x03, 0x84,
    0x01, 0x40, 0x84, 0x84, 0x84, 0x07, 0x4e, 0x53, 0x43, 0x6f, 0x6c, 0x6f, 0x72, 0x00, 0x84, 0x84, 0x08,
    0x4e, 0x53, 0x4f, 0x62, 0x6a, 0x65, 0x63, 0x74, 0x00, 0x85, 0x84, 0x01, 0x63, 0x01, 0x84, 0x04, 0x66,
    0x66, 0x66, 0x66, 0x83, 0x00, 0x00, 0x80, 0x3e, 0x83, 0x00, 0x00, 0x00, 0x3f, 0x00, 0x01, 0x86};

pf::PlistValue::Dictionary record(pf::PlistValue::Dictionary values, pf::PlistValue::Dictionary extra = {})
{
  pf::PlistValue::Dictionary result{{"Parameter values", std::move(values)}};
  for (const auto& entry : extra) {
    result.set(entry.key, entry.value);
  }
  return result;
}

using LegacyNodeRecord = NodeGraphTest;

TEST_F(LegacyNodeRecord, NodeLevelKeys)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->loadLegacyMV2NodeDictionary(record({}, {{"Hidden", true},
                                                 {"Node frame rect", "{{10.5, 20.4}, {140, 90}}"},
                                                 {"Node id", "41"},
                                                 {"Node title", "Old title"}}));
  EXPECT_FALSE(shape->enabled());
  EXPECT_EQ(shape->initialNodeViewOrigin(), pf::Point(15.0, 24.0));
  EXPECT_EQ(shape->nodeId(), "41");
  EXPECT_EQ(shape->displayName(), "Shape");  // element nodes cannot be renamed

  artboard().loadLegacyMV2NodeDictionary(record({}, {{"Hidden", true}, {"Node frame rect", "{{-10.5, 3}, {1, 1}}"}}));
  EXPECT_TRUE(artboard().enabled());  // the artboard cannot be disabled
  EXPECT_EQ(artboard().initialNodeViewOrigin(), pf::Point(-7.0, 7.0));
}

TEST_F(LegacyNodeRecord, AxisNamesSetOneAxisAndAnElementWithoutHeightIsSquare)
{
  struct Case {
    const char* name;
    pf::PlistValue::Dictionary values;
    double x;
    double y;
    bool locked;
  };
  const Case cases[] = {
      {"width and height", {{"Size", 40}, {"Height", 10}}, 40.0, 10.0, false},
      {"width only", {{"Size", 40}}, 40.0, 40.0, true},
      {"height only", {{"Height", 12}}, 30.0, 12.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    shape->indexParameterNamed("Type")->setIndex(ElementShapeNode::kRectangle);
    shape->loadLegacyMV2NodeDictionary(record(c.values));
    MVParameterValue2D* size = shape->value2DParameterNamed("Size");
    EXPECT_EQ(size->localValueX(), c.x);
    EXPECT_EQ(size->localValueY(), c.y);
    EXPECT_EQ(size->aspectLocked(), c.locked);
  }
}

TEST_F(LegacyNodeRecord, AnOldEllipseBecomesACircleOfItsWidth)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->loadLegacyMV2NodeDictionary(record({{"Type", 0}, {"Size", 40}, {"Height", 10}, {"X", 5}, {"Y", 6}}));
  MVParameterValue2D* size = shape->value2DParameterNamed("Size");
  EXPECT_EQ(size->localValueX(), 40.0);
  EXPECT_EQ(size->localValueY(), 40.0);
  EXPECT_TRUE(size->aspectLocked());
  EXPECT_EQ(shape->value2DParameterNamed("Position")->localValueX(), 5.0);
  EXPECT_EQ(shape->value2DParameterNamed("Position")->localValueY(), 6.0);
}

TEST_F(LegacyNodeRecord, EnableMarkersSwitchParametersAndKeepTheirValues)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  const pf::Color fill = shape->colorParameterNamed("Fill Color")->localColor();
  shape->loadLegacyMV2NodeDictionary(
      record({{"Has Fill", 0}, {"Has Rotation", true}, {"Rotation Angle", 30}, {"Has Stroke", true}}));
  EXPECT_FALSE(shape->parameterNamed("Fill Color")->enabled());
  EXPECT_EQ(shape->colorParameterNamed("Fill Color")->localColor(), fill);
  EXPECT_TRUE(shape->parameterNamed("Rotation")->enabled());
  EXPECT_EQ(shape->valueParameterNamed("Rotation")->value(), 30.0);
  EXPECT_TRUE(shape->parameterNamed("Stroke Color")->enabled());
}

TEST_F(LegacyNodeRecord, FillAndStrokeFollowTheOldRules)
{
  auto* noFill = add<ElementShapeNode>("ElementShapeNode");
  noFill->loadLegacyMV2NodeDictionary(record({{"No fill", true}, {"Stroke Width", 2}}));
  EXPECT_FALSE(noFill->parameterNamed("Fill Color")->enabled());
  EXPECT_TRUE(noFill->parameterNamed("Stroke Color")->enabled());  // a width and no "Has Stroke"

  auto* noStroke = add<ElementShapeNode>("ElementShapeNode");
  noStroke->loadLegacyMV2NodeDictionary(record({{"Stroke Width", 0}}));
  EXPECT_FALSE(noStroke->parameterNamed("Stroke Color")->enabled());
}

TEST_F(LegacyNodeRecord, ColoursFromBothArchiveFormsAndBadDataKeepsTheDefault)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  const pf::Color before = shape->colorParameterNamed("Stroke Color")->localColor();
  const pf::Color red = pf::Color::rgb(1.0, 0.0, 0.0);
  shape->loadLegacyMV2NodeDictionary(record({
      {"Fill Color", pf::PlistValue::data(std::string_view("ignored old form"))},
      {"Fill Color_keyed_data", pf::PlistValue::data(pf::archivedColorData(red))},
      {"Stroke Color", pf::PlistValue::data(std::string_view("not an archive"))},
      {"Glow Color", pf::PlistValue::data(kTypedStreamColor)},
  }));
  EXPECT_EQ(shape->colorParameterNamed("Fill Color")->localColor(), red);
  EXPECT_EQ(shape->colorParameterNamed("Stroke Color")->localColor(), before);
  EXPECT_EQ(log.countContaining("Failed to unarchive data for parameter Stroke Color"), 1);
  EXPECT_EQ(log.count("Legacy import warning: ElementShapeNode has no MVParameterColor named 'Glow Color'"), 1);

  auto* typed = add<ElementShapeNode>("ElementShapeNode");
  typed->loadLegacyMV2NodeDictionary(record({{"Fill Color", pf::PlistValue::data(kTypedStreamColor)}}));
  const pf::Color color = typed->colorParameterNamed("Fill Color")->localColor();
  EXPECT_NEAR(color.red(), 0.25, 1e-6);
  EXPECT_NEAR(color.green(), 0.5, 1e-6);
  EXPECT_NEAR(color.blue(), 0.0, 1e-6);
}

TEST_F(LegacyNodeRecord, DroppedAndUnmatchedNamesChangeNothing)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  const pf::PlistValue before = shape->descriptionDictionary();
  log.clear();
  shape->loadLegacyMV2NodeDictionary(
      record({{"Shape", 3}, {"Position", 9}, {"Unknown thing", 4}, {"Size_keyed_data", 1}, {"Has Stroke", false}},
             {{"Node id", shape->nodeId()}}));
  pf::PlistValue after = shape->descriptionDictionary();
  EXPECT_EQ(after, before);
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(LegacyNodeRecord, AxisMarkersOtherThanXOrYAreLogged)
{
  auto* shape = add<ElementShapeNode>("ElementShapeNode");
  shape->loadLegacyMV2NodeDictionary(record({{"Fill Opacity:Z", 0.5}}));
  EXPECT_EQ(log.count("loadLegacyMV2NodeDictionary, Warning, 'Fill Opacity:Z' looks like a 2D parameter translation, "
                      "but sub parameter is not X or Y"),
            1);
  EXPECT_EQ(shape->valueParameterNamed("Fill Opacity")->value(), 0.5);
}

TEST_F(LegacyNodeRecord, LinkedAxesBecomeAnAspectLock)
{
  struct Case {
    bool active;
    double y;
  };
  for (const Case& c : {Case{true, 40.0}, Case{false, 10.0}}) {
    SCOPED_TRACE(c.active);
    auto* shape = add<ElementShapeNode>("ElementShapeNode");
    const pf::PlistValue::Array links = {pf::PlistValue(
        pf::PlistValue::Dictionary{{"Parameter 1", "Size"}, {"Parameter 2", "Height"}, {"Active", c.active}})};
    shape->loadLegacyMV2NodeDictionary(record({{"Size", 40}, {"Height", 10}}, {{"Parameter link states", links}}));
    MVParameterValue2D* size = shape->value2DParameterNamed("Size");
    EXPECT_EQ(size->localValueY(), c.y);
    EXPECT_EQ(size->aspectLocked(), c.active);
  }
  auto* other = add<ElementShapeNode>("ElementShapeNode");
  other->loadLegacyMV2NodeDictionary(record({}, {{"Parameter link states", pf::PlistValue::Array{pf::PlistValue(
                                                     pf::PlistValue::Dictionary{{"Parameter 1", "Size"},
                                                                                {"Parameter 2", "X"},
                                                                                {"Active", true}})}}}));
  EXPECT_EQ(log.countContaining("legacy Parameter link between Size:X and Position:X was not converted"), 1);
}

TEST_F(LegacyNodeRecord, TheArtboardTakesTheOldLayersSizeAndBackground)
{
  const pf::PlistValue::Array layers = {
      pf::PlistValue(pf::PlistValue::Dictionary{{"LayerID", "OutputLayer7"}, {"DisplayName", "Front"}, {"Visible", true}}),
      pf::PlistValue("damaged"),
      pf::PlistValue(pf::PlistValue::Dictionary{{"LayerID", "OutputLayer3"}, {"DisplayName", "Back"}, {"Visible", false}}),
  };
  artboard().loadLegacyMV2NodeDictionary(record(
      {{"X", 320}, {"Y", 240}, {"Has Background", false}, {"Has Mirroring", true}, {"Vertical mirroring", true}},
      {{"Output layers", layers}}));
  ASSERT_EQ(artboard().layers().size(), 2u);
  EXPECT_EQ(artboard().layers()[0]->name(), "OutputLayer7");
  EXPECT_EQ(artboard().layers()[1]->displayName(), "Back");
  EXPECT_FALSE(artboard().layers()[1]->visible());
  EXPECT_EQ(artboard().layerNumberCounter(), 100);
  EXPECT_EQ(artboard().sizeParameter()->localValueX(), 320.0);
  EXPECT_EQ(artboard().sizeParameter()->localValueY(), 240.0);
  EXPECT_FALSE(artboard().backgroundColorParameter()->enabled());
  ASSERT_EQ(artboard().loadingWarningMessages().size(), 1u);
  EXPECT_NE(artboard().loadingWarningMessages()[0].find("legacy art board mirroring"), std::string::npos);
}

TEST_F(LegacyNodeRecord, AnOldNoteKeepsItsTextAndTakesItsSizeFromTheFrame)
{
  auto* note = add<NoteNode>("NoteNode");
  note->loadLegacyMV2NodeDictionary(record({}, {{"Note text", "Remember"}, {"Node frame rect", "{{0, 0}, {200, 100}}"}}));
  EXPECT_EQ(note->noteText(), "Remember");
  EXPECT_EQ(note->noteSize(), pf::Size(204.0, 96.0));
}

}  // namespace
