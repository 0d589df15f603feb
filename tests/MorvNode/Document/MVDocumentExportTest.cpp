#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/DocumentFileTestSupport.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Document/MVPasteboard.h"
#include "MorvNode/Document/MVUserNotificationCenter.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/PdfDocument.h"
#include "Platform/PropertyList.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Support/StrictXml.h"

namespace {

using Dictionary = pf::PlistValue::Dictionary;

class RecordingPasteboard : public MVPasteboard {
public:
  RecordingPasteboard() { MVPasteboard::setGeneral(this); }
  ~RecordingPasteboard() override { MVPasteboard::setGeneral(nullptr); }
  bool setContents(const std::vector<Item>& newItems) override
  {
    items = newItems;
    return true;
  }
  std::vector<Item> items;
};

class RecordingNotifications : public MVUserNotificationCenter {
public:
  RecordingNotifications() { MVUserNotificationCenter::setDefaultCenter(this); }
  ~RecordingNotifications() override { MVUserNotificationCenter::setDefaultCenter(nullptr); }
  void deliverNotification(const Notification& notification) override { delivered.push_back(notification); }
  std::vector<Notification> delivered;
};

class ZoomedWindow : public FakeDocumentWindow {
public:
  double previewDisplayScale() const override { return zoom; }
  double zoom = 2.0;
};

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// A 100 x 50 artboard without background, its left half an opaque red square, its right half
// empty (transparent).
class DocumentExport : public DocumentFileTest {
protected:
  DocumentExport() : document(newDocument())
  {
    document->initExportParametes();
    MVNodeController& controller = document->nodeController();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {400, 100}, false));
    MVNode* square = controller.addNodeOfClass("ElementShapeNode", {100, 100}, false);
    artboard->sizeParameter()->setValueX(100.0, 50.0);
    artboard->colorParameterNamed("Background Color")->setEnabled(false);
    square->indexParameterNamed("Type")->setIndex(1);
    square->value2DParameterNamed("Size")->setValueX(50.0, 50.0);
    square->value2DParameterNamed("Position")->setValueX(25.0, 25.0);
    square->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(1, 0, 0));
    square->colorParameterNamed("Stroke Color")->setEnabled(false);
    controller.addConnectionFromSocket(square->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    controller.scheduleRegenerationForced();
    runLoop.advance(MVNodeController::kRegenerationDelay);
    document->exportPanelOpened();
  }

  // The panel set to the format, confirmed with the file name in the test's folder.
  bool exportAs(const std::string& format, const std::string& name)
  {
    const auto& formats = MVExportSettings::fileFormats();
    const auto index = std::find(formats.begin(), formats.end(), format) - formats.begin();
    document->exportPanelControlChanged(MVExportPanelControl::FormatMenu, static_cast<double>(index));
    return document->exportPanelConfirmed(pathFor(name));
  }

  RecordingNotifications notifications;
  std::unique_ptr<MVDocument> document;
};

// The file of each format reads back, with an independent reader, at the size the settings say:
// 300 x 150 pixels for the bitmaps and SVG, 100 x 50 millimetres for PDF and EPS.
TEST_F(DocumentExport, EachFormatReadsBackAtTheSizeOfTheSettings)
{
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 300.0);
  for (const std::string format : {"png", "tiff", "jpg", "gif"}) {
    SCOPED_TRACE(format);
    ASSERT_TRUE(exportAs(format, "art." + format));
    const std::optional<pf::DecodedBitmap> decoded = pf::decodeBitmap(fileBytes(pathFor("art." + format)));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->bitmap.width(), 300);
    EXPECT_EQ(decoded->bitmap.height(), 150);
    const pf::Bitmap::Rgba8 left = decoded->bitmap.pixel(75, 75);
    EXPECT_GT(left.red, 240);
    EXPECT_LT(left.green, 15);
    EXPECT_EQ(left.alpha, 255);
  }

  // The empty half: transparent where the format can say so, else the format's background.
  const auto rightPixel = [&](const std::string& name) {
    return pf::decodeBitmap(fileBytes(pathFor(name)))->bitmap.pixel(225, 75);
  };
  EXPECT_EQ(rightPixel("art.png").alpha, 0);
  EXPECT_EQ(rightPixel("art.tiff").alpha, 0);
  const pf::Bitmap::Rgba8 grey = rightPixel("art.jpg");
  EXPECT_NEAR(grey.red, 102, 3);
  EXPECT_NEAR(grey.blue, 102, 3);
  EXPECT_EQ(rightPixel("art.gif"), (pf::Bitmap::Rgba8{255, 255, 255, 255}));

  const double millimetre = MVExportSettings::kVectorSizeScaleFactor;
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 100.0);
  ASSERT_TRUE(exportAs("pdf", "art.pdf"));
  const std::shared_ptr<const pf::PdfDocument> pdf = pf::PdfDocument::fromData(fileBytes(pathFor("art.pdf")));
  ASSERT_NE(pdf, nullptr);
  EXPECT_NEAR(pdf->pageSize(0)->width, 100 * millimetre, 0.01);
  EXPECT_NEAR(pdf->pageSize(0)->height, 50 * millimetre, 0.01);

  ASSERT_TRUE(exportAs("eps", "art.eps"));
  const std::optional<pf::Image> eps = pf::Image::fromEps(fileBytes(pathFor("art.eps")));
  ASSERT_TRUE(eps.has_value());
  EXPECT_NEAR(eps->size().width, 100 * millimetre, 1.0);
  EXPECT_NEAR(eps->size().height, 50 * millimetre, 1.0);

  // Points instead of millimetres leave the scale alone.
  document->exportPanelControlChanged(MVExportPanelControl::SizeUnitMenu, 1.0);
  ASSERT_TRUE(exportAs("pdf", "points.pdf"));
  EXPECT_NEAR(pf::PdfDocument::fromData(fileBytes(pathFor("points.pdf")))->pageSize(0)->width, 100.0, 0.01);

  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 300.0);
  ASSERT_TRUE(exportAs("svg", "art.svg"));
  const std::string svg = fileText(pathFor("art.svg"));
  EXPECT_EQ(testsupport::xmlWellFormednessError(svg), "");
  pugi::xml_document xml;
  ASSERT_TRUE(xml.load_string(svg.c_str()));
  const pugi::xml_node root = xml.child("svg");
  EXPECT_STREQ(root.attribute("width").value(), "300px");
  EXPECT_STREQ(root.attribute("height").value(), "150px");
  EXPECT_STREQ(root.attribute("viewBox").value(), "0 0 300 150");
  EXPECT_NE(svg.find("<!-- Generator: Morvalis "), std::string::npos);
  // The square is drawn at the export's scale: 150 user units wide.
  EXPECT_NE(svg.find("150"), std::string::npos);

  EXPECT_EQ(notifications.delivered.size(), 8u);
  EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(DocumentExport, TheGifMatteFillsTransparentPixels)
{
  document->exportPanelControlChanged(MVExportPanelControl::FormatMenu, 6.0);
  document->exportPanelControlChanged(MVExportPanelControl::MatteColorWell, 0.0, pf::Color::rgb(0, 0, 1));
  ASSERT_TRUE(document->exportPanelConfirmed(pathFor("matte.gif")));
  const std::optional<pf::DecodedBitmap> decoded = pf::decodeGif(fileBytes(pathFor("matte.gif")));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bitmap.pixel(80, 25), (pf::Bitmap::Rgba8{0, 0, 255, 255}));
}

TEST_F(DocumentExport, ASuccessfulExportIsAnnouncedWithItsPath)
{
  ASSERT_TRUE(exportAs("png", "announced.png"));
  ASSERT_EQ(notifications.delivered.size(), 1u);
  const MVUserNotificationCenter::Notification& notification = notifications.delivered[0];
  EXPECT_EQ(notification.title, "File export complete");
  EXPECT_EQ(notification.informativeText, "Exported file: announced.png");
  EXPECT_EQ(notification.userInfo, (Dictionary{{"Path", pathFor("announced.png").string()}}));

  // Export again writes the same file once more, without the panel.
  std::filesystem::remove(pathFor("announced.png"));
  EXPECT_TRUE(document->exportAgain());
  EXPECT_TRUE(std::filesystem::exists(pathFor("announced.png")));
}

// A failed write keeps the file that was there, says why, and announces nothing.
TEST_F(DocumentExport, AFailedExportKeepsTheEarlierFileAndTellsWhy)
{
  ASSERT_TRUE(exportAs("png", "kept.png"));
  const std::vector<std::uint8_t> earlier = fileBytes(pathFor("kept.png"));
  notifications.delivered.clear();

  // Too many pixels: refused before anything is drawn.
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 70000.0);
  EXPECT_FALSE(document->exportAgain());
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Error");
  EXPECT_NE(alerts.alerts[0].second.find("Error saving PNG file! Perhaps the disk is full? Path:" +
                                         pathFor("kept.png").string() + " Error: A bitmap of 70000 x 35000 pixels "
                                                                        "is too large."),
            std::string::npos);
  EXPECT_EQ(log.count("Error saving PNG file! Path:" + pathFor("kept.png").string()), 1);
  EXPECT_EQ(fileBytes(pathFor("kept.png")), earlier);

  // A folder where the file should go, and a folder that does not exist.
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 100.0);
  std::filesystem::create_directories(pathFor("folder.svg"));
  alerts.alerts.clear();
  EXPECT_FALSE(exportAs("svg", "folder.svg"));
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_NE(alerts.alerts[0].second.find("Error saving SVG file! Perhaps the disk is full? Path:" +
                                         pathFor("folder.svg").string() + " Error: Is a directory"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(pathFor("folder.svg")));
  alerts.alerts.clear();
  EXPECT_FALSE(exportAs("pdf", "missing/art.pdf"));
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_NE(alerts.alerts[0].second.find("Error: No such file or directory"), std::string::npos);

  EXPECT_TRUE(notifications.delivered.empty());
  // The path and the settings stay for the next attempt.
  EXPECT_EQ(document->exportPath(), pathFor("missing/art.pdf"));
}

TEST_F(DocumentExport, TheProposedNameAndTheBaseFilenameFollowTheChosenName)
{
  EXPECT_EQ(document->proposedExportFileName(), "Untitled.pdf");
  EXPECT_FALSE(document->isMarkedEdited());
  EXPECT_FALSE(document->exportAgain());  // no export path yet

  ASSERT_TRUE(exportAs("png", "Pattern.png"));
  EXPECT_TRUE(document->isMarkedEdited());
  EXPECT_EQ(*document->exportSettings()->find("Base Filename"), pf::PlistValue("Pattern"));
  EXPECT_EQ(document->proposedExportFileName(), "Pattern.png");

  // Saved as "Tiles.mvdx": exporting under the document's own name drops "Base Filename".
  ASSERT_TRUE(document->writeToURL(pathFor("Tiles.mvdx")));
  EXPECT_FALSE(document->isMarkedEdited());
  ASSERT_TRUE(exportAs("png", "Tiles.png"));
  EXPECT_TRUE(document->isMarkedEdited());
  EXPECT_FALSE(document->exportSettings()->contains("Base Filename"));
  EXPECT_EQ(document->proposedExportFileName(), "Tiles.png");
}

TEST_F(DocumentExport, SettingsRoundTripThroughTheDocument)
{
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 400.0);
  document->exportPanelControlChanged(MVExportPanelControl::MatteColorWell, 0, pf::Color::rgb(0.25, 0.5, 0.75));
  document->exportPanelControlChanged(MVExportPanelControl::ScaleToDisplayButton, 1.0);
  ASSERT_TRUE(exportAs("jpg", "Other.jpg"));
  ASSERT_TRUE(document->writeToURL(pathFor("roundtrip.mvdx")));
  auto reopened = openDocument(pathFor("roundtrip.mvdx"));
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(pf::PlistValue(*reopened->exportSettings()), pf::PlistValue(*document->exportSettings()));
  EXPECT_EQ(DictionaryValueExtras::colorForKey(*reopened->exportSettings(), "Matte Color"),
            pf::Color::rgb(0.25, 0.5, 0.75));
  EXPECT_EQ(reopened->proposedExportFileName(), "Other.jpg");
  // The export path is the session's, not the file's.
  EXPECT_FALSE(reopened->exportPath().has_value());
}

TEST_F(DocumentExport, ThePanelShowsWhatTheFormatNeeds)
{
  struct Case {
    double formatIndex;
    bool unitMenu;
    bool eps;
    bool svg;
    bool matte;
  };
  const Case cases[] = {{0, true, false, false, false}, {1, true, true, false, false},
                        {2, false, false, true, false}, {5, false, false, false, false},
                        {6, false, false, false, true}};
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 100.5);
  for (const Case& test : cases) {
    SCOPED_TRACE(test.formatIndex);
    document->exportPanelControlChanged(MVExportPanelControl::FormatMenu, test.formatIndex);
    const MVExportPanelState state = document->exportPanelUpdateInterface();
    EXPECT_EQ(state.formatIndex, static_cast<int>(test.formatIndex));
    EXPECT_EQ(state.showsSizeUnitMenu, test.unitMenu);
    EXPECT_EQ(state.showsPixelLabel, !test.unitMenu);
    EXPECT_EQ(state.showsEPSWarning, test.eps);
    EXPECT_EQ(state.showsSVGWarning, test.svg);
    EXPECT_EQ(state.showsMatteControls, test.matte);
    // Pixel sizes are whole numbers, rounded up.
    EXPECT_EQ(state.sizeX, test.unitMenu ? 100.5 : 101.0);
  }
  // Matte off hides the well.
  document->exportPanelControlChanged(MVExportPanelControl::MatteButton, 0.0);
  EXPECT_FALSE(document->exportPanelUpdateInterface().showsMatteWell);
  // A menu index outside the list changes nothing.
  document->exportPanelControlChanged(MVExportPanelControl::FormatMenu, 9.0);
  EXPECT_EQ(document->exportPanelUpdateInterface().fileFormat, "gif");
}

TEST_F(DocumentExport, ScaleToDisplayExportsAtThePreviewZoom)
{
  ZoomedWindow window;
  document->setWindow(&window);
  document->exportPanelControlChanged(MVExportPanelControl::ScaleToDisplayButton, 1.0);
  const MVExportPanelState state = document->exportPanelUpdateInterface();
  EXPECT_TRUE(state.scaleToDisplay);
  EXPECT_EQ(state.sizeX, 200.0);
  EXPECT_EQ(state.sizeY, 100.0);
  ASSERT_TRUE(exportAs("png", "zoomed.png"));
  EXPECT_EQ(pf::decodePng(fileBytes(pathFor("zoomed.png")))->bitmap.width(), 200);
  // The zoom changed after the panel closed: export again follows it.
  window.zoom = 0.5;
  ASSERT_TRUE(document->exportAgain());
  EXPECT_EQ(pf::decodePng(fileBytes(pathFor("zoomed.png")))->bitmap.width(), 50);
  document->setWindow(nullptr);
}

TEST_F(DocumentExport, CopyPutsPdfOrBitmapsOnTheClipboard)
{
  RecordingPasteboard pasteboard;
  ASSERT_TRUE(document->exportCopy(true));
  ASSERT_EQ(pasteboard.items.size(), 1u);
  EXPECT_EQ(pasteboard.items[0].mimeType, "application/pdf");
  const auto pdf = pf::PdfDocument::fromData(pasteboard.items[0].data);
  ASSERT_NE(pdf, nullptr);
  // "Copy vectors size units" 0: one artboard unit becomes one millimetre.
  EXPECT_NEAR(pdf->pageSize(0)->width, 100 * MVExportSettings::kVectorSizeScaleFactor, 0.01);

  ZoomedWindow window;
  document->setWindow(&window);
  ASSERT_TRUE(document->exportCopy(false));
  ASSERT_EQ(pasteboard.items.size(), 2u);
  EXPECT_EQ(pasteboard.items[0].mimeType, "image/png");
  EXPECT_EQ(pasteboard.items[1].mimeType, "image/tiff");
  EXPECT_EQ(pf::decodePng(pasteboard.items[0].data)->bitmap.width(), 200);
  EXPECT_EQ(pf::decodeTiff(pasteboard.items[1].data)->bitmap.height(), 100);
  document->setWindow(nullptr);
  EXPECT_TRUE(alerts.alerts.empty());
}

TEST_F(DocumentExport, CopyWithoutAClipboardSaysSo)
{
  EXPECT_FALSE(document->exportCopy(true));
  EXPECT_FALSE(document->exportCopy(false));
  ASSERT_EQ(alerts.alerts.size(), 2u);
  EXPECT_EQ(alerts.alerts[0].second, "Error copying artboard PDF vector data to pasteboard");
  EXPECT_EQ(alerts.alerts[1].second, "Error copying pattern TIFF bitmap image data to pasteboard");
}

TEST_F(DocumentExport, SvgHeaderNamesTheSizeAndTheGenerator)
{
  document->exportPanelControlChanged(MVExportPanelControl::SizeXField, 250.0);
  EXPECT_EQ(document->exportGenerateSVGHeaderString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg width=\"250px\" height=\"125px\" viewBox=\"0 0 250 125\" version=\"1.1\" "
            "xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n"
            "<!-- Generator: Morvalis " +
                MVApplicationResources::applicationVersion() + " - " + MVArtworkRenderer::kProductWebPage +
                " -->\n");
  const std::string svg = document->exportGenerateSVGString();
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
}

// The renderer draws the generation as it stands: a change still waiting for its regeneration
// is in the frame.
TEST_F(DocumentExport, AFrameShowsThePendingChange)
{
  MVNode* square = document->nodeController().nodeArray().back().get();
  square->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(0, 1, 0));
  ASSERT_TRUE(document->nodeController().isRegenerationPending());
  MVArtworkRenderer renderer(document->nodeController());
  renderer.bringOutputUpToDate();
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.renderBitmap(1.0);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->pixel(25, 25), (pf::Bitmap::Rgba8{0, 255, 0, 255}));
  EXPECT_EQ(renderer.renderBitmap(std::nan("")), nullptr);
  EXPECT_EQ(renderer.renderPDF(0.0), std::nullopt);
}

}  // namespace
