// Round trips of the control service's request engine against the embedded
// simulator on loopback, next to a raw-socket echo of the same frames in the
// same process (the lower bound: two threads, one send and one receive each
// way). Each runs once with every thread on one CPU and once with client and
// server on different CPUs; the summary prints round trips per second,
// median and 99th-percentile latency, and the ratios.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "RobotControlServices.h"
#include "SimServer.h"
#include "robotcommunication.pb.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRoundTrips = 20000;
constexpr int kWarmUp = 500;

enum Placement { kOneCpu = 0, kAcrossCpus = 1 };

struct Figures {
  double perSecond = 0;
  double medianUs = 0;
  double p99Us = 0;
};
std::map<std::string, Figures> g_results;

std::string resultKey(const char* what, int placement) {
  return std::string(what) + (placement == kOneCpu ? "/one-cpu" : "/across-cpus");
}

// Pins the calling thread; threads it creates afterwards inherit the mask.
bool pinTo(int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(cpu, &set);
  return pthread_setaffinity_np(pthread_self(), sizeof(set), &set) == 0;
}

void unpin() {
  cpu_set_t set;
  CPU_ZERO(&set);
  const int n = static_cast<int>(std::thread::hardware_concurrency());
  for (int i = 0; i < n; ++i) CPU_SET(i, &set);
  pthread_setaffinity_np(pthread_self(), sizeof(set), &set);
}

// CPUs for the server side and the client side of a placement.
bool placeServer(int placement) { return pinTo(placement == kAcrossCpus ? 1 : 0); }
bool placeClient() { return pinTo(0); }

void report(benchmark::State& state, const char* what, std::vector<double>& latenciesUs,
            double seconds) {
  std::sort(latenciesUs.begin(), latenciesUs.end());
  Figures f;
  f.perSecond = static_cast<double>(latenciesUs.size()) / seconds;
  f.medianUs = latenciesUs[latenciesUs.size() / 2];
  f.p99Us = latenciesUs[std::min(latenciesUs.size() - 1, latenciesUs.size() * 99 / 100)];
  state.counters["rtt_per_s"] = f.perSecond;
  state.counters["p50_us"] = f.medianUs;
  state.counters["p99_us"] = f.p99Us;
  g_results[resultKey(what, static_cast<int>(state.range(0)))] = f;
}

// --- Raw echo of the same frames -------------------------------------------

std::string frame(int32_t type, const std::string& text) {
  std::string out("\xEE\xCC\xFF\xFF", 4);
  auto put = [&out](int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  put(static_cast<int32_t>(text.size()) + 12);
  put(type);
  out += text;
  out.append("\x00\x00\x00\x00", 4);
  out.append("\xFF\xFF\xFF\xFF", 4);
  return out;
}

// The response the simulator gives to a state query: general data with one value.
std::string stateResponseFrame() {
  kavi::robot::communication::ProtoCommunicationGeneralData data;
  data.set_type(1);
  data.add_property1(0);
  auto* info = data.add_errorinfo();
  info->set_errorcode(0);
  info->set_errormsg("");
  return frame(CommunicationType_GetRobotCurrentState, data.SerializeAsString());
}

bool readExactly(int fd, char* buf, size_t len) {
  size_t got = 0;
  while (got < len) {
    const ssize_t n = recv(fd, buf + got, len - got, 0);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

bool writeAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

void BM_RawEcho(benchmark::State& state) {
  const int placement = static_cast<int>(state.range(0));
  const std::string request = frame(CommunicationType_GetRobotCurrentState, "");
  const std::string response = stateResponseFrame();

  const int listenFd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof(addr);
  if (bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      listen(listenFd, 1) != 0 ||
      getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    state.SkipWithError("cannot listen on loopback");
    close(listenFd);
    return;
  }
  placeServer(placement);
  std::thread server([&] {
    const int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0) return;
    std::vector<char> buf(request.size());
    while (readExactly(fd, buf.data(), buf.size()) && writeAll(fd, response)) {
    }
    close(fd);
  });
  placeClient();
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    state.SkipWithError("cannot connect");
  } else {
    std::vector<char> buf(response.size());
    auto roundTrip = [&] { return writeAll(fd, request) && readExactly(fd, buf.data(), buf.size()); };
    for (int i = 0; i < kWarmUp; ++i) roundTrip();
    std::vector<double> latencies;
    latencies.reserve(kRoundTrips);
    const auto start = Clock::now();
    for (auto _ : state) {
      const auto t0 = Clock::now();
      if (!roundTrip()) {
        state.SkipWithError("echo failed");
        break;
      }
      latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!latencies.empty()) report(state, "raw-echo", latencies, seconds);
  }
  shutdown(fd, SHUT_RDWR);
  close(fd);
  server.join();
  close(listenFd);
  unpin();
}

// --- Library against the simulator -----------------------------------------

void BM_ControlServiceRoundTrip(benchmark::State& state) {
  const int placement = static_cast<int>(state.range(0));
  placeServer(placement);
  kavisim::SimConfig config;
  config.port = 0;
  kavisim::SimServer sim(config);
  std::string error;
  if (!sim.start(&error)) {
    state.SkipWithError(("simulator did not start: " + error).c_str());
    unpin();
    return;
  }
  placeClient();
  {
    RobotControlServices svc;
    kavi_robot_namespace::RobotType type;
    kavi_robot_namespace::RobotDhPara dh;
    if (svc.loginService("127.0.0.1", sim.port(), "bench", "bench", type, dh) != 0) {
      state.SkipWithError("login failed");
    } else {
      kavi_robot_namespace::RobotState robotState;
      for (int i = 0; i < kWarmUp; ++i) svc.getRobotCurrentStateService(robotState);
      std::vector<double> latencies;
      latencies.reserve(kRoundTrips);
      const auto start = Clock::now();
      for (auto _ : state) {
        const auto t0 = Clock::now();
        if (svc.getRobotCurrentStateService(robotState) != 0) {
          state.SkipWithError("request failed");
          break;
        }
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
      }
      const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      if (!latencies.empty()) report(state, "library", latencies, seconds);
    }
    svc.logoutService();
  }
  sim.stop();
  unpin();
}

BENCHMARK(BM_RawEcho)->Arg(kOneCpu)->Arg(kAcrossCpus)->Iterations(kRoundTrips)->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ControlServiceRoundTrip)->Arg(kOneCpu)->Arg(kAcrossCpus)->Iterations(kRoundTrips)
    ->UseRealTime()->Unit(benchmark::kMicrosecond);

void printSummary() {
  std::printf("\n%-13s %-22s %-22s\n", "", "one CPU", "across CPUs");
  for (const char* what : {"library", "raw-echo"}) {
    std::printf("%-13s", what);
    for (int placement : {kOneCpu, kAcrossCpus}) {
      const auto it = g_results.find(resultKey(what, placement));
      if (it == g_results.end()) {
        std::printf(" %-22s", "n/a");
        continue;
      }
      char cell[64];
      std::snprintf(cell, sizeof(cell), "%.0f/s p50 %.1f p99 %.1f us", it->second.perSecond,
                    it->second.medianUs, it->second.p99Us);
      std::printf(" %-22s", cell);
    }
    std::printf("\n");
  }
  for (int placement : {kOneCpu, kAcrossCpus}) {
    const auto lib = g_results.find(resultKey("library", placement));
    const auto raw = g_results.find(resultKey("raw-echo", placement));
    if (lib == g_results.end() || raw == g_results.end()) continue;
    const double rate = lib->second.perSecond / raw->second.perSecond;
    const double tail = lib->second.p99Us / lib->second.medianUs;
    std::printf("%s: library/raw round trips %.2f (goal >= 0.50: %s), library p99/median %.2f "
                "(goal <= 3.00: %s), raw p99/median %.2f\n",
                placement == kOneCpu ? "one CPU" : "across CPUs", rate, rate >= 0.5 ? "met" : "missed",
                tail, tail <= 3.0 ? "met" : "missed", raw->second.p99Us / raw->second.medianUs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (std::thread::hardware_concurrency() < 2) {
    std::printf("only one CPU: the across-CPU runs share it\n");
  }
  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  return 0;
}
