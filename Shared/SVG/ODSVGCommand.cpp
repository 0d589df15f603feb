#include "Shared/SVG/ODSVGCommand.h"

#include <atomic>
#include <mutex>

#include "Shared/SVG/ODSVGCommandArc.h"
#include "Shared/SVG/ODSVGCommandClose.h"
#include "Shared/SVG/ODSVGCommandCommandSmoothQuadraticCurve.h"
#include "Shared/SVG/ODSVGCommandCurve.h"
#include "Shared/SVG/ODSVGCommandHorizontalLine.h"
#include "Shared/SVG/ODSVGCommandLineTo.h"
#include "Shared/SVG/ODSVGCommandMove.h"
#include "Shared/SVG/ODSVGCommandQuadraticCurve.h"
#include "Shared/SVG/ODSVGCommandSmoothCurve.h"
#include "Shared/SVG/ODSVGCommandVerticalLine.h"
#include "Shared/SVG/ODSVGUtils.h"

namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, const ODSVGCommandClass*> classes;
};

Registry& registry()
{
  static Registry instance;
  static std::once_flag filled;
  std::call_once(filled, [] {
    instance.classes = {
        {"m", &ODSVGCommandMove::commandClass()},
        {"l", &ODSVGCommandLineTo::commandClass()},
        {"h", &ODSVGCommandHorizontalLine::commandClass()},
        {"v", &ODSVGCommandVerticalLine::commandClass()},
        {"c", &ODSVGCommandCurve::commandClass()},
        {"s", &ODSVGCommandSmoothCurve::commandClass()},
        {"q", &ODSVGCommandQuadraticCurve::commandClass()},
        {"t", &ODSVGCommandCommandSmoothQuadraticCurve::commandClass()},
        {"a", &ODSVGCommandArc::commandClass()},
        {"z", &ODSVGCommandClose::commandClass()},
    };
  });
  return instance;
}

// The ten letters in a fixed table: the lookup on every command of every path takes no lock.
const ODSVGCommandClass* builtInClass(char lower)
{
  switch (lower) {
    case 'm': return &ODSVGCommandMove::commandClass();
    case 'l': return &ODSVGCommandLineTo::commandClass();
    case 'h': return &ODSVGCommandHorizontalLine::commandClass();
    case 'v': return &ODSVGCommandVerticalLine::commandClass();
    case 'c': return &ODSVGCommandCurve::commandClass();
    case 's': return &ODSVGCommandSmoothCurve::commandClass();
    case 'q': return &ODSVGCommandQuadraticCurve::commandClass();
    case 't': return &ODSVGCommandCommandSmoothQuadraticCurve::commandClass();
    case 'a': return &ODSVGCommandArc::commandClass();
    case 'z': return &ODSVGCommandClose::commandClass();
    default: return nullptr;
  }
}

// Set once a class was registered by hand; until then the fixed table answers.
std::atomic<bool> registryChanged = false;

}  // namespace

void ODSVGCommand::registerClass(const ODSVGCommandClass& commandClass, std::string_view letter)
{
  Registry& shared = registry();
  std::lock_guard lock(shared.mutex);
  shared.classes[std::string(letter)] = &commandClass;
  registryChanged = true;
}

const ODSVGCommandClass* ODSVGCommand::commandClassForCommandLetter(std::string_view letter)
{
  std::string lower(letter);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  if (!registryChanged) {
    return lower.size() == 1 ? builtInClass(lower[0]) : nullptr;
  }
  Registry& shared = registry();
  std::lock_guard lock(shared.mutex);
  const auto found = shared.classes.find(lower);
  return found == shared.classes.end() ? nullptr : found->second;
}

std::unordered_map<std::string, const ODSVGCommandClass*> ODSVGCommand::registeredCommandClasses()
{
  Registry& shared = registry();
  std::lock_guard lock(shared.mutex);
  return shared.classes;
}

pf::Point ODSVGCommand::readCoordinatePair(const double* numbers, long index)
{
  return {numbers[2 * index], numbers[2 * index + 1]};
}

ODSVGCommand::ODSVGCommand(std::string_view commandString)
{
  if (commandString.empty()) {
    return;
  }
  command_ = std::string(commandString.substr(0, 1));
  type_ = ODSVGUtils::typeForCommandString(command_);
  commandClass_ = commandClassForCommandLetter(command_);
  parameters_ = commandClass_ == &ODSVGCommandArc::commandClass() ? ODSVGUtils::arcParameters(commandString)
                                                                   : ODSVGUtils::commandParameters(commandString);
  requiredParameters_ = commandClass_ ? commandClass_->requiredParameterCount() : 0;
  const long count = static_cast<long>(parameters_.size());
  const long sets = requiredParameters_ != 0 ? count / requiredParameters_ : 1;
  subCommands_.reserve(static_cast<std::size_t>(sets));
  for (long i = 0; i < sets; ++i) {
    ODSVGCommand sub;
    const auto first = parameters_.begin() + i * requiredParameters_;
    sub.parameters_.assign(first, first + requiredParameters_);
    sub.requiredParameters_ = requiredParameters_;
    sub.type_ = type_;
    sub.command_ = command_;
    sub.commandClass_ = commandClass_;
    sub.isSubCommand_ = i > 0;
    subCommands_.push_back(std::move(sub));
  }
}

bool ODSVGCommand::run(const ODSVGCommand* previous, ODSVGPath& path) const
{
  for (const ODSVGCommand& sub : subCommands_) {
    if (sub.commandClass_ &&
        !sub.commandClass_->runWithParams(sub.parameters_.data(), sub.parameterCount(), sub, previous, sub.type_, path)) {
      return false;
    }
    previous = &sub;
  }
  return true;
}

double ODSVGCommand::readFloat()
{
  if (currentIndex_ >= parameterCount()) {
    return 0.0;
  }
  return parameters_[static_cast<std::size_t>(currentIndex_++)];
}

pf::Point ODSVGCommand::readPoint()
{
  const double x = readFloat();
  const double y = readFloat();
  return {x, y};
}

bool ODSVGCommand::readBOOL()
{
  return readFloat() == 1.0;
}
