#pragma once

#include <functional>
#include <memory>
#include <string>

class MVNode;

// The class-level constants of one node class and how to make an instance. Every node class
// keeps one (MVNode::nodeClass answers it), and MVClassRegistry finds it by class name, the
// name saved in records as "Node class". The defaults are the node base's answers.
struct MVNodeClass {
  std::string className = "MVNode";
  std::string displayName = "Node";
  // "Element", "Repeat", "Group", "Change", "Value", "Color"...
  std::string displayTypeName = "NodeType";
  std::string toolTipText = "Default node tool tip text";
  // Help text with "<BR>" line breaks; empty: the tool tip.
  std::string descriptionText;
  // Icon file name beginning "node_icon_"; empty: none.
  std::string iconName;
  double nodeViewDefaultWidth = 140.0;  // points
  // A new, uninitialised node of the class (MVNode::initWithNodeID comes after the delegates).
  std::function<std::unique_ptr<MVNode>()> create;

  const std::string& effectiveDescriptionText() const { return descriptionText.empty() ? toolTipText : descriptionText; }
};
