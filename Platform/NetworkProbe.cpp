#include "Platform/NetworkProbe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>

namespace pf {

namespace {

struct AddressListDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

class Socket {
public:
  explicit Socket(int descriptor) : descriptor_(descriptor) {}
  ~Socket()
  {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return descriptor_; }

private:
  int descriptor_;
};

// Connects to one address; an empty text when connected, else why not.
std::string tryAddress(const addrinfo& address, std::chrono::steady_clock::time_point deadline)
{
  Socket socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol));
  if (socket.get() < 0) {
    return std::strerror(errno);
  }
  if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) {
    return {};
  }
  if (errno != EINPROGRESS) {
    return std::strerror(errno);
  }
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      return "timed out";
    }
    pollfd waiting{socket.get(), POLLOUT, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    if (ready < 0) {
      return std::strerror(errno);
    }
    if (ready == 0) {
      return "timed out";
    }
    int failure = 0;
    socklen_t length = sizeof(failure);
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &failure, &length) != 0) {
      return std::strerror(errno);
    }
    return failure == 0 ? std::string() : std::string(std::strerror(failure));
  }
}

}  // namespace

NetworkProbe::Result NetworkProbe::canConnect(const std::string& host, int port, double timeoutSeconds)
{
  if (host.empty() || port < 1 || port > 65535 || !std::isfinite(timeoutSeconds) || timeoutSeconds <= 0.0) {
    return {false, "invalid address"};
  }
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(static_cast<long long>(std::min(timeoutSeconds, 3600.0) * 1000.0));
  // The lookup runs asynchronously so that a resolver that does not answer (no network) counts
  // against the same time limit.
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  const std::string service = std::to_string(port);
  gaicb request{};
  request.ar_name = host.c_str();
  request.ar_service = service.c_str();
  request.ar_request = &hints;
  gaicb* requests[] = {&request};
  int lookup = ::getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr);
  if (lookup != 0) {
    return {false, gai_strerror(lookup)};
  }
  for (;;) {
    lookup = ::gai_error(&request);
    if (lookup != EAI_INPROGRESS) {
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      // A request that cannot be cancelled any more is waited for: its result is written into
      // `request`, which must outlive it.
      if (::gai_cancel(&request) != EAI_CANCELED) {
        ::gai_suspend(requests, 1, nullptr);
        if (request.ar_result != nullptr) {
          freeaddrinfo(request.ar_result);
        }
      }
      return {false, "name lookup timed out"};
    }
    const timespec wait{static_cast<time_t>(left.count() / 1000000000), static_cast<long>(left.count() % 1000000000)};
    ::gai_suspend(requests, 1, &wait);
  }
  if (lookup != 0) {
    return {false, gai_strerror(lookup)};
  }
  std::unique_ptr<addrinfo, AddressListDeleter> addresses(request.ar_result);
  std::string error = "no address";
  for (const addrinfo* address = addresses.get(); address != nullptr; address = address->ai_next) {
    error = tryAddress(*address, deadline);
    if (error.empty()) {
      return {true, {}};
    }
  }
  return {false, error};
}

}  // namespace pf
