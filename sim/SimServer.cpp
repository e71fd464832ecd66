// kavisim server: listening socket, sessions, real-time pushes and the
// one-shot fault actions.
#include "SimServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "CommunicationMateType.h"
#include "RobotEventTypes.h"
#include "SimDispatcher.h"
#include "SimKinematics.h"
#include "SimSession.h"
#include "robotcommon.pb.h"
#include "robotcommunication.pb.h"

namespace kavisim {

namespace krn = kavi_robot_namespace;
namespace pbc = kavi::robot::common;
namespace pbm = kavi::robot::communication;

SimServer::SimServer(SimConfig config) : m_config(std::move(config)) {
  m_arm = std::make_unique<SimArm>(
      m_state, m_faults, [this](const SimEvent& e) { broadcastEvent(e); },
      [this] { closeConnectionsNow(); });
  m_dispatcher = std::make_unique<SimDispatcher>(*this);
}

SimServer::~SimServer() { stop(); }

bool SimServer::start(std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    if (m_listenFd >= 0) ::close(m_listenFd);
    m_listenFd = -1;
    return false;
  };
  if (m_running) return true;
  double dh[6];
  if (!SimKinematics::selectModel(m_config.model, dh)) {
    if (error) *error = "arm model must be 0..6";
    return false;
  }
  // The message descriptors are built lazily, the first time inside the
  // shared protobuf library whose once-guard the thread checker cannot see;
  // building them here, before any thread of ours runs, orders it for all.
  (void)pbc::ProtoResponseRobotDhParam::descriptor();
  (void)pbm::ProtoRequestLogin::descriptor();
  m_state.write([&](SimStateData& d) { d.joint6Rot360 = m_config.joint6Rot360; });
  if (m_config.armReady) m_arm->makeReady();

  m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (m_listenFd < 0) return fail("socket");
  int one = 1;
  ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(m_config.port));
  if (::inet_pton(AF_INET, m_config.host.c_str(), &addr.sin_addr) != 1) {
    errno = EINVAL;
    return fail("address " + m_config.host);
  }
  if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return fail("bind");
  if (::listen(m_listenFd, 16) != 0) return fail("listen");
  socklen_t len = sizeof(addr);
  ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
  m_port = ntohs(addr.sin_port);

  m_running = true;
  m_arm->start();
  m_acceptThread = std::thread([this] { acceptLoop(); });
  m_pushThread = std::thread([this] { pushLoop(); });
  return true;
}

void SimServer::stop() {
  if (!m_running.exchange(false)) return;
  if (m_acceptThread.joinable()) m_acceptThread.join();
  if (m_pushThread.joinable()) m_pushThread.join();
  m_arm->stop();
  reap(true);
  if (m_listenFd >= 0) ::close(m_listenFd);
  m_listenFd = -1;
}

size_t SimServer::sessionCount() { return liveSessions().size(); }

uint64_t SimServer::receivedCount(int commandType) const {
  if (commandType < 0 || commandType >= 112) return 0;
  return m_received[commandType].load();
}

std::vector<std::shared_ptr<SimSession>> SimServer::liveSessions() {
  std::lock_guard<std::mutex> lock(m_sessionsMutex);
  std::vector<std::shared_ptr<SimSession>> out;
  for (auto& s : m_sessions)
    if (!s->finished()) out.push_back(s);
  return out;
}

void SimServer::reap(bool all) {
  std::vector<std::shared_ptr<SimSession>> dead;
  {
    std::lock_guard<std::mutex> lock(m_sessionsMutex);
    for (size_t i = 0; i < m_sessions.size();) {
      if (all || m_sessions[i]->finished()) {
        dead.push_back(m_sessions[i]);
        m_sessions.erase(m_sessions.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }
  for (auto& s : dead) s->close();
  // Destruction joins the session's threads, outside the list lock.
  dead.clear();
}

void SimServer::acceptLoop() {
  while (m_running) {
    pollfd p{m_listenFd, POLLIN, 0};
    int r = ::poll(&p, 1, 50);
    reap(false);
    if (r <= 0) continue;
    int fd = ::accept(m_listenFd, nullptr, nullptr);
    if (fd < 0) continue;
    timeval tv{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, 1 /* TCP_NODELAY */, &one, sizeof(one));
    std::shared_ptr<SimSession> session;
    {
      std::lock_guard<std::mutex> lock(m_sessionsMutex);
      session = std::make_shared<SimSession>(*this, fd, m_nextId++);
      m_sessions.push_back(session);
    }
    if (m_config.trace) {
      std::lock_guard<std::mutex> lock(m_traceMutex);
      std::fprintf(stderr, "kavi-sim: client %d connected\n", session->id());
    }
    session->start();
  }
}


void SimServer::pushLoop() {
  using Clock = std::chrono::steady_clock;
  double hz = m_config.pushHz > 0 ? m_config.pushHz : 200;
  auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / hz));
  auto next = Clock::now();
  while (m_running) {
    next += period;
    std::this_thread::sleep_until(next);
    auto now = Clock::now();
    if (now - next > std::chrono::milliseconds(50)) next = now;
    auto sessions = liveSessions();
    bool wantStatus = false, wantAngle = false, wantSpeed = false;
    for (auto& s : sessions) {
      wantStatus = wantStatus || s->pushJointStatus;
      wantAngle = wantAngle || s->pushJointAngle;
      wantSpeed = wantSpeed || s->pushEndSpeed;
    }
    if (!wantStatus && !wantAngle && !wantSpeed) continue;
    ArmSnapshot snap = m_arm->snapshot();
    std::string status, angle, speed;
    if (wantStatus) {
      status = SimFrameReader::encode(CommunicationType_RealTimeJointStatus, jointStatusText(snap));
    }
    if (wantAngle) {
      angle = SimFrameReader::encode(CommunicationType_RealTimeRobotJointAngle, jointAngleText(snap));
    }
    if (wantSpeed) {
      pbm::ProtoCommunicationGeneralData msg;
      msg.set_type(1);
      msg.add_property1(static_cast<int32_t>(std::lround(snap.endSpeed * 1000.0)));  // thousandths of m/s
      speed = SimFrameReader::encode(CommunicationType_RealTimeRobotEndSpeed, msg.SerializeAsString());
    }
    for (auto& s : sessions) {
      const std::pair<bool, std::pair<int, const std::string*>> pushes[] = {
          {s->pushJointStatus, {CommunicationType_RealTimeJointStatus, &status}},
          {s->pushJointAngle, {CommunicationType_RealTimeRobotJointAngle, &angle}},
          {s->pushEndSpeed, {CommunicationType_RealTimeRobotEndSpeed, &speed}}};
      for (const auto& p : pushes) {
        if (!p.first) continue;
        traceFrame(s->id(), true, p.second.first, p.second.second->size() - 20);
        s->sendPush(*p.second.second);
      }
    }
  }
}

void SimServer::dispatch(SimSession& session, const SimFrame& frame) {
  if (frame.type >= 0 && frame.type < 112) ++m_received[frame.type];
  m_dispatcher->handle(session, frame);
}

void SimServer::broadcastEvent(const SimEvent& event) {
  pbm::ProtoCommunicationRobotEvent msg;
  msg.set_eventtype(event.type);
  msg.set_eventcode(event.code);
  msg.set_eventcontent(event.text);
  std::string text = msg.SerializeAsString();
  std::string frame = SimFrameReader::encode(CommunicationType_Event, text);
  for (auto& s : liveSessions()) {
    traceFrame(s->id(), true, CommunicationType_Event, text.size());
    s->sendEvent(frame);
  }
}

void SimServer::pushEvent(int type, int code, const std::string& text) { broadcastEvent({type, code, text}); }

void SimServer::pushErrorInfo(const std::string& json) {
  pushEvent(krn::RobotEvent_RobotErrorInfoNotify, 0, json);
}

void SimServer::pushJoint6Flag(bool enabled) {
  m_state.write([&](SimStateData& d) { d.joint6Rot360 = enabled; });
  pushEvent(krn::RobotEvent_UpdateJoint6Rot360Flag, enabled ? 1 : 0, "joint 6 full turn");
}

void SimServer::pushControllerError(int code, const std::string& text) { m_arm->raiseControllerError(code, text); }

void SimServer::pushSoftEmergency() { m_arm->raiseSoftEmergency(); }

void SimServer::sendGarbage(size_t bytes) {
  std::string junk(bytes, '\0');
  for (size_t i = 0; i < bytes; ++i) junk[i] = static_cast<char>(0x41 + (i * 7) % 26);
  for (auto& s : liveSessions()) s->sendRaw(junk);
}

void SimServer::sendBadLengthFrame(int32_t lengthBlock) {
  std::string bytes = SimFrameReader::encodeHeaderOnly(lengthBlock) + std::string(8, '\0');
  for (auto& s : liveSessions()) s->sendRaw(bytes);
}

void SimServer::closeConnectionsNow() {
  for (auto& s : liveSessions()) s->close();
}

void SimServer::closeConnectionsMidMove() { m_faults.armCloseMidMove(true); }

void SimServer::runLoginActions(SimSession& session) {
  for (const std::string& action : m_config.onLogin) {
    if (action.rfind("garbage:", 0) == 0) {
      session.sendRaw(std::string(static_cast<size_t>(std::atoi(action.c_str() + 8)), 'G'));
    } else if (action.rfind("badlength:", 0) == 0) {
      session.sendRaw(SimFrameReader::encodeHeaderOnly(std::atoi(action.c_str() + 10)) + std::string(8, '\0'));
    } else if (action.rfind("event:", 0) == 0) {
      int type = 0, code = 0, used = 0;
      std::sscanf(action.c_str() + 6, "%d:%d%n", &type, &code, &used);
      const char* rest = action.c_str() + 6 + used;
      std::string text = *rest == ':' ? rest + 1 : "";
      pbm::ProtoCommunicationRobotEvent msg;
      msg.set_eventtype(type);
      msg.set_eventcode(code);
      msg.set_eventcontent(text);
      session.sendEvent(SimFrameReader::encode(CommunicationType_Event, msg.SerializeAsString()));
    } else if (action == "close") {
      // Let the login answer leave first.
      m_arm->schedule(0.05, [this, id = session.id()] {
        for (auto& s : liveSessions())
          if (s->id() == id) s->close();
      });
    }
  }
}

void SimServer::traceFrame(int session, bool outgoing, int type, size_t textSize) {
  if (!m_config.trace) return;
  std::lock_guard<std::mutex> lock(m_traceMutex);
  std::fprintf(stderr, "kavi-sim: client %d %s type %d, %zu bytes of text\n", session,
               outgoing ? "<-" : "->", type, textSize);
}

}  // namespace kavisim
