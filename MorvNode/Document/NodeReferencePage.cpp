#include "MorvNode/Document/NodeReferencePage.h"

#include <array>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "Platform/Format.h"

namespace {

bool isPlainParameter(const MVParameter& parameter)
{
  return parameter.className() == "MVParameter";
}

const std::string& headingName(const MVParameter& parameter)
{
  if (!parameter.displayHeaderName().empty()) {
    return parameter.displayHeaderName();
  }
  return parameter.displayName().empty() ? parameter.name() : parameter.displayName();
}

std::string kindSuffix(const MVParameter& parameter)
{
  std::string suffix;
  if (const auto* twoAxes = dynamic_cast<const MVParameterValue2D*>(&parameter)) {
    suffix = pf::format(" (%@, %@)", twoAxes->displayNameX(), twoAxes->displayNameY());
  }
  if (dynamic_cast<const MVParameterBool*>(&parameter) != nullptr) {
    suffix = " (Toggle)";
  }
  if (dynamic_cast<const MVParameterColor*>(&parameter) != nullptr) {
    suffix = " (Color)";
  }
  if (dynamic_cast<const MVParameterValueExpression*>(&parameter) != nullptr) {
    suffix = " (Formula)";
  }
  if (isPlainParameter(parameter) && parameter.layoutHasEnableToggle()) {
    suffix = " (Toggle)";
  }
  return suffix;
}

struct DragEditLook {
  const char* icon;
  const char* label;
};

DragEditLook dragEditLook(int transformType)
{
  switch (transformType) {
  case 1:
    return {"transform_offset.png", "Offset"};
  case 4:
    return {"transform_size.png", "Size"};
  case 5:
    return {"transform_rotation.png", "Rotation"};
  case 6:
    return {"transform_count.png", "Count"};
  default:
    return {"transform_scale.png", "Scale"};
  }
}

std::string indexLines(const MVParameterIndex& parameter, const std::string& folder)
{
  std::string lines;
  const std::vector<std::string>& names = parameter.indexDisplayNames();
  const std::vector<std::string>& icons = parameter.indexIcons();
  const std::vector<std::string>& tooltips = parameter.indexTooltips();
  for (std::size_t index = 0; index < names.size(); ++index) {
    std::string icon;
    if (parameter.hasIndexIcons() && index < icons.size() && icons[index].size() >= 2) {
      icon = "<IMG SRC='file://" + folder + "/node%20icons/" + NodeReferencePage::percentEncodedPath(icons[index]) +
             "' width=20 VALIGN=MIDDLE> ";
    } else {
      icon = "<SPAN STYLE='display:inline-block; width:20px; height:10px;'></SPAN> ";
    }
    if (names[index].size() >= 2) {
      lines += index < tooltips.size() ? pf::format("%@<I> %@</I>, %@<BR>", icon, names[index], tooltips[index])
                                       : pf::format("%@<I> %@</I><BR>\n", icon, names[index]);
    } else {
      lines += "<BR>\n";
    }
  }
  return lines;
}

}  // namespace

bool NodeReferencePage::isChangeModeParameterName(std::string_view name)
{
  static constexpr std::array<std::string_view, 8> kNames = {
      "Change Mode",           "Selection heading",     "Selection Mode",       "Selection Seed",
      "Selection Count heading", "Selection Select Count", "Selection Skip Count", "Selection Offset"};
  for (std::string_view candidate : kNames) {
    if (candidate == name) {
      return true;
    }
  }
  return false;
}

std::string NodeReferencePage::pageForNode(const std::string& templateText, const MVNode& node,
                                           const std::vector<MVSampleFileCatalogue::Record>& samples,
                                           const std::string& resourceFolder)
{
  const MVNodeClass& nodeClass = node.nodeClass();
  std::string page = templateText;
  page = replacingOccurrences(std::move(page), "NodeType", nodeClass.displayTypeName);
  page = replacingOccurrences(std::move(page), "NodeName", nodeClass.displayName);
  page = replacingOccurrences(std::move(page), "NodeDescription", nodeClass.effectiveDescriptionText());
  page = replacingOccurrences(std::move(page), "ParameterDescriptions", parameterDescriptions(node, resourceFolder));
  page = replacingOccurrences(std::move(page), "SampleFiles", sampleFilesSection(samples, resourceFolder));
  return page;
}

std::string NodeReferencePage::parameterDescriptions(const MVNode& node, const std::string& resourceFolder)
{
  const auto* changeNode = dynamic_cast<const ChangeNode*>(&node);
  std::string section;
  if (changeNode != nullptr) {
    section = changeNode->nodeTypeHeader() == "Group"
                  ? "<H2>Apply to / change mode controls</H2><P>Using these controls in the gray area you can control "
                    "what the change should be applied to: Each individual element in the group or some selected "
                    "elements. In selection mode further options are shown letting you control the selection.</P>"
                  : "<H2>Apply to / change mode controls</H2><P>Using these controls in the gray area you can control "
                    "what the change should be applied to when the input is a group of elements: The entire group, "
                    "each individual element in the group or some selected elements. In selection mode further "
                    "options are shown letting you control the selection.</P>";
  }
  section += "<H2>Node parameters</H2>";
  bool listed = false;
  if (node.parameters().size() >= 2) {
    for (const std::unique_ptr<MVParameter>& parameter : node.parameters()) {
      if ((changeNode != nullptr && isChangeModeParameterName(parameter->name())) ||
          headingName(*parameter) == "Graphics" || parameter->layoutHidden()) {
        continue;
      }
      section += parameterEntry(*parameter, resourceFolder);
      listed = true;
    }
  }
  return listed ? section : std::string();
}

std::string NodeReferencePage::parameterEntry(const MVParameter& parameter, const std::string& resourceFolder)
{
  const std::string folder = percentEncodedPath(resourceFolder);
  const std::string& id = parameter.name();
  const std::string& heading = headingName(parameter);
  const std::string& tooltip = parameter.tooltip();
  if (isPlainParameter(parameter) && !parameter.layoutHasEnableToggle()) {
    return tooltip.empty() ? pf::format("<H2 id='%@'>%@</H2>\n", id, heading)
                           : pf::format("<P id='%@'><H2>%@</H2>\n%@</P>\n", id, heading, tooltip);
  }
  if (const auto* index = dynamic_cast<const MVParameterIndex*>(&parameter)) {
    std::string entry = pf::format("<P id='%@'><B>%@ (selection)</B>%@", id, heading,
                                   tooltip.empty() ? std::string() : ": " + tooltip);
    if (index->hasIndexDisplayNames()) {
      entry += "<P STYLE='margin-left:10px;'>" + indexLines(*index, folder) + "</P></P>\n";
    }
    return entry;
  }
  if (dynamic_cast<const MVParameterValueFunction*>(&parameter) != nullptr) {
    return pf::format("<P id='%@'>%@, a graph showing the how the selected function.</P>\n", id, heading);
  }
  const std::string suffix = kindSuffix(parameter);
  std::string remarks;
  if (parameter.layoutHasEnableToggle() && suffix != " (Toggle)") {
    remarks += " This parameter can be toggled on/off.";
  }
  if (parameter.dragEditTransformType() != 0) {
    const DragEditLook look = dragEditLook(parameter.dragEditTransformType());
    // Addresses are put together without formatting: their escapes contain "%".
    remarks += "<BR><SPAN STYLE='opacity:0.6;'><IMG SRC='file://" + folder + "/interface%20icons/" + look.icon +
               "' width=12 VALIGN=MIDDLE STYLE='margin-right: 3px; margin-bottom:2px;margin-top:0px;'>" +
               look.label + " can be edited in the preview.</SPAN>";
  }
  return pf::format("<P id='%@'><B>%@%@</B>%@%@</P>\n", id, heading, suffix,
                    tooltip.empty() ? std::string() : ": " + tooltip, remarks);
}

std::string NodeReferencePage::sampleFilesSection(const std::vector<MVSampleFileCatalogue::Record>& samples,
                                                  const std::string& resourceFolder)
{
  if (samples.empty()) {
    return {};
  }
  std::string section = "<BR><BR><H2>Sample files using with this node</H2><P>Click to open the files and see the "
                        "node in use.</P>";
  // Addresses are put together without formatting: their escapes contain "%".
  const std::string icon = "<IMG SRC='file://" + percentEncodedPath(resourceFolder) +
                           "/interface%20icons/morvalis_document_icon.png' width=20 VALIGN=MIDDLE STYLE='margin-right: "
                           "7px; margin-bottom:2px;margin-top:2px;'>";
  for (std::size_t index = 0; index < samples.size() && index < kMaxSampleFileLinks; ++index) {
    section += std::string("<A HREF='") + kSampleLinkScheme + percentEncodedPath(samples[index].path.string()) + "'>" +
               icon + escapedHTML(samples[index].filename) + "</A><BR>";
  }
  return section;
}

std::optional<std::string> NodeReferencePage::sampleFilePathFromLink(const std::string& address)
{
  const std::size_t scheme = address.find(kSampleLinkScheme);
  if (scheme == std::string::npos) {
    return std::nullopt;
  }
  std::string path = percentDecoded(std::string_view(address).substr(scheme + std::string_view(kSampleLinkScheme).size()));
  if (path.empty()) {
    return std::nullopt;
  }
  return path;
}

std::string NodeReferencePage::replacingOccurrences(std::string text, std::string_view keyword,
                                                    std::string_view replacement)
{
  if (keyword.empty()) {
    return text;
  }
  std::string result;
  std::size_t start = 0;
  for (std::size_t found = text.find(keyword); found != std::string::npos; found = text.find(keyword, start)) {
    result.append(text, start, found - start);
    result.append(replacement);
    start = found + keyword.size();
  }
  result.append(text, start);
  return result;
}

std::string NodeReferencePage::escapedHTML(std::string_view text)
{
  std::string escaped;
  escaped.reserve(text.size());
  for (const char character : text) {
    switch (character) {
    case '&':
      escaped += "&amp;";
      break;
    case '<':
      escaped += "&lt;";
      break;
    case '>':
      escaped += "&gt;";
      break;
    case '"':
      escaped += "&quot;";
      break;
    case '\'':
      escaped += "&#39;";
      break;
    default:
      escaped += character;
    }
  }
  return escaped;
}

std::string NodeReferencePage::percentEncodedPath(std::string_view path)
{
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char character : path) {
    const auto byte = static_cast<unsigned char>(character);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~' ||
                            byte == '/';
    if (unreserved) {
      encoded += character;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

std::string NodeReferencePage::percentDecoded(std::string_view text)
{
  auto hexValue = [](char digit) -> int {
    if (digit >= '0' && digit <= '9') {
      return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
      return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
      return digit - 'A' + 10;
    }
    return -1;
  };
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}
