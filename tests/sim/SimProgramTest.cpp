// The kavi-sim program: its help text and its life cycle as a process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "SimTestClient.h"
#include "robotcommunication.pb.h"

namespace {

struct Child {
  pid_t pid = -1;
  int out = -1;  // read end of the child's standard output
};

Child spawn(const std::vector<std::string>& args) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 2);
    close(fds[0]);
    std::vector<char*> argv;
    std::string path = KAVI_SIM_PATH;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  return {pid, fds[0]};
}

// Reads until `needle` appears, EOF, or the deadline.
std::string readUntil(int fd, const std::string& needle, int timeoutMs) {
  std::string text;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (text.find(needle) == std::string::npos) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buf[512];
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n <= 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  return text;
}

// Waits for the child to exit; -1 when it is still running at the deadline (then killed).
int waitExit(pid_t pid, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

TEST(SimProgram, HelpDocumentsEveryOptionAndUnknownOptionsAreRejected) {
  Child r = spawn({"--help"});
  ASSERT_GE(r.pid, 0);
  std::string help = readUntil(r.out, "\x01", 3000);
  close(r.out);
  EXPECT_EQ(waitExit(r.pid, 3000), 0);
  for (const char* opt : {"--host", "--port", "--model", "--push-hz", "--trace", "--startup-time", "--startup-result",
                          "--arm-ready", "--joint6-flag", "--joint6-silent", "--fault-delay", "--fault-drop",
                          "--fault-garble", "--fault-error", "--fault-event-first", "--close-mid-move", "--on-login",
                          "--help"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt << " is not documented";

  Child bad = spawn({"--no-such-option"});
  close(bad.out);
  EXPECT_EQ(waitExit(bad.pid, 3000), 2);
}

TEST(SimProgram, PrintsListeningAndStopsOnSigterm) {
  Child r = spawn({"--port", "0", "--model", "3", "--push-hz", "50", "--trace", "--arm-ready", "--fault-delay", "26:10"});
  ASSERT_GE(r.pid, 0);
  std::string line = readUntil(r.out, "\n", 5000);
  ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << "got: " << line;
  int port = std::stoi(line.substr(std::string("listening on 127.0.0.1:").size()));
  {
    SimTestClient client(port);
    ASSERT_TRUE(client.connected());
    kavi::robot::communication::ProtoRequestLogin login;
    login.set_username("a");
    login.set_passwd("b");
    EXPECT_GE(client.request(0, login), 0);
  }
  kill(r.pid, SIGTERM);
  EXPECT_EQ(waitExit(r.pid, 5000), 0) << "did not stop cleanly on SIGTERM";
  close(r.out);
}

}  // namespace
