#include "Platform/NetworkProbe.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

// A listening socket on a free local port while alive.
class LocalListener {
public:
  LocalListener()
  {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(socket_, 1);
    socklen_t length = sizeof(address);
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LocalListener() { ::close(socket_); }
  LocalListener(const LocalListener&) = delete;
  LocalListener& operator=(const LocalListener&) = delete;
  int port() const { return port_; }

private:
  int socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  int port_ = 0;
};

TEST(NetworkProbe, ReachesAListeningPortAndIsRefusedOnceItCloses)
{
  int port = 0;
  {
    LocalListener listener;
    port = listener.port();
    const pf::NetworkProbe::Result open = pf::NetworkProbe::canConnect("127.0.0.1", port, 2.0);
    EXPECT_TRUE(open.reachable) << open.error;
    EXPECT_EQ(open.error, "");
  }
  const pf::NetworkProbe::Result closed = pf::NetworkProbe::canConnect("127.0.0.1", port, 2.0);
  EXPECT_FALSE(closed.reachable);
  EXPECT_EQ(closed.error, "Connection refused");
}

TEST(NetworkProbe, ANameThatDoesNotResolveIsUnreachableWithinTheLimit)
{
  // Reserved: never resolves, whether or not a resolver answers.
  const pf::NetworkProbe::Result result = pf::NetworkProbe::canConnect("morvalis-probe.invalid", 80, 0.5);
  EXPECT_FALSE(result.reachable);
  EXPECT_NE(result.error, "");
}

TEST(NetworkProbe, RefusesBadAddressesWithoutTrying)
{
  struct Case {
    const char* host;
    int port;
    double timeout;
  };
  for (const Case& entry : {Case{"", 80, 1.0}, Case{"127.0.0.1", 0, 1.0}, Case{"127.0.0.1", 65536, 1.0},
                            Case{"127.0.0.1", 80, 0.0}, Case{"127.0.0.1", 80, -1.0},
                            Case{"127.0.0.1", 80, std::numeric_limits<double>::quiet_NaN()}}) {
    SCOPED_TRACE(std::string(entry.host) + ":" + std::to_string(entry.port) + " " + std::to_string(entry.timeout));
    const pf::NetworkProbe::Result result = pf::NetworkProbe::canConnect(entry.host, entry.port, entry.timeout);
    EXPECT_FALSE(result.reachable);
    EXPECT_EQ(result.error, "invalid address");
  }
}

}  // namespace
