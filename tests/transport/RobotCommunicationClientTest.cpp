// The TCP transport against a scripted loopback peer: framing both ways,
// resynchronisation on the start marker, bad length blocks, connection
// lifecycle and the synthetic disconnect event.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "RobotCommunicationClient.h"
#include "RobotErrorCode.h"
#include "ScriptedPeer.h"

namespace {

using namespace std::chrono_literals;
using rskavi_test::ScriptedPeer;
using kavi_robot_namespace::ErrCode_Failed;

// A block as responseProcess received it.
struct Block {
  int socketFd;
  std::string bytes;
};

// Records every block the receive thread hands on.
class RecordingClient : public RobotCommunicationClient {
 public:
  ~RecordingClient() override { disconnectRobotServer(); }

  std::vector<Block> blocks() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_blocks;
  }

  bool waitForBlocks(size_t count, std::chrono::milliseconds timeout = 3s) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_blocks.size() >= count; });
  }

  int socketFd() const { return m_socketFd.load(); }

  // When set, responseProcess disconnects from the receive thread.
  std::atomic<bool> disconnectInsideCallback{false};

  bool send(CommunicationCommandType type, const std::string& text) {
    CommunicationRequest request;
    char* copy = nullptr;
    if (!text.empty()) {
      copy = new char[text.size()];
      std::memcpy(copy, text.data(), text.size());
    }
    request.setProperty(-1, type, copy, static_cast<int>(text.size()));
    return encodeAndSendCommunicationPackage(request);
  }

 protected:
  void responseProcess(int socketFd, const char* content, int length) override {
    // Disconnect first, so a waiter that sees the block also sees its effect.
    if (disconnectInsideCallback.load()) {
      disconnectRobotServer();
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_blocks.push_back({socketFd, std::string(content, static_cast<size_t>(length))});
    }
    m_changed.notify_all();
  }

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Block> m_blocks;
};

// The block responseProcess gets for a frame: command type and text.
std::string expectedBlock(int32_t type, const std::string& text) {
  return ScriptedPeer::int32LE(type) + text;
}

std::string patternText(size_t size, unsigned seed) {
  std::string text(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
  }
  return text;
}

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client.setServerIP("127.0.0.1");
    client.setServerPort(peer.port());
  }

  void connect() {
    ASSERT_EQ(0, client.connectRobotServer());
    ASSERT_TRUE(peer.waitForClient());
    ASSERT_TRUE(client.getCurrentConnectStatus());
  }

  ScriptedPeer peer;
  RecordingClient client;
};

TEST_F(TransportTest, EmptyTextIsTwentyByteFrameAndFourByteBlock) {
  connect();
  ASSERT_TRUE(client.send(CommunicationType_GetRobotCurrentState, ""));
  ASSERT_TRUE(peer.waitForBytes(20));
  const std::string sent = peer.received();
  EXPECT_EQ(std::string("\xEE\xCC\xFF\xFF\x0C\x00\x00\x00\x1A\x00\x00\x00"
                        "\x00\x00\x00\x00\xFF\xFF\xFF\xFF",
                        20),
            sent);

  ASSERT_TRUE(peer.sendFrame(CommunicationType_GetRobotJointStatus, ""));
  ASSERT_TRUE(client.waitForBlocks(1));
  const Block block = client.blocks()[0];
  EXPECT_EQ(std::string("\x06\x00\x00\x00", 4), block.bytes);
  EXPECT_EQ(client.socketFd(), block.socketFd);
}

// Sizes around the 2048-byte piece size of socket reads and writes, and one
// large text: each is sent intact and echoed back intact.
TEST_F(TransportTest, TextsOfManySizesTravelIntactBothWays) {
  connect();
  const std::vector<size_t> sizes = {1, 2035, 2036, 2048, 2049, 4096, 70001, 500000};
  std::string expectedStream;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string text = patternText(sizes[i], static_cast<unsigned>(i));
    const auto type = static_cast<CommunicationCommandType>(10 + i);
    ASSERT_TRUE(client.send(type, text)) << "size " << sizes[i];
    expectedStream += ScriptedPeer::buildFrame(type, text);
    ASSERT_TRUE(peer.sendFrame(type, text));
  }
  ASSERT_TRUE(peer.waitForBytes(expectedStream.size()));
  EXPECT_TRUE(peer.received() == expectedStream);
  ASSERT_TRUE(client.waitForBlocks(sizes.size()));
  const auto blocks = client.blocks();
  for (size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_TRUE(blocks[i].bytes ==
                expectedBlock(static_cast<int32_t>(10 + i),
                              patternText(sizes[i], static_cast<unsigned>(i))))
        << "size " << sizes[i];
  }
}

TEST_F(TransportTest, LargestTextIsSentAndOneByteMoreIsRefused) {
  connect();
  const std::string largest = patternText(RobotCommunicationClient::MAX_SEND_TEXT_LENGTH, 3);
  ASSERT_EQ(1048299u, largest.size());
  ASSERT_TRUE(client.send(CommunicationType_OfflineTrackWaypointAppend, largest));
  ASSERT_TRUE(peer.waitForBytes(1048319));

  EXPECT_FALSE(client.send(CommunicationType_OfflineTrackWaypointAppend, largest + "x"));
  // The refused frame left nothing on the wire: the next bytes are the next frame.
  ASSERT_TRUE(client.send(CommunicationType_Login, "after"));
  const std::string expected =
      ScriptedPeer::buildFrame(CommunicationType_OfflineTrackWaypointAppend, largest) +
      ScriptedPeer::buildFrame(CommunicationType_Login, "after");
  ASSERT_TRUE(peer.waitForBytes(expected.size()));
  EXPECT_TRUE(peer.received() == expected);
}

TEST_F(TransportTest, InconsistentRequestRecordIsRefused) {
  connect();
  CommunicationRequest request;
  request.setProperty(-1, CommunicationType_Login, nullptr, 5);
  EXPECT_FALSE(client.encodeAndSendCommunicationPackage(request));
  request.setProperty(-1, CommunicationType_Login, nullptr, -1);
  EXPECT_FALSE(client.encodeAndSendCommunicationPackage(request));
  request.init();
}

TEST_F(TransportTest, LargestReceivableFrameIsDelivered) {
  connect();
  // Length block equal to the receive buffer.
  const std::string text = patternText(RobotCommunicationClient::RECV_BUFFER_SIZE - 12, 9);
  ASSERT_TRUE(peer.sendFrame(CommunicationType_GetDynIdentifyResults, text));
  ASSERT_TRUE(client.waitForBlocks(1, 5s));
  EXPECT_TRUE(client.blocks()[0].bytes ==
              expectedBlock(CommunicationType_GetDynIdentifyResults, text));
}

struct GarbageCase {
  const char* name;
  std::string garbage;
};
void PrintTo(const GarbageCase& c, std::ostream* os) { *os << c.name; }

class GarbageBeforeFrame : public TransportTest,
                           public ::testing::WithParamInterface<GarbageCase> {};

TEST_P(GarbageBeforeFrame, IsSkippedAndFrameDeliveredIntact) {
  connect();
  const std::string text = "payload\xEE\xCC\xFF\xFF-inside";
  ASSERT_TRUE(peer.sendRaw(GetParam().garbage +
                           ScriptedPeer::buildFrame(CommunicationType_Event, text)));
  ASSERT_TRUE(client.waitForBlocks(1));
  ASSERT_TRUE(peer.sendFrame(CommunicationType_RealTimeJointStatus, "next"));
  ASSERT_TRUE(client.waitForBlocks(2));
  const auto blocks = client.blocks();
  ASSERT_EQ(2u, blocks.size());
  EXPECT_EQ(expectedBlock(CommunicationType_Event, text), blocks[0].bytes);
  EXPECT_EQ(expectedBlock(CommunicationType_RealTimeJointStatus, "next"), blocks[1].bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Transport, GarbageBeforeFrame,
    ::testing::Values(GarbageCase{"one_byte", "x"}, GarbageCase{"text", "garbage bytes"},
                      GarbageCase{"partial_marker", std::string("\xEE\xCC\xFF", 3)},
                      GarbageCase{"shifted_marker", std::string("\xEE\xEE\xCC\xFF", 4)},
                      GarbageCase{"marker_prefix_twice", std::string("\xEE\xCC\xEE\xCC\xFF", 5)},
                      GarbageCase{"zeros", std::string(37, '\0')}),
    [](const ::testing::TestParamInfo<GarbageCase>& info) { return info.param.name; });

TEST_F(TransportTest, FrameArrivingByteByByteIsRecognised) {
  connect();
  const std::string frame = ScriptedPeer::buildFrame(CommunicationType_RobotHandShake, "slow");
  ASSERT_TRUE(peer.sendRawInPieces(frame, 1, 15ms));
  ASSERT_TRUE(client.waitForBlocks(1));
  EXPECT_EQ(expectedBlock(CommunicationType_RobotHandShake, "slow"), client.blocks()[0].bytes);
}

TEST_F(TransportTest, CheckFieldAndEndMarkerAreNotChecked) {
  connect();
  const std::string text = "unchecked";
  ASSERT_TRUE(peer.sendRaw(ScriptedPeer::buildRawFrame(static_cast<int32_t>(text.size() + 12),
                                                       CommunicationType_GetDeviceInfo, text,
                                                       "ABCD", "WXYZ")));
  ASSERT_TRUE(client.waitForBlocks(1));
  EXPECT_EQ(expectedBlock(CommunicationType_GetDeviceInfo, text), client.blocks()[0].bytes);
}

class BadLengthBlock : public TransportTest, public ::testing::WithParamInterface<int32_t> {};

// The claimed frame is dropped without reading its body; the frame behind it
// is found by the header search.
TEST_P(BadLengthBlock, IsDroppedAndNextFrameDelivered) {
  connect();
  const std::string bad = ScriptedPeer::startMarker() + ScriptedPeer::int32LE(GetParam()) +
                          ScriptedPeer::int32LE(CommunicationType_Event);
  ASSERT_TRUE(peer.sendRaw(bad + ScriptedPeer::buildFrame(CommunicationType_Login, "good")));
  ASSERT_TRUE(client.waitForBlocks(1));
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Logout, "second"));
  ASSERT_TRUE(client.waitForBlocks(2));
  const auto blocks = client.blocks();
  ASSERT_EQ(2u, blocks.size());
  EXPECT_EQ(expectedBlock(CommunicationType_Login, "good"), blocks[0].bytes);
  EXPECT_EQ(expectedBlock(CommunicationType_Logout, "second"), blocks[1].bytes);
}

INSTANTIATE_TEST_SUITE_P(Transport, BadLengthBlock,
                         ::testing::Values(0, 4, 11, -1, -12, INT_MIN,
                                           RobotCommunicationClient::RECV_BUFFER_SIZE + 1,
                                           INT_MAX));

TEST_F(TransportTest, PeerCloseYieldsExactlyOneDisconnectBlock) {
  connect();
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Event, "before"));
  ASSERT_TRUE(client.waitForBlocks(1));
  peer.closeClient();
  ASSERT_TRUE(client.waitForBlocks(2));
  // The status is cleared before the block is handed on.
  EXPECT_FALSE(client.getCurrentConnectStatus());
  EXPECT_EQ(-1, client.socketFd());
  // Reaping the thread guarantees nothing more is handed on afterwards.
  EXPECT_EQ(0, client.disconnectRobotServer());
  const auto blocks = client.blocks();
  ASSERT_EQ(2u, blocks.size());
  const std::string disconnectBlock(
      "\x02\x00\x00\x00\x08\x1B\x10\x00\x1A\x14"
      "Server disconnected.",
      30);
  EXPECT_EQ(disconnectBlock, blocks[1].bytes);
  EXPECT_EQ(-1, blocks[1].socketFd);
}

TEST_F(TransportTest, DisconnectBlockBuilderChecksItsBuffer) {
  char small[29];
  char exact[30];
  int length = -5;
  EXPECT_FALSE(client.makeDisconnectEventCommunicationPackage(small, sizeof(small), &length));
  EXPECT_EQ(-5, length);
  EXPECT_FALSE(client.makeDisconnectEventCommunicationPackage(nullptr, 100, &length));
  ASSERT_TRUE(client.makeDisconnectEventCommunicationPackage(exact, sizeof(exact), &length));
  EXPECT_EQ(30, length);
  EXPECT_EQ(0, std::memcmp(exact + 10, "Server disconnected.", 20));
}

TEST_F(TransportTest, SecondConnectWhileConnectedFailsAndKeepsFirstConnection) {
  connect();
  EXPECT_EQ(ErrCode_Failed, client.connectRobotServer());
  EXPECT_FALSE(peer.hasPendingClient(50ms));
  EXPECT_TRUE(client.getCurrentConnectStatus());
  ASSERT_TRUE(client.send(CommunicationType_Login, "still"));
  ASSERT_TRUE(peer.waitForFrames(1));
  EXPECT_EQ("still", peer.frames()[0].text);
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Login, "here"));
  ASSERT_TRUE(client.waitForBlocks(1));
  EXPECT_EQ(expectedBlock(CommunicationType_Login, "here"), client.blocks()[0].bytes);
}

TEST_F(TransportTest, DisconnectIsHarmlessWhenNeverConnectedAndWhenRepeated) {
  EXPECT_EQ(0, client.disconnectRobotServer());
  EXPECT_EQ(0, client.disconnectRobotServer());
  EXPECT_FALSE(client.getCurrentConnectStatus());
  connect();
  EXPECT_EQ(0, client.disconnectRobotServer());
  EXPECT_FALSE(client.getCurrentConnectStatus());
  EXPECT_EQ(-1, client.socketFd());
  EXPECT_EQ(0, client.disconnectRobotServer());
  EXPECT_TRUE(peer.waitForClientClose());
  // A caller's disconnect is no peer close: no disconnect block.
  EXPECT_TRUE(client.blocks().empty());
}

TEST_F(TransportTest, ReconnectsAfterDisconnectAndAfterPeerClose) {
  connect();
  client.disconnectRobotServer();
  connect();
  ASSERT_TRUE(client.send(CommunicationType_Login, "second"));
  ASSERT_TRUE(peer.waitForFrames(1));
  peer.closeClient();
  ASSERT_TRUE(client.waitForBlocks(1));
  connect();
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Login, "third"));
  ASSERT_TRUE(client.waitForBlocks(2));
  EXPECT_EQ(expectedBlock(CommunicationType_Login, "third"), client.blocks()[1].bytes);
  EXPECT_EQ(3, peer.acceptedCount());
}

struct ConnectFailureCase {
  const char* name;
  std::string host;
  int port;  // 0: a loopback port on which nothing listens
};
void PrintTo(const ConnectFailureCase& c, std::ostream* os) { *os << c.name; }

class ConnectFailure : public ::testing::TestWithParam<ConnectFailureCase> {};

TEST_P(ConnectFailure, ReturnsFailedAndStartsNothing) {
  int port = GetParam().port;
  if (port == 0) {
    // Take a free port and release it again: nothing listens there.
    ScriptedPeer closed;
    port = closed.port();
  }
  RecordingClient client;
  client.setServerIP(GetParam().host);
  client.setServerPort(port);
  EXPECT_EQ(ErrCode_Failed, client.connectRobotServer());
  EXPECT_FALSE(client.getCurrentConnectStatus());
  EXPECT_EQ(-1, client.socketFd());
  EXPECT_EQ(0, client.disconnectRobotServer());
}

INSTANTIATE_TEST_SUITE_P(
    Transport, ConnectFailure,
    ::testing::Values(ConnectFailureCase{"nothing_listening", "127.0.0.1", 0},
                      ConnectFailureCase{"host_name", "localhost", 8899},
                      ConnectFailureCase{"bad_address", "127.0.0.256", 8899},
                      ConnectFailureCase{"empty_address", "", 8899},
                      ConnectFailureCase{"negative_port", "127.0.0.1", -1},
                      ConnectFailureCase{"port_too_large", "127.0.0.1", 70000}),
    [](const ::testing::TestParamInfo<ConnectFailureCase>& info) { return info.param.name; });

TEST_F(TransportTest, SendAfterPeerCloseFailsWithoutKillingTheProcess) {
  connect();
  peer.closeClient();
  ASSERT_TRUE(client.waitForBlocks(1));
  EXPECT_FALSE(client.send(CommunicationType_Login, "nobody"));
}

// A socket whose peer is gone but which is still open: the second or third
// write gets EPIPE, which must be a failed send and not a SIGPIPE.
TEST_F(TransportTest, SendOnSocketWithVanishedPeerReturnsFalse) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(peer.port());
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
  ASSERT_TRUE(peer.waitForClient());
  peer.closeClient();
  CommunicationRequest request;
  char* text = new char[3]{'a', 'b', 'c'};
  request.setProperty(-1, CommunicationType_Login, text, 3);
  bool failed = false;
  for (int attempt = 0; attempt < 50 && !failed; ++attempt) {
    failed = !client.encodeAndSendCommunicationPackage(fd, request);
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_TRUE(failed);
  close(fd);
}

TEST_F(TransportTest, ConcurrentSendersNeverInterleaveFrames) {
  connect();
  constexpr int kThreads = 4;
  constexpr int kFramesEach = 50;
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([this, t] {
      for (int i = 0; i < kFramesEach; ++i) {
        const std::string text = std::to_string(t) + ":" + std::to_string(i) + ":" +
                                 patternText(3000 + static_cast<size_t>(t * 7 + i), t);
        EXPECT_TRUE(client.send(static_cast<CommunicationCommandType>(t), text));
      }
    });
  }
  for (auto& s : senders) s.join();
  ASSERT_TRUE(peer.waitForFrames(kThreads * kFramesEach, 5s));
  std::vector<int> nextIndex(kThreads, 0);
  for (const auto& frame : peer.frames()) {
    ASSERT_GE(frame.commandType, 0);
    ASSERT_LT(frame.commandType, kThreads);
    const int t = frame.commandType;
    const int i = nextIndex[static_cast<size_t>(t)]++;
    const std::string expected = std::to_string(t) + ":" + std::to_string(i) + ":" +
                                 patternText(3000 + static_cast<size_t>(t * 7 + i), t);
    ASSERT_TRUE(frame.text == expected) << "thread " << t << " frame " << i;
  }
}

// A receive blocked inside a half-arrived frame (2-s receive time-out) must
// not hold up disconnect.
TEST_F(TransportTest, DisconnectDuringHalfReceivedFrameReturnsPromptly) {
  connect();
  const std::string frame = ScriptedPeer::buildFrame(CommunicationType_Event, "never finished");
  ASSERT_TRUE(peer.sendRaw(frame.substr(0, 14)));
  std::this_thread::sleep_for(50ms);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(0, client.disconnectRobotServer());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(client.blocks().empty());
}

TEST_F(TransportTest, PeerClosingWhileCallerDisconnectsNeverHangs) {
  for (int round = 0; round < 15; ++round) {
    connect();
    std::thread closer([this] { peer.closeClient(); });
    EXPECT_EQ(0, client.disconnectRobotServer());
    closer.join();
    EXPECT_FALSE(client.getCurrentConnectStatus());
    EXPECT_EQ(-1, client.socketFd());
    // Either the caller or the peer was first: at most one disconnect block.
    EXPECT_LE(client.blocks().size(), static_cast<size_t>(round + 1));
  }
}

TEST_F(TransportTest, DisconnectFromInsideResponseProcessDoesNotDeadlock) {
  connect();
  client.disconnectInsideCallback = true;
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Event, "stop"));
  ASSERT_TRUE(client.waitForBlocks(1));
  EXPECT_FALSE(client.getCurrentConnectStatus());
  EXPECT_TRUE(peer.waitForClientClose());
  client.disconnectInsideCallback = false;
  // The next connect reaps the ended thread and works normally.
  connect();
  ASSERT_TRUE(peer.sendFrame(CommunicationType_Event, "again"));
  ASSERT_TRUE(client.waitForBlocks(2));
  EXPECT_EQ(expectedBlock(CommunicationType_Event, "again"), client.blocks()[1].bytes);
}

}  // namespace
