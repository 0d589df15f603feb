#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MorvNode/Document/MVSampleFileCatalogue.h"

class MVNode;
class MVParameter;

// The node reference's page for one node: the template (resource "help_format", HTML) with its
// keywords replaced, in this order: "NodeType", "NodeName", "NodeDescription",
// "ParameterDescriptions", "SampleFiles" ("SystemFont" once, when the template is loaded).
// Pictures and links refer to files below the resource folder as file addresses; sample files
// are linked as "xxxx://" addresses that the reference window opens as documents. Every path put
// into an address is percent-encoded and every file name shown is HTML-escaped, so that a name
// with quotes or angle brackets can neither break the page nor add to it.
class NodeReferencePage {
public:
  // At most this many sample files are linked.
  static constexpr std::size_t kMaxSampleFileLinks = 10;
  static constexpr const char* kSampleLinkScheme = "xxxx://";
  // The parameters of change nodes that the page leaves out (their mode controls).
  static bool isChangeModeParameterName(std::string_view name);

  // The page for the node; `samples` are the sample files that use its class.
  static std::string pageForNode(const std::string& templateText, const MVNode& node,
                                 const std::vector<MVSampleFileCatalogue::Record>& samples,
                                 const std::string& resourceFolder);
  // The parameter section ("" when the node has fewer than two parameters or none is listed).
  // Parameters that the node's layout hides at the moment are left out.
  static std::string parameterDescriptions(const MVNode& node, const std::string& resourceFolder);
  static std::string parameterEntry(const MVParameter& parameter, const std::string& resourceFolder);
  static std::string sampleFilesSection(const std::vector<MVSampleFileCatalogue::Record>& samples,
                                        const std::string& resourceFolder);

  // The file a sample-file link opens: the decoded path of an address that contains
  // kSampleLinkScheme and has a path; nullopt for every other address (those navigate).
  static std::optional<std::string> sampleFilePathFromLink(const std::string& address);

  // Every occurrence of `keyword` replaced; the replacement is not searched again.
  static std::string replacingOccurrences(std::string text, std::string_view keyword, std::string_view replacement);
  // "&", "<", ">", '"' and "'" as entities.
  static std::string escapedHTML(std::string_view text);
  // Every byte but unreserved characters and "/" as %XX.
  static std::string percentEncodedPath(std::string_view path);
  // %XX sequences decoded; malformed ones are kept as they stand.
  static std::string percentDecoded(std::string_view text);
};
