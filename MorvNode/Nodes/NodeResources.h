#pragma once

#include <optional>
#include <string_view>

// The application's own resource files that nodes read at run time (the import node's default
// graphic "Squiggle.svg"), compiled into the program from MorvNode/Nodes/Resources so that the
// headless core finds them without an installed bundle.
class NodeResources {
public:
  // The file's bytes; nullopt for a name that is not a resource.
  static std::optional<std::string_view> resourceNamed(std::string_view name);
};
