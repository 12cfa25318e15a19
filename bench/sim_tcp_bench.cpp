// How many frames a second the emulator answers over TCP loopback, one at a time and in bursts.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "base/poll_event_loop.h"
#include "sim/device_model.h"
#include "sim/tcp_server.h"

namespace {

using namespace velantor;
using namespace velantor::sim;

const uint8_t kQuery[13] = {0xA5, 0x5B, 0x02, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0xFB};

struct RunningEmulator {
  RunningEmulator() {
    server.Listen("127.0.0.1", 0);
    thread = std::thread([this] { loop.Run(); });
  }
  ~RunningEmulator() {
    loop.Quit();
    thread.join();
  }
  PollEventLoop loop;
  DeviceModel model{loop};
  TcpServer server{loop, model};
  std::thread thread;
};

int Connect(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
  connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool ReadExactly(int fd, uint8_t* buffer, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = read(fd, buffer + got, n - got);
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

void BM_SimTcpRoundTrip(benchmark::State& state) {
  RunningEmulator emulator;
  int fd = Connect(emulator.server.Port());
  uint8_t reply[13];
  for (auto _ : state) {
    if (write(fd, kQuery, sizeof kQuery) != 13 || !ReadExactly(fd, reply, sizeof reply)) {
      state.SkipWithError("connection lost");
      break;
    }
  }
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  close(fd);
}
BENCHMARK(BM_SimTcpRoundTrip)->UseRealTime();

void BM_SimTcpBurstOf100(benchmark::State& state) {
  RunningEmulator emulator;
  int fd = Connect(emulator.server.Port());
  std::vector<uint8_t> burst;
  for (int i = 0; i < 100; ++i) burst.insert(burst.end(), kQuery, kQuery + 13);
  std::vector<uint8_t> replies(burst.size());
  for (auto _ : state) {
    if (write(fd, burst.data(), burst.size()) != static_cast<ssize_t>(burst.size()) ||
        !ReadExactly(fd, replies.data(), replies.size())) {
      state.SkipWithError("connection lost");
      break;
    }
  }
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 100, benchmark::Counter::kIsRate);
  close(fd);
}
BENCHMARK(BM_SimTcpBurstOf100)->UseRealTime();

}  // namespace
