// kavi-sim: a simulated robot controller on a TCP port, for trying an
// application before it touches an arm. Prints "listening on HOST:PORT" when
// ready and stops cleanly on SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "SimServer.h"

namespace {

const char* kHelp =
    "Usage: kavi-sim [options]\n"
    "A simulated robot controller: it answers the SDK's requests, moves a simulated arm in\n"
    "time and pushes its status and events.\n"
    "\n"
    "Options:\n"
    "  --host ADDR             IPv4 address to listen on (default 127.0.0.1)\n"
    "  --port N                TCP port (default 8899; 0 picks a free port)\n"
    "  --model N               arm model 0..6 reported at login (default 0)\n"
    "  --push-hz HZ            real-time push rate while enabled (default 200)\n"
    "  --trace                 log every frame in and out on standard error\n"
    "  --startup-time S        seconds a start-up takes (default 0.5)\n"
    "  --startup-result CODE   event code of the start-up-done event (default 2, working;\n"
    "                          5 power fault, 6 brake fault, 7 no robot)\n"
    "  --arm-ready             start with the arm powered and its brakes released\n"
    "  --joint6-flag 0|1       answer to the joint-6 full-turn flag query (default 0)\n"
    "  --joint6-silent         leave the joint-6 flag query unanswered\n"
    "  --fault-delay TYPE:MS   answer command TYPE that many milliseconds late\n"
    "  --fault-drop TYPE       never answer command TYPE\n"
    "  --fault-garble TYPE     answer command TYPE with a text that does not parse\n"
    "  --fault-error TYPE:CODE refuse command TYPE with controller error CODE\n"
    "  --fault-event-first TYPE  send the completion event of TYPE before its answer\n"
    "  --close-mid-move        close every connection halfway through the first move\n"
    "  --on-login ACTION       after each login answer: garbage:N (N stray bytes),\n"
    "                          badlength:L (a frame header with length block L),\n"
    "                          event:TYPE:CODE[:TEXT] (push that event), close\n"
    "                          (close the connection); may be given several times\n"
    "  --help                  show this text\n";

bool split(const std::string& arg, int& a, int& b) {
  return std::sscanf(arg.c_str(), "%d:%d", &a, &b) == 2;
}

int usageError(const std::string& what) {
  std::cerr << "kavi-sim: " << what << " (see --help)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  kavisim::SimConfig config;
  struct PendingFault {
    int type;
    kavisim::CommandFault fault;
  };
  std::vector<PendingFault> faults;
  int startupResult = 2;
  bool closeMidMove = false;

  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (opt == "--help" || opt == "-h") {
      std::cout << kHelp;
      return 0;
    } else if (opt == "--trace") {
      config.trace = true;
    } else if (opt == "--arm-ready") {
      config.armReady = true;
    } else if (opt == "--joint6-silent") {
      config.joint6Silent = true;
    } else if (opt == "--close-mid-move") {
      closeMidMove = true;
    } else {
      const char* v = value();
      if (!v) return usageError(opt + " needs a value");
      std::string s = v;
      int a = 0, b = 0;
      kavisim::CommandFault f;
      if (opt == "--host") {
        config.host = s;
      } else if (opt == "--port") {
        config.port = std::atoi(v);
      } else if (opt == "--model") {
        config.model = std::atoi(v);
        if (config.model < 0 || config.model > 6) return usageError("--model must be 0..6");
      } else if (opt == "--push-hz") {
        config.pushHz = std::atof(v);
        if (!(config.pushHz > 0 && config.pushHz <= 1000)) return usageError("--push-hz must be in (0, 1000]");
      } else if (opt == "--startup-time") {
        config.startupSeconds = std::atof(v);
      } else if (opt == "--startup-result") {
        startupResult = std::atoi(v);
      } else if (opt == "--joint6-flag") {
        config.joint6Rot360 = std::atoi(v) != 0;
      } else if (opt == "--on-login") {
        config.onLogin.push_back(s);
      } else if (opt == "--fault-delay") {
        if (!split(s, a, b)) return usageError("--fault-delay needs TYPE:MS");
        f.delayMs = b;
        faults.push_back({a, f});
      } else if (opt == "--fault-error") {
        if (!split(s, a, b)) return usageError("--fault-error needs TYPE:CODE");
        f.errorCode = b;
        faults.push_back({a, f});
      } else if (opt == "--fault-drop") {
        f.drop = true;
        faults.push_back({std::atoi(v), f});
      } else if (opt == "--fault-garble") {
        f.garble = true;
        faults.push_back({std::atoi(v), f});
      } else if (opt == "--fault-event-first") {
        f.eventBeforeResponse = true;
        faults.push_back({std::atoi(v), f});
      } else {
        return usageError("unknown option " + opt);
      }
    }
  }

  // Signals are taken synchronously below; block them before any thread starts.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  kavisim::SimServer server(config);
  for (const PendingFault& p : faults) server.faults().set(p.type, p.fault);
  server.faults().setStartupResult(startupResult);
  if (closeMidMove) server.closeConnectionsMidMove();
  std::string error;
  if (!server.start(&error)) {
    std::cerr << "kavi-sim: cannot start: " << error << "\n";
    return 1;
  }
  std::printf("listening on %s:%d\n", config.host.c_str(), server.port());
  std::fflush(stdout);

  int sig = 0;
  sigwait(&signals, &sig);
  server.stop();
  std::printf("kavi-sim: stopped\n");
  return 0;
}
