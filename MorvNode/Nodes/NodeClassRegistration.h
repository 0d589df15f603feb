#pragma once

#include <vector>

struct MVNodeClass;

// Registers every node class of MorvNode/Nodes with MVClassRegistry, so that documents and the
// controller can make nodes by their saved class names. Called once at start-up (and by tests
// and tools that load documents); calling it again changes nothing.
void registerNodeClasses();
// The node classes registerNodeClasses registers, in that order: every class a document can
// hold (tests stand their own classes beside these in the registry).
const std::vector<const MVNodeClass*>& catalogueNodeClasses();
