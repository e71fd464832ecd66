// A scriptable controller stand-in for protocol tests: a loopback TCP server
// on 127.0.0.1 and an ephemeral port that records every byte a client sends,
// cuts the bytes into frames, and sends frames or raw bytes as the test says.
//
//   rskavi_test::ScriptedPeer peer;
//   client.setServerPort(peer.port());
//   client.connectRobotServer();
//   ASSERT_TRUE(peer.waitForClient());
//   ASSERT_TRUE(peer.waitForFrames(1));
//   peer.sendFrame(CommunicationType_Login, responseText);
//
// Connections are served one at a time: waitForClient() accepts the next
// client and makes it the current one (a previous one is closed and its
// record cleared). Every wait has a deadline and returns false when it passes.
#ifndef RSKAVI_TEST_SCRIPTED_PEER_H
#define RSKAVI_TEST_SCRIPTED_PEER_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rskavi_test {

using namespace std::chrono_literals;

// One frame as it arrived: the fields of the wire layout, unvalidated.
struct PeerFrame {
  int32_t lengthBlock = 0;
  int32_t commandType = 0;
  std::string text;
  std::string checkField;  // 4 bytes
  std::string endMarker;   // 4 bytes
};

class ScriptedPeer {
 public:
  // Called on the peer's reader thread for each complete frame, in order.
  // It may send (e.g. answer a request) but must not close the peer or wait
  // for further frames.
  using FrameHandler = std::function<void(ScriptedPeer& peer, const PeerFrame& frame)>;

  static constexpr std::chrono::milliseconds kDefaultTimeout = 3000ms;

  // Binds 127.0.0.1 port 0 and listens; fails the current test when it cannot.
  ScriptedPeer();
  // Closes the client connection and the listening socket; joins the reader.
  ~ScriptedPeer();

  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  uint16_t port() const { return m_port; }

  // Accepts the next client within timeout and starts recording it.
  bool waitForClient(std::chrono::milliseconds timeout = kDefaultTimeout);
  // Number of clients accepted so far.
  int acceptedCount() const;
  // True while a connection is pending in the listen queue (a client that
  // connected but was not accepted yet).
  bool hasPendingClient(std::chrono::milliseconds within = 0ms) const;

  // Installs (or clears, with nullptr) the handler for incoming frames.
  void setFrameHandler(FrameHandler handler);

  // Everything the current client sent so far.
  std::string received() const;
  // The received bytes cut into frames. Bytes ahead of a start marker are
  // skipped; an incomplete trailing frame is left out.
  std::vector<PeerFrame> frames() const;

  bool waitForBytes(size_t count, std::chrono::milliseconds timeout = kDefaultTimeout);
  bool waitForFrames(size_t count, std::chrono::milliseconds timeout = kDefaultTimeout);
  // Waits until the current client closed its side (or the connection broke).
  bool waitForClientClose(std::chrono::milliseconds timeout = kDefaultTimeout);
  // General wait: pred is evaluated with the received bytes each time data
  // arrives or the client closes.
  bool waitUntil(const std::function<bool(const std::string& received)>& pred,
                 std::chrono::milliseconds timeout = kDefaultTimeout);

  // Sends to the current client. True when everything went out.
  bool sendRaw(const std::string& bytes);
  // Sends bytes in pieces of pieceSize with delay before each piece after the first.
  bool sendRawInPieces(const std::string& bytes, size_t pieceSize,
                       std::chrono::milliseconds delay);
  bool sendFrame(int32_t commandType, const std::string& text);

  // Closes the current client connection (the client sees an orderly close).
  void closeClient();

  // A well-formed frame: start marker, length text+12, type, text, zero
  // check field, FF end marker.
  static std::string buildFrame(int32_t commandType, const std::string& text);
  // A frame with every field chosen by the test (for malformed frames).
  static std::string buildRawFrame(int32_t lengthBlock, int32_t commandType,
                                   const std::string& text, const std::string& checkField,
                                   const std::string& endMarker);
  static std::string int32LE(int32_t value);
  static const std::string& startMarker();
  // Cuts bytes into frames (what frames() does on the received bytes).
  static std::vector<PeerFrame> cutFrames(const std::string& bytes);

 private:
  void readerLoop(int fd);
  void stopReader();

  int m_listenFd = -1;
  uint16_t m_port = 0;

  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_clientFd = -1;
  int m_accepted = 0;
  bool m_clientClosed = false;
  std::string m_received;
  FrameHandler m_handler;
  size_t m_framesHandled = 0;
  std::thread m_reader;
  // Serialises sends from the test and from the frame handler.
  std::mutex m_sendMutex;
};

}  // namespace rskavi_test

#endif
