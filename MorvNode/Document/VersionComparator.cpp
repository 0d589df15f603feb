#include "MorvNode/Document/VersionComparator.h"

#include "Platform/Numbers.h"

namespace {

struct Version {
  std::vector<std::string> components;
  long long beta = -1;  // -1 marks a release
};

Version readVersion(std::string_view text)
{
  Version version;
  std::string_view numberPart = text;
  const size_t b = text.find('b');
  if (b != std::string_view::npos) {
    numberPart = text.substr(0, b);
    version.beta = pf::longLongValue(text.substr(b + 1));
  }
  size_t start = 0;
  while (true) {
    const size_t dot = numberPart.find('.', start);
    version.components.emplace_back(numberPart.substr(start, dot == std::string_view::npos ? dot : dot - start));
    if (dot == std::string_view::npos) {
      break;
    }
    start = dot + 1;
  }
  version.components = VersionComparator::normaliseValuesFromArray(std::move(version.components));
  return version;
}

int compareDecided(const Version& first, const Version& second)
{
  for (size_t i = 0; i < 3; ++i) {
    const long long a = pf::longLongValue(first.components[i]);
    const long long b = pf::longLongValue(second.components[i]);
    if (a > b) {
      return 1;
    }
    if (a < b) {
      return -1;
    }
  }
  if (first.beta == second.beta) {
    return 0;
  }
  if (first.beta == -1) {
    return 1;
  }
  if (second.beta == -1) {
    return -1;
  }
  return first.beta > second.beta ? 1 : -1;
}

}  // namespace

int VersionComparator::compare(std::string_view first, std::string_view second)
{
  const int result = compareDecided(readVersion(first), readVersion(second));
  // An alpha is older than any beta, whatever its number says.
  if (first.find('a') != std::string_view::npos && second.find('b') != std::string_view::npos) {
    return -1;
  }
  return result;
}

std::vector<std::string> VersionComparator::normaliseValuesFromArray(std::vector<std::string> components)
{
  if (components.size() <= 2) {
    while (components.size() < 3) {
      components.emplace_back("0");
    }
  }
  return components;
}
