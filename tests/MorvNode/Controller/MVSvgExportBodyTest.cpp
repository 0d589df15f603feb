#include "MorvNode/Controller/MVSvgExportBody.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Elements/MVSvgWriter.h"
#include "Support/StrictXml.h"

namespace {

TEST(SvgExportBody, BackgroundIsOneScaledRectOnlyWhenVisible)
{
  struct Case {
    const char* name;
    bool drawBackground;
    double opacity;
    bool written;
  };
  const std::vector<Case> cases = {
      {"visible", true, 0.5, true},
      {"switched off", false, 0.5, false},
      {"transparent", true, 0.0, false},
      {"opacity not a number", true, std::nan(""), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const pf::Color color = pf::Color::rgb(0.2, 0.4, 0.6);
    const MVSvgExportBody body(nullptr, nullptr, {pf::Size(100.0, 50.0), 2.0, color, c.drawBackground, c.opacity});
    const std::string text = body.artboardBackgroundString();
    if (!c.written) {
      EXPECT_EQ(text, "");
      continue;
    }
    EXPECT_EQ(testsupport::xmlWellFormednessError(text), "") << text;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text.c_str()));
    const pugi::xml_node rect = document.child("rect");
    EXPECT_DOUBLE_EQ(rect.attribute("width").as_double(), 200.0);
    EXPECT_DOUBLE_EQ(rect.attribute("height").as_double(), 100.0);
    EXPECT_DOUBLE_EQ(rect.attribute("opacity").as_double(), 0.5);
    EXPECT_EQ(std::string(rect.attribute("fill").value()), MVSvgWriter::rgb(color));
    EXPECT_EQ(std::string(rect.attribute("id").value()), "Artboard background");
  }
}

TEST(SvgExportBody, NothingToWriteWithoutOutputOrStore)
{
  const MVSvgExportBody::Artboard artboard{pf::Size(10.0, 10.0)};
  const MVSvgExportBody empty(nullptr, nullptr, artboard);
  EXPECT_EQ(empty.outputElementString(), "");
  EXPECT_EQ(empty.symbolDefinitionsString(), "");

  // A group output without a store, or with a store that holds nothing, defines no symbols.
  const auto group = std::make_shared<MVElementGroup>();
  EXPECT_EQ(MVSvgExportBody(group, nullptr, artboard).symbolDefinitionsString(), "");
  const MVSharedGraphicsStore store;
  EXPECT_EQ(MVSvgExportBody(group, &store, artboard).symbolDefinitionsString(), "");
}

}  // namespace
