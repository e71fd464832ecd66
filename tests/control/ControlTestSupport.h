// Helpers for the control-service tests: response and push texts built from
// the message classes, a peer that answers requests by rules (optionally
// late, without blocking the peer's reader), a capture of the trace log, and
// bounded waits.
#ifndef RSKAVI_TEST_CONTROL_TEST_SUPPORT_H
#define RSKAVI_TEST_CONTROL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <log4cplus/appender.h>
#include <log4cplus/logger.h>
#include <log4cplus/spi/loggingevent.h>

#include "RobotControlServices.h"
#include "RobotTraceLog.h"
#include "ScriptedPeer.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace ctl_test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace comm = kavi::robot::communication;
namespace common = kavi::robot::common;

// Polls pred until it holds or timeout passes.
inline bool waitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 3000ms) {
  const auto deadline = Clock::now() + timeout;
  while (!pred()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

template <typename Message>
std::string serialize(const Message& message) {
  std::string text;
  message.SerializePartialToString(&text);
  return text;
}

inline std::string commonResponse(int code, const std::string& msg = "") {
  comm::ProtoRobotCommonResponse response;
  response.set_errorcode(code);
  response.set_errormsg(msg);
  return serialize(response);
}

inline std::string eventText(int type, int code, const std::string& content = "") {
  comm::ProtoCommunicationRobotEvent event;
  event.set_eventtype(type);
  event.set_eventcode(code);
  event.set_eventcontent(content);
  return serialize(event);
}

inline std::string generalData(const std::vector<int>& ints, const std::vector<bool>& bools,
                               int code = 0) {
  comm::ProtoCommunicationGeneralData data;
  data.set_type(1);
  for (int v : ints) data.add_property1(v);
  for (bool v : bools) data.add_property2(v);
  auto* info = data.add_errorinfo();
  info->set_errorcode(code);
  info->set_errormsg("");
  return serialize(data);
}

inline std::string dhResponse(int robotType, const kavi_robot_namespace::RobotDhPara& dh,
                              int code = 0) {
  common::ProtoResponseRobotDhParam response;
  response.set_robottype(robotType);
  auto* p = response.mutable_dhparam();
  p->set_a3(dh.A3);
  p->set_a4(dh.A4);
  p->set_d1(dh.D1);
  p->set_d2(dh.D2);
  p->set_d5(dh.D5);
  p->set_d6(dh.D6);
  response.mutable_errorinfo()->set_errorcode(code);
  response.mutable_errorinfo()->set_errormsg("");
  return serialize(response);
}

inline std::string moveFuncResult(int ret, int code = 0) {
  common::ProtoRobotMoveFuncResult result;
  result.set_ret(ret);
  result.mutable_errorinfo()->set_errorcode(code);
  result.mutable_errorinfo()->set_errormsg("");
  return serialize(result);
}

// Joint-status text with count entries; entry i carries i + 1 in every field.
inline std::string jointStatusText(int count) {
  common::ProtoRobotAllJointStatusResponse response;
  response.set_jointcount(count);
  for (int i = 0; i < count; ++i) {
    auto* s = response.add_jointstatus();
    s->set_jointcurrenti(i + 1);
    s->set_jointspeedmoto(i + 1);
    s->set_jointposj(static_cast<float>(i + 1));
    s->set_jointcurvol(static_cast<float>(i + 1));
    s->set_jointcurtemp(static_cast<float>(i + 1));
    s->set_jointtagcurrenti(i + 1);
    s->set_jointtagspeedmoto(static_cast<float>(i + 1));
    s->set_jointtagposj(static_cast<float>(i + 1));
    s->set_jointerrornum(static_cast<uint32_t>(i + 1));
  }
  return serialize(response);
}

inline std::string jointAngleText(const double (&q)[6], bool withErrorInfo = true) {
  common::ProtoJointAngleResponse response;
  auto* a = response.mutable_jointangle();
  a->set_joint1(q[0]);
  a->set_joint2(q[1]);
  a->set_joint3(q[2]);
  a->set_joint4(q[3]);
  a->set_joint5(q[4]);
  a->set_joint6(q[5]);
  if (withErrorInfo) {
    auto* info = response.add_errorinfo();
    info->set_errorcode(0);
    info->set_errormsg("");
  }
  return serialize(response);
}

// Captures the trace log's messages (logger "daxrobottrace") while alive.
class LogCapture {
 public:
  LogCapture() {
    // The first message configures the logger; attach after that so the
    // configuration cannot drop our appender.
    kavi_robot_logtrace::W_INFO("test log capture attached");
    m_appender = log4cplus::SharedAppenderPtr(new Appender(*this));
    m_appender->setName(LOG4CPLUS_TEXT("ctl_test_capture"));
    logger().addAppender(m_appender);
  }
  ~LogCapture() { logger().removeAppender(m_appender); }

  bool contains(const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(), [&](const Line& l) {
      return l.text.find(text) != std::string::npos;
    });
  }
  // True when a line containing text was logged at level.
  bool containsAt(log4cplus::LogLevel level, const std::string& text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(), [&](const Line& l) {
      return l.level == level && l.text.find(text) != std::string::npos;
    });
  }
  bool waitFor(const std::string& text, std::chrono::milliseconds timeout = 3000ms) const {
    return ctl_test::waitFor([&] { return contains(text); }, timeout);
  }

 private:
  struct Line {
    log4cplus::LogLevel level;
    std::string text;
  };
  class Appender : public log4cplus::Appender {
   public:
    explicit Appender(LogCapture& owner) : m_owner(owner) {}
    ~Appender() override { destructorImpl(); }
    void close() override {}

   protected:
    void append(const log4cplus::spi::InternalLoggingEvent& event) override {
      std::lock_guard<std::mutex> lock(m_owner.m_mutex);
      m_owner.m_lines.push_back(Line{event.getLogLevel(), event.getMessage()});
    }

   private:
    LogCapture& m_owner;
  };
  static log4cplus::Logger logger() {
    return log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("daxrobottrace"));
  }

  mutable std::mutex m_mutex;
  std::vector<Line> m_lines;
  log4cplus::SharedAppenderPtr m_appender;
};

// A ScriptedPeer that answers requests by rule. Rules are per command type:
// a text (or none: the request stays unanswered) and a delay. Late answers go
// out from a sender thread, so the peer keeps reading meanwhile. Every frame's
// arrival and every answer's departure is time-stamped.
class RulePeer {
 public:
  struct Rule {
    bool answer = true;
    std::string text;
    std::chrono::milliseconds delay{0};
    // Frames sent right after the answer (e.g. the completing event).
    std::vector<std::pair<int, std::string>> after;
  };
  struct Stamp {
    int type;
    Clock::time_point at;
  };

  RulePeer() {
    m_sender = std::thread([this] { senderLoop(); });
    m_peer.setFrameHandler([this](rskavi_test::ScriptedPeer&, const rskavi_test::PeerFrame& f) {
      onFrame(f);
    });
  }
  ~RulePeer() {
    m_peer.setFrameHandler(nullptr);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_cv.notify_all();
    m_sender.join();
  }

  rskavi_test::ScriptedPeer& peer() { return m_peer; }
  uint16_t port() const { return m_peer.port(); }

  void setRule(int type, Rule rule) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rules[type] = std::move(rule);
  }
  void answer(int type, const std::string& text, std::chrono::milliseconds delay = 0ms) {
    Rule rule;
    rule.text = text;
    rule.delay = delay;
    setRule(type, rule);
  }
  void silence(int type) {
    Rule rule;
    rule.answer = false;
    setRule(type, rule);
  }
  // Answers login with the given DH lengths and the joint-6 query with flag.
  void answerLogin(const kavi_robot_namespace::RobotDhPara& dh, int robotType = 0,
                   bool joint6Flag = false) {
    answer(CommunicationType_Login, dhResponse(robotType, dh));
    answer(CommunicationType_getEnableJoint6Rot360Flag, generalData({}, {joint6Flag}));
  }

  // Frames of type that arrived so far, with their arrival times.
  std::vector<Stamp> arrivals(int type) const { return stamps(m_arrivals, type); }
  // Answers of type that went out so far (stamped just before sending).
  std::vector<Stamp> answers(int type) const { return stamps(m_answers, type); }
  bool waitForArrivals(int type, size_t count, std::chrono::milliseconds timeout = 3000ms) const {
    return waitFor([&] { return arrivals(type).size() >= count; }, timeout);
  }
  // Waits until count answers of type have been sent completely.
  bool waitForAnswers(int type, size_t count, std::chrono::milliseconds timeout = 3000ms) const {
    return waitFor([&] { return stamps(m_sent, type).size() >= count; }, timeout);
  }
  // Texts of the frames of type that arrived.
  std::vector<std::string> texts(int type) const {
    std::vector<std::string> out;
    for (const auto& f : m_peer.frames()) {
      if (f.commandType == type) out.push_back(f.text);
    }
    return out;
  }

  // Sends now (e.g. a push), recorded as an answer.
  bool push(int type, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_sendMutex);
    record(m_answers, type);
    const bool ok = m_peer.sendFrame(type, text);
    record(m_sent, type);
    return ok;
  }

 private:
  struct Job {
    Clock::time_point due;
    int type;
    std::string text;
    std::vector<std::pair<int, std::string>> after;
  };

  void onFrame(const rskavi_test::PeerFrame& frame) {
    record(m_arrivals, frame.commandType);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_rules.find(frame.commandType);
    Rule rule;
    if (it != m_rules.end()) {
      rule = it->second;
    } else {
      rule.text = commonResponse(0);
    }
    if (!rule.answer) return;
    m_jobs.push_back(Job{Clock::now() + rule.delay, frame.commandType, rule.text, rule.after});
    std::stable_sort(m_jobs.begin(), m_jobs.end(),
                     [](const Job& a, const Job& b) { return a.due < b.due; });
    m_cv.notify_all();
  }

  void senderLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      if (m_stop) return;
      if (m_jobs.empty()) {
        m_cv.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        continue;
      }
      const auto due = m_jobs.front().due;
      if (Clock::now() < due) {
        m_cv.wait_until(lock, due);
        continue;
      }
      Job job = std::move(m_jobs.front());
      m_jobs.erase(m_jobs.begin());
      lock.unlock();
      {
        std::lock_guard<std::mutex> sendLock(m_sendMutex);
        // Stamped before the send: the client may react before send returns.
        record(m_answers, job.type);
        m_peer.sendFrame(job.type, job.text);
        record(m_sent, job.type);
        for (const auto& extra : job.after) {
          record(m_answers, extra.first);
          m_peer.sendFrame(extra.first, extra.second);
          record(m_sent, extra.first);
        }
      }
      lock.lock();
    }
  }

  void record(std::vector<Stamp>& list, int type) {
    std::lock_guard<std::mutex> lock(m_stampMutex);
    list.push_back(Stamp{type, Clock::now()});
  }
  std::vector<Stamp> stamps(const std::vector<Stamp>& list, int type) const {
    std::lock_guard<std::mutex> lock(m_stampMutex);
    std::vector<Stamp> out;
    for (const auto& s : list) {
      if (s.type == type) out.push_back(s);
    }
    return out;
  }

  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  std::map<int, Rule> m_rules;
  std::vector<Job> m_jobs;
  bool m_stop = false;
  std::mutex m_sendMutex;
  mutable std::mutex m_stampMutex;
  std::vector<Stamp> m_arrivals;
  std::vector<Stamp> m_answers;
  std::vector<Stamp> m_sent;
  std::thread m_sender;
  // Last: destroyed first, so its reader thread (which runs onFrame) has
  // ended before the members above go.
  rskavi_test::ScriptedPeer m_peer;
};

// Logs svc in at the peer (which must answer login); the peer accepts the
// connection while login waits for its answer.
inline int loginAt(RobotControlServices& svc, RulePeer& peer,
                   kavi_robot_namespace::RobotType* typeOut = nullptr,
                   kavi_robot_namespace::RobotDhPara* dhOut = nullptr) {
  kavi_robot_namespace::RobotType type = kavi_robot_namespace::ROBOT_HERON;
  kavi_robot_namespace::RobotDhPara dh{};
  auto login = std::async(std::launch::async, [&] {
    return svc.loginService("127.0.0.1", peer.port(), "user", "pw", type, dh);
  });
  EXPECT_TRUE(peer.peer().waitForClient());
  const int ret = login.get();
  if (typeOut != nullptr) *typeOut = type;
  if (dhOut != nullptr) *dhOut = dh;
  return ret;
}

// Event callback recorder.
struct EventLog {
  struct Entry {
    int type;
    int code;
    std::string content;
    bool atTargetFlag;
    bool abnormalFlag;
  };
  RobotControlServices* service = nullptr;
  mutable std::mutex mutex;
  std::vector<Entry> entries;

  static void callback(const kavi_robot_namespace::RobotEventInfo* event, void* arg) {
    auto* self = static_cast<EventLog*>(arg);
    Entry e{static_cast<int>(event->eventType), event->eventCode, event->eventContent,
            self->service != nullptr && self->service->getRobotMoveAtTrackTargetSignalFlag(),
            self->service != nullptr && self->service->getRobotMoveAbnormalStopFlag()};
    std::lock_guard<std::mutex> lock(self->mutex);
    self->entries.push_back(e);
  }
  void attach(RobotControlServices& svc) {
    service = &svc;
    svc.robotServiceRegisterRobotEventInfoCallbackService(&EventLog::callback, this);
  }
  std::vector<Entry> ofType(int type) const {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<Entry> out;
    for (const auto& e : entries) {
      if (e.type == type) out.push_back(e);
    }
    return out;
  }
  size_t size() const {
    std::lock_guard<std::mutex> lock(mutex);
    return entries.size();
  }
  bool waitForType(int type, size_t count = 1, std::chrono::milliseconds timeout = 3000ms) const {
    return waitFor([&] { return ofType(type).size() >= count; }, timeout);
  }
};

// Model-0 DH lengths, the ones the library starts with.
inline const kavi_robot_namespace::RobotDhPara kDh{0.408, 0.376, 0.0985, 0.1215, 0.1025, 0.094};

// A control service logged in to a scripted peer, with its events recorded.
class LoggedInControl : public ::testing::Test {
 protected:
  void SetUp() override {
    peer.answerLogin(kDh);
    events.attach(svc);
    ASSERT_EQ(kavi_robot_namespace::ErrnoSucc, loginAt(svc, peer));
  }
  void TearDown() override { svc.logoutService(); }

  RulePeer peer;
  RobotControlServices svc;
  EventLog events;
};

}  // namespace ctl_test

#endif
