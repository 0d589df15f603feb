#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/Point.h"
#include "Shared/SVG/ODSVGCommandClass.h"

class ODSVGPath;

// One command of path data as written (a letter and its numbers, "L10 20 30 40") and each of
// its sub-commands, one per complete parameter set. The ten command classes draw the
// sub-commands into a path node.
class ODSVGCommand {
public:
  // Scans one piece of path data that starts with its letter. Surplus numbers after the last
  // complete set are dropped; fewer numbers than one set give no sub-commands.
  explicit ODSVGCommand(std::string_view commandString);
  ODSVGCommand(const ODSVGCommand&) = delete;
  ODSVGCommand& operator=(const ODSVGCommand&) = delete;
  ODSVGCommand(ODSVGCommand&&) = default;
  ODSVGCommand& operator=(ODSVGCommand&&) = default;

  // The registry maps a lower-case letter to its class; it is filled with the ten classes once,
  // on first use, and may be extended (a later class for a letter replaces the earlier).
  static void registerClass(const ODSVGCommandClass& commandClass, std::string_view letter);
  // The class of the lower-cased letter, or nullptr.
  static const ODSVGCommandClass* commandClassForCommandLetter(std::string_view letter);
  static std::unordered_map<std::string, const ODSVGCommandClass*> registeredCommandClasses();
  static pf::Point readCoordinatePair(const double* numbers, long index);

  // Draws every sub-command into the path in order; `previous` is the sub-command run before
  // this command's first (nullptr at the start of the data). False when a segment found no
  // current point.
  bool run(const ODSVGCommand* previous, ODSVGPath& path) const;

  // Sequential reading of the numbers.
  double readFloat();
  pf::Point readPoint();
  bool readBOOL();  // exactly 1.0
  void resetRead() { currentIndex_ = 0; }

  const std::string& commandString() const { return commandString_; }
  const std::string& command() const { return command_; }
  const std::vector<double>& parameters() const { return parameters_; }
  long parameterCount() const { return static_cast<long>(parameters_.size()); }
  const std::vector<ODSVGCommand>& subCommands() const { return subCommands_; }
  long requiredParameters() const { return requiredParameters_; }
  long type() const { return type_; }  // 0 absolute, 1 relative
  const ODSVGCommandClass* commandClass() const { return commandClass_; }
  bool isSubCommand() const { return isSubCommand_; }
  // The last sub-command, or nullptr when the command has none.
  const ODSVGCommand* lastSubCommand() const { return subCommands_.empty() ? nullptr : &subCommands_.back(); }

private:
  ODSVGCommand() = default;

  std::string commandString_;
  std::string command_;
  std::vector<double> parameters_;
  std::vector<ODSVGCommand> subCommands_;
  long requiredParameters_ = 0;
  long type_ = 0;
  long currentIndex_ = 0;
  const ODSVGCommandClass* commandClass_ = nullptr;
  bool isSubCommand_ = false;
};
