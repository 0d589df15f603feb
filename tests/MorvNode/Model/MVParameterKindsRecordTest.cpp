#include <functional>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "Platform/PropertyList.h"

namespace {

// Each kind, made by its saved class name, set away from its defaults (`configure`, also
// applied to the loading parameter where the state is not saved: lists, presets, toggles),
// saved, written as an XML property list and read back into a fresh parameter, must save the
// same record again.
TEST(ParameterKindRecords, RoundTripThroughAPropertyList)
{
  struct Case {
    const char* className;
    std::function<void(MVParameter&)> configure;  // both sides
    std::function<void(MVParameter&)> change;     // the saving side only
  };
  const auto nothing = [](MVParameter&) {};
  const Case cases[] = {
      {"MVParameterValue", nothing, [](MVParameter& p) { static_cast<MVParameterValue&>(p).setValue(-12.75); }},
      {"MVParameterValue2D", [](MVParameter& p) { static_cast<MVParameterValue2D&>(p).setSizePresets(); },
       [](MVParameter& p) {
         auto& size = static_cast<MVParameterValue2D&>(p);
         size.setValueX(0.1, 3e-7);
         size.setAspectLocked(true);
       }},
      {"MVParameterValueExpression", nothing,
       [](MVParameter& p) { static_cast<MVParameterValueExpression&>(p).setExpressionString("round(a/3)%2"); }},
      {"MVParameterValueFunction", nothing, nothing},
      {"MVParameterColor", nothing,
       [](MVParameter& p) { static_cast<MVParameterColor&>(p).setColor(pf::Color::rgb(0.25, 0.5, 0.75, 0.5)); }},
      {"MVParameterBool", nothing, [](MVParameter& p) { static_cast<MVParameterBool&>(p).setValue(true); }},
      {"MVParameterString", nothing,
       [](MVParameter& p) { static_cast<MVParameterString&>(p).setString("Grüße <&> \"zwei\"\nZeilen"); }},
      {"MVParameterFont", nothing,
       [](MVParameter& p) { static_cast<MVParameterFont&>(p).setFont(pf::Font::named("DejaVuSans-Bold", 30.0)); }},
      {"MVParameterIndex",
       [](MVParameter& p) { static_cast<MVParameterIndex&>(p).setIndexNames({"Left", "Center", "Right"}); },
       [](MVParameter& p) { static_cast<MVParameterIndex&>(p).setIndex(2); }},
      {"MVParameterNodeIndex", nothing, nothing},
      {"MVParameter",
       [](MVParameter& p) { p.setLayoutHasEnableToggle(true); },
       [](MVParameter& p) { p.setEnabled(false); }},
  };
  LogCapture log;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    std::unique_ptr<MVParameter> saved = MVClassRegistry::shared().createParameter(c.className, "Setting");
    ASSERT_NE(saved, nullptr);
    c.configure(*saved);
    c.change(*saved);
    const pf::PlistValue::Dictionary record = saved->descriptionDictionary();
    EXPECT_EQ(record.find("Parameter class")->stringOr(), c.className);

    const std::optional<std::string> xml = pf::xmlPropertyList(pf::PlistValue(record));
    ASSERT_TRUE(xml.has_value());
    const std::optional<pf::PlistValue> read = pf::readPropertyList(*xml);
    ASSERT_TRUE(read.has_value() && read->asDictionary() != nullptr);

    std::unique_ptr<MVParameter> loaded = MVClassRegistry::shared().createParameter(c.className, "Setting");
    c.configure(*loaded);
    EXPECT_TRUE(loaded->loadDescriptionDictionary(*read->asDictionary()));
    EXPECT_EQ(loaded->descriptionDictionary(), record);
  }
}

TEST(ParameterString, NoTextAndEmptyTextDiffer)
{
  registerTestNodeClasses();
  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* node = controller.addNode("TestProcessNode");
  MVParameterString* text = node->addParameter(MVParameterString::parameterWithName("Text"));
  undo.records.clear();
  controller.changes.clear();

  text->setString(std::string());
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_FALSE(undo.records[0].state.contains("propertyValue"));  // there was no text
  text->setString(std::string());
  EXPECT_EQ(undo.records.size(), 1u);
  text->setString("Hello");
  ASSERT_EQ(controller.changes.size(), 2u);
  EXPECT_EQ(controller.changes[1].second, "string");

  text->revertProperty("string", pf::PlistValue());
  EXPECT_EQ(text->string(), std::nullopt);

  pf::PlistValue::Dictionary record{{"Parameter class", "MVParameterString"}, {"Parameter name", "Text"}};
  EXPECT_FALSE(text->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing String key"), 1);
  record.set("String", "");
  EXPECT_TRUE(text->loadDescriptionDictionary(record));
  EXPECT_EQ(text->string(), std::string());
}

TEST(ParameterFont, OnlyTheNameIsKeptAndMissingFacesAreRefused)
{
  registerTestNodeClasses();
  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* node = controller.addNode("TestProcessNode");
  MVParameterFont* font = node->addParameter(MVParameterFont::parameterWithName("Font"));
  ASSERT_TRUE(font->font().has_value());
  EXPECT_EQ(font->font()->pointSize(), 12.0);
  undo.records.clear();

  const std::optional<pf::Font> large = pf::Font::named("DejaVuSans", 30.0);
  ASSERT_TRUE(large.has_value());
  font->setFont(large);
  font->setFont(large);
  ASSERT_EQ(undo.records.size(), 1u);
  font->setFont(std::nullopt);
  EXPECT_EQ(font->font(), large);
  EXPECT_EQ(log.countContaining("setFont nil not allowed, must have font set"), 1);

  pf::PlistValue::Dictionary record = font->descriptionDictionary();
  EXPECT_EQ(record.find("Font")->stringOr(), "DejaVuSans");
  auto loaded = MVParameterFont::parameterWithName("Font");
  EXPECT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(loaded->font(), large->withSize(12.0));

  record.set("Font", "NoSuchFace-Regular");
  EXPECT_FALSE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("could not load font named 'NoSuchFace-Regular'. Maybe it's not installed?"), 1);
  EXPECT_EQ(loaded->font(), large->withSize(12.0));
  record.erase("Font");
  EXPECT_FALSE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing Font key"), 1);

  // Undo goes back by name, at the loaded size.
  font->revertProperty("font", *undo.records[0].state.find("propertyValue"));
  EXPECT_EQ(font->font()->pointSize(), 12.0);
}

}  // namespace
