#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Document/MVExportSettings.h"
#include "Platform/UserDefaults.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Support/LogCapture.h"

namespace {

using Dictionary = pf::PlistValue::Dictionary;

class ExportSettings : public ::testing::Test {
protected:
  ExportSettings()
  {
    std::filesystem::remove(path_);
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(path_));
  }
  ~ExportSettings() override
  {
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "export-settings-empty.plist"));
  }

  // Settings as the panel leaves them on an artboard of the size.
  static Dictionary openedOn(pf::Size artboard)
  {
    Dictionary settings = MVExportSettings::defaultSettings();
    MVExportSettings::prepareSizesForArtboard(settings, artboard);
    return settings;
  }

  testsupport::LogCapture log;

private:
  std::string path_ = ::testing::TempDir() + "export-settings-defaults.plist";
};

TEST_F(ExportSettings, DefaultsComeInTheirOrderAndTakeTheLastUsedUnits)
{
  const Dictionary settings = MVExportSettings::defaultSettings();
  std::vector<std::string> keys;
  for (const auto& entry : settings) {
    keys.push_back(entry.key);
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"Scale To Display", "Animation File Format", "Animation Codec",
                                            "File Format", "Export Vector Size Units", "Size Height", "Size Width",
                                            "Animation Size Height", "Animation Size Width", "Repeated Export",
                                            "Repetitions X", "Repetitions Y", "Use Matte Color", "Matte Color"}));
  EXPECT_EQ(*settings.find("File Format"), pf::PlistValue("pdf"));
  EXPECT_EQ(*settings.find("Animation File Format"), pf::PlistValue("gif"));
  EXPECT_EQ(*settings.find("Animation Codec"), pf::PlistValue("jpeg"));
  EXPECT_EQ(*settings.find("Export Vector Size Units"), pf::PlistValue(0));
  EXPECT_EQ(*settings.find("Repetitions X"), pf::PlistValue(2));
  EXPECT_EQ(*settings.find("Size Width"), pf::PlistValue(0.0));
  EXPECT_EQ(*settings.find("Use Matte Color"), pf::PlistValue(true));
  EXPECT_EQ(DictionaryValueExtras::colorForKey(settings, "Matte Color"), pf::Color::white());
  EXPECT_FALSE(settings.contains("Base Filename"));

  pf::UserDefaults::standard().setInteger("Last used export size units", 1);
  EXPECT_EQ(MVExportSettings::vectorSizeUnits(MVExportSettings::defaultSettings()), 1);
  // An index the unit menu does not have falls back to millimetres.
  pf::UserDefaults::standard().setInteger("Last used export size units", 7);
  EXPECT_EQ(MVExportSettings::vectorSizeUnits(MVExportSettings::defaultSettings()), 0);
}

TEST_F(ExportSettings, SizeFieldsKeepTheAspectOfTheArtboardTheyWereOpenedOn)
{
  Dictionary settings = openedOn({100, 50});
  EXPECT_EQ(MVExportSettings::size(settings), pf::Size(100, 50));
  ASSERT_TRUE(MVExportSettings::setSizeWidthKeepingAspect(settings, 200));
  EXPECT_EQ(MVExportSettings::size(settings), pf::Size(200, 100));
  ASSERT_TRUE(MVExportSettings::setSizeHeightKeepingAspect(settings, 10));
  EXPECT_EQ(MVExportSettings::size(settings), pf::Size(20, 10));

  for (const double refused : {0.0, -5.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(refused);
    EXPECT_FALSE(MVExportSettings::setSizeWidthKeepingAspect(settings, refused));
    EXPECT_FALSE(MVExportSettings::setSizeHeightKeepingAspect(settings, refused));
    EXPECT_EQ(MVExportSettings::size(settings), pf::Size(20, 10));
  }
  // Without an original size there is no aspect to keep.
  Dictionary fresh = MVExportSettings::defaultSettings();
  EXPECT_FALSE(MVExportSettings::setSizeWidthKeepingAspect(fresh, 50));
}

TEST_F(ExportSettings, ReopeningKeepsTheSizesOnlyForTheSameArtboard)
{
  Dictionary settings = openedOn({100, 50});
  MVExportSettings::setSizeWidthKeepingAspect(settings, 300);
  MVExportSettings::prepareSizesForArtboard(settings, {100, 50});
  EXPECT_EQ(MVExportSettings::size(settings), pf::Size(300, 150));

  MVExportSettings::prepareSizesForArtboard(settings, {80, 60});
  EXPECT_EQ(MVExportSettings::size(settings), pf::Size(80, 60));
  EXPECT_EQ(DictionaryValueExtras::doubleValueForKey(settings, "Animation Size Width"), 80.0);
  EXPECT_EQ(DictionaryValueExtras::doubleValueForKey(settings, "Animation Size Height"), 60.0);
  EXPECT_EQ(DictionaryValueExtras::doubleValueForKey(settings, "Original Size Width"), 80.0);
  EXPECT_EQ(DictionaryValueExtras::doubleValueForKey(settings, "Original Size Height"), 60.0);
}

TEST_F(ExportSettings, ScaleFollowsTheSizeTheFormatAndTheUnits)
{
  struct Case {
    const char* name;
    const char* format;
    double sizeWidth;
    int units;
    bool scaleToDisplay;
    std::optional<double> scale;
  };
  const Case cases[] = {
      {"bitmap at three times", "png", 300, 0, false, 3.0},
      {"pdf in millimetres", "pdf", 100, 0, false, MVExportSettings::kVectorSizeScaleFactor},
      {"eps in millimetres", "eps", 50, 0, false, 0.5 * MVExportSettings::kVectorSizeScaleFactor},
      {"pdf in points", "pdf", 100, 1, false, 1.0},
      {"svg ignores the units", "svg", 200, 0, false, 2.0},
      {"scale to display", "jpg", 300, 0, true, 1.5},
      {"not yet sized", "png", 0, 0, false, 1.0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    Dictionary settings = openedOn({100, 50});
    if (test.sizeWidth > 0) {
      MVExportSettings::setSizeWidthKeepingAspect(settings, test.sizeWidth);
    } else {
      settings.set("Size Width", 0.0);
    }
    settings.set("Export Vector Size Units", test.units);
    settings.set("Scale To Display", test.scaleToDisplay);
    const std::optional<double> scale = MVExportSettings::exportScale(settings, test.format, {100, 50}, 1.5);
    ASSERT_EQ(scale.has_value(), test.scale.has_value());
    EXPECT_DOUBLE_EQ(*scale, *test.scale);
  }
  // No artboard, no scale.
  EXPECT_EQ(MVExportSettings::exportScale(openedOn({0, 0}), "png", {0, 0}, 1.0), std::nullopt);
}

TEST_F(ExportSettings, DamagedEntriesReadAsDefaults)
{
  const Dictionary damaged{{"File Format", 7}, {"Size Width", "wide"}, {"Matte Color", "red"}};
  EXPECT_EQ(MVExportSettings::fileFormat(damaged), "pdf");
  EXPECT_EQ(MVExportSettings::matteColor(damaged), pf::Color::white());
  EXPECT_EQ(MVExportSettings::fileFormat({}), "pdf");
  EXPECT_EQ(MVExportSettings::exportSize({}, {120, 80}, 1.0), pf::Size(120, 80));
}

}  // namespace
