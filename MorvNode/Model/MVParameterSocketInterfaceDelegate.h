#pragma once

// A socket's dot in its parameter row, as the model reaches it; headless, a socket has none.
class MVParameterSocketInterfaceDelegate {
public:
  virtual ~MVParameterSocketInterfaceDelegate() = default;
  // Redraws the socket after its enabled state changed.
  virtual void setNeedsLayout() = 0;
};
