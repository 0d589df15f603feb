#pragma once

#include <string>

namespace pf {

// Whether a server can be reached: a TCP connection to a host and port is opened and closed
// again within a time limit. Name lookup uses the system's resolver (a numeric address needs
// none). Blocks the calling thread for at most about the time limit plus the lookup; callable
// from any thread.
class NetworkProbe {
public:
  struct Result {
    bool reachable = false;
    std::string error;  // why not, as the system says it; empty when reachable
  };

  // A port outside 1 ... 65535 or a time limit that is not positive and finite is refused.
  static Result canConnect(const std::string& host, int port, double timeoutSeconds);
};

}  // namespace pf
