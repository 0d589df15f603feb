#pragma once

class MVConnection;

// The graph controller as a connection sees it: told whenever an end of the connection was
// detached or re-attached, so that it can drop connections left with a loose end.
class MVConnectionDelegate {
public:
  virtual ~MVConnectionDelegate() = default;
  virtual void connectionChanged(MVConnection* connection) = 0;
  // The graph's count of generations: a connection starts its preview history again at its
  // first pull in each one. A controller that does not count answers the same number always.
  virtual long long currentGenerationCycleID() const { return 0; }
};
