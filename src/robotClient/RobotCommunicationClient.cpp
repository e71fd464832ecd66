// TCP client: connection lifecycle, frame building and sending, and the
// receive thread that resynchronises on the start marker.
#include "RobotCommunicationClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "RobotErrorCode.h"
#include "RobotTraceLog.h"

using namespace kavi_robot_logtrace;

namespace {

// Socket reads and writes go in pieces of at most this many bytes.
constexpr int kIoChunkSize = 2048;
constexpr int kRecvTimeoutSec = 2;
constexpr int kSendTimeoutSec = 3;
constexpr int kSelectTimeoutUsec = 10000;
// Bytes ahead of the command type: start marker and length block.
constexpr int kFrameHeadSize = 8;
// Bytes after the text: check field and end marker.
constexpr int kFrameTailSize = 8;

// Command type 2 followed by the serialised event {eventType 27 (socket
// disconnected), eventCode 0, eventContent "Server disconnected."}.
constexpr unsigned char kDisconnectEventBlock[RobotCommunicationClient::DISCONNECT_EVENT_BLOCK_SIZE] = {
    0x02, 0x00, 0x00, 0x00, 0x08, 0x1B, 0x10, 0x00, 0x1A, 0x14, 'S', 'e', 'r', 'v', 'e',
    'r',  ' ',  'd',  'i',  's',  'c',  'o',  'n',  'n',  'e',  'c', 't', 'e', 'd', '.'};

void putInt32LE(char* dst, int32_t value) {
  const uint32_t u = static_cast<uint32_t>(value);
  dst[0] = static_cast<char>(u & 0xFF);
  dst[1] = static_cast<char>((u >> 8) & 0xFF);
  dst[2] = static_cast<char>((u >> 16) & 0xFF);
  dst[3] = static_cast<char>((u >> 24) & 0xFF);
}

int32_t getInt32LE(const char* src) {
  const auto* b = reinterpret_cast<const unsigned char*>(src);
  const uint32_t u = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                     (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return static_cast<int32_t>(u);
}

void setSocketTimeouts(int fd) {
  struct timeval recvTimeout = {kRecvTimeoutSec, 0};
  struct timeval sendTimeout = {kSendTimeoutSec, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &recvTimeout, sizeof(recvTimeout));
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof(sendTimeout));
}

bool isTransientRecvError(int err) { return err == EAGAIN || err == EWOULDBLOCK || err == EINTR; }

}  // namespace

const unsigned char RobotCommunicationClient::ROBOT_COMMAND_SOF[4] = {0xEE, 0xCC, 0xFF, 0xFF};
const unsigned char RobotCommunicationClient::ROBOT_COMMAND_CRC[4] = {0x00, 0x00, 0x00, 0x00};
const unsigned char RobotCommunicationClient::ROBOT_COMMAND_END[4] = {0xFF, 0xFF, 0xFF, 0xFF};

RobotCommunicationClient::RobotCommunicationClient()
    : m_serverport(0), m_socketFd(-1), m_connectStatus(false), m_stopRequested(false),
      m_lastRecvErrno(0) {
  initClassProfile();
}

RobotCommunicationClient::~RobotCommunicationClient() { disconnectCommunicationServer(); }

void RobotCommunicationClient::initClassProfile() {
  m_serverIP = "127.0.0.1";
  m_serverport = 8899;
  m_recvBuffer.reset(new char[RECV_BUFFER_SIZE]);
  m_sendBuffer.reset(new char[SEND_BUFFER_SIZE]);
  m_connectStatus = false;
  m_socketFd = -1;
}

void RobotCommunicationClient::setServerIP(std::string host) {
  std::lock_guard<std::mutex> lock(m_addressMutex);
  m_serverIP = std::move(host);
}

void RobotCommunicationClient::setServerPort(int port) {
  std::lock_guard<std::mutex> lock(m_addressMutex);
  m_serverport = port;
}

bool RobotCommunicationClient::getCurrentConnectStatus() const { return m_connectStatus.load(); }

bool RobotCommunicationClient::onReceiveThread() const {
  return m_receiveThreadId.load() == std::this_thread::get_id();
}

void RobotCommunicationClient::stopReceiveThreadAndCloseSocket() {
  m_stopRequested = true;
  m_connectStatus = false;
  // Whoever takes the descriptor out of m_socketFd closes it. Keeping it
  // open until the thread has ended means its number cannot be reused by
  // another open while the thread may still read it.
  const int fd = m_socketFd.exchange(-1);
  if (fd != -1) {
    // Wakes a receive blocked inside a frame at once.
    shutdown(fd, SHUT_RDWR);
  }
  if (m_threadId.joinable()) {
    m_threadId.join();
  }
  if (fd != -1) {
    // No sender is between loading the descriptor and sending on it.
    std::lock_guard<std::mutex> sendLock(m_sendRequestMutex);
    close(fd);
  }
}

int RobotCommunicationClient::connectRobotServer() {
  if (onReceiveThread()) {
    W_ERROR("sdk communication log: connect called from the receive thread, refused.");
    return kavi_robot_namespace::ErrCode_Failed;
  }
  std::lock_guard<std::mutex> lock(m_lifecycleMutex);
  if (m_connectStatus.load()) {
    return kavi_robot_namespace::ErrCode_Failed;
  }
  // A thread left over from a connection the peer closed, or from a
  // disconnect requested on the receive thread: release its socket and reap it.
  if (m_threadId.joinable()) {
    stopReceiveThreadAndCloseSocket();
  }
  if (connectCommunicationServer() != 0) {
    return kavi_robot_namespace::ErrCode_Failed;
  }
  m_stopRequested = false;
  m_connectStatus = true;
  m_threadId = std::thread(&RobotCommunicationClient::eventLoopThread, this);
  return 0;
}

int RobotCommunicationClient::connectCommunicationServer() {
  std::string host;
  int port = 0;
  {
    std::lock_guard<std::mutex> lock(m_addressMutex);
    host = m_serverIP;
    port = m_serverport;
  }
  struct sockaddr_in address;
  std::memset(&address, 0, sizeof(address));
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (port <= 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
    W_ERROR("sdk communication log: Invalid server address %s:%d.", host.c_str(), port);
    return kavi_robot_namespace::ErrCode_Failed;
  }

  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    W_ERROR("sdk communication log: Create socket failed, errno=%d.", errno);
    return kavi_robot_namespace::ErrCode_Failed;
  }
  // The send time-out also bounds the connect attempt.
  setSocketTimeouts(fd);
  if (connect(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0) {
    W_ERROR("sdk communication log: Connect to %s:%d failed, errno=%d.", host.c_str(), port,
            errno);
    close(fd);
    return kavi_robot_namespace::ErrCode_Failed;
  }
  setSocketTimeouts(fd);
  const int on = 1;
  // Requests are small and each waits for its answer: no Nagle delay.
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  // Urgent bytes arrive inline and are skipped by the header search like any
  // other stray byte, instead of raising an exception condition.
  setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof(on));
  m_socketFd = fd;
  return 0;
}

int RobotCommunicationClient::disconnectRobotServer() { return disconnectCommunicationServer(); }

int RobotCommunicationClient::disconnectCommunicationServer() {
  if (onReceiveThread()) {
    // Joining here would wait for ourselves. Mark the connection closed and
    // wake nothing: the loop ends after this frame, and whoever reaps the
    // thread closes the socket.
    m_stopRequested = true;
    m_connectStatus = false;
    const int fd = m_socketFd.load();
    if (fd != -1) {
      shutdown(fd, SHUT_RDWR);
    }
    return 0;
  }

  std::lock_guard<std::mutex> lock(m_lifecycleMutex);
  stopReceiveThreadAndCloseSocket();
  return 0;
}

void RobotCommunicationClient::eventLoopThread(RobotCommunicationClient* client) {
  client->recvCommunicationPackageLoop();
}

void RobotCommunicationClient::recvCommunicationPackageLoop() {
  m_receiveThreadId = std::this_thread::get_id();
  const int sockfd = m_socketFd.load();
  char* buffer = m_recvBuffer.get();
  for (;;) {
    if (m_stopRequested.load() || !m_connectStatus.load() || m_socketFd.load() == -1 ||
        sockfd == -1) {
      break;
    }
    fd_set readSet;
    FD_ZERO(&readSet);
    FD_SET(sockfd, &readSet);
    struct timeval timeout = {0, kSelectTimeoutUsec};
    const int ready = select(sockfd + 1, &readSet, nullptr, nullptr, &timeout);
    if (ready < 0) {
      if (errno != EINTR) {
        W_ERROR("sdk communication log:  select error, ret=%d.", ready);
      }
      continue;
    }
    if (ready == 0 || !FD_ISSET(sockfd, &readSet)) {
      continue;
    }
    if (m_stopRequested.load()) {
      break;
    }
    const int result = recvRobotCommunicationPackage(sockfd, buffer, RECV_BUFFER_SIZE);
    // A hard socket error (reset, time-out of the connection) ends the
    // connection like an orderly close; only a receive time-out is retried.
    if (result == 0 || (result < 0 && !isTransientRecvError(m_lastRecvErrno))) {
      handlePeerClosed(sockfd);
      break;
    }
    if (result > kFrameTailSize) {
      responseProcess(sockfd, buffer, result - kFrameTailSize);
    }
  }
  m_receiveThreadId = std::thread::id();
  W_INFO("sdk communication log: event loop thread exit.");
}

void RobotCommunicationClient::handlePeerClosed(int sockfd) {
  // Take the descriptor unless a disconnect already did; the winner closes it.
  int expected = sockfd;
  const bool ownsSocket = m_socketFd.compare_exchange_strong(expected, -1);
  m_connectStatus = false;
  if (!ownsSocket) {
    // A disconnect is closing the socket and wants no event.
    return;
  }
  {
    std::lock_guard<std::mutex> sendLock(m_sendRequestMutex);
    close(sockfd);
  }
  if (m_stopRequested.load()) {
    return;
  }
  W_ERROR("sdk communication log: recv return 0, Server disconnenct.");
  int blockLength = 0;
  if (makeDisconnectEventCommunicationPackage(m_recvBuffer.get(), RECV_BUFFER_SIZE,
                                              &blockLength)) {
    responseProcess(-1, m_recvBuffer.get(), blockLength);
  }
}

bool RobotCommunicationClient::makeDisconnectEventCommunicationPackage(char* buff, int bufferSize,
                                                                       int* buffValidSize) {
  if (buff == nullptr || buffValidSize == nullptr || bufferSize < DISCONNECT_EVENT_BLOCK_SIZE) {
    return false;
  }
  std::memcpy(buff, kDisconnectEventBlock, DISCONNECT_EVENT_BLOCK_SIZE);
  *buffValidSize = DISCONNECT_EVENT_BLOCK_SIZE;
  return true;
}

int RobotCommunicationClient::recvMessageBaseMethed(int sockfd, char* buff, int len, int flags) {
  int received = 0;
  while (received < len) {
    const int piece = std::min(len - received, kIoChunkSize);
    const ssize_t n = recv(sockfd, buff + received, static_cast<size_t>(piece), flags);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      m_lastRecvErrno = n < 0 ? errno : 0;
      return static_cast<int>(n);
    }
    received += static_cast<int>(n);
  }
  return received;
}

int RobotCommunicationClient::recvPeek(int sockfd, char* buff, int len) {
  // A repeated plain peek would copy the same leading bytes again; waiting
  // for all of them in one call keeps the copy in step with the stream.
  for (;;) {
    const ssize_t n = recv(sockfd, buff, static_cast<size_t>(len), MSG_PEEK | MSG_WAITALL);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      m_lastRecvErrno = errno;
    } else if (n == 0) {
      m_lastRecvErrno = 0;
    }
    return static_cast<int>(n);
  }
}

int RobotCommunicationClient::recvCommunicationData(int sockfd, char* buff, int len) {
  return recvMessageBaseMethed(sockfd, buff, len, 0);
}

int RobotCommunicationClient::sendCommunicationData(int sockfd, const char* buff, int len) {
  int sent = 0;
  while (sent < len) {
    const int piece = std::min(len - sent, kIoChunkSize);
    // MSG_NOSIGNAL: a vanished peer is a failed send, never a SIGPIPE.
    const ssize_t n = send(sockfd, buff + sent, static_cast<size_t>(piece), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return static_cast<int>(n);
    }
    sent += static_cast<int>(n);
  }
  return sent;
}

int RobotCommunicationClient::recvRobotMessageHead(int sockfd) {
  char head[4];
  const int peeked = recvPeek(sockfd, head, 4);
  if (peeked == 4 && std::memcmp(head, ROBOT_COMMAND_SOF, 4) == 0) {
    return recvCommunicationData(sockfd, head, 4);
  }
  if (peeked > 0) {
    // Not a start marker (or only part of one within the receive time-out):
    // drop one byte and let the next pass look again.
    const int skipped = recvCommunicationData(sockfd, head, 1);
    return skipped == 1 ? 1 : skipped;
  }
  return peeked;
}

int RobotCommunicationClient::recvRobotCommunicationPackage(int sockfd, char* recvBuffer,
                                                            int bufferSize) {
  int lastResult = recvRobotMessageHead(sockfd);
  bool failed = lastResult != 4;
  if (failed) {
    W_ERROR("sdk communication log: Recv Header error.");
    // A peer close or a hard error is no stray byte: report it as it is.
    if (lastResult <= 0) {
      return lastResult;
    }
  }

  char lengthField[4];
  int32_t lengthBlock = 0;
  if (!failed) {
    lastResult = recvCommunicationData(sockfd, lengthField, 4);
    if (lastResult == 4) {
      lengthBlock = getInt32LE(lengthField);
    }
  }
  if (failed || lastResult != 4) {
    W_ERROR("sdk communication log: Recv lengthBlock error.");
    failed = true;
  } else if (lengthBlock < MIN_LENGTH_BLOCK || lengthBlock > bufferSize) {
    // Nothing of the claimed frame is read: the header search resynchronises
    // on the bytes that follow.
    W_ERROR("sdk communication log: Invalid length block %d (allowed %d to %d), frame dropped.",
            lengthBlock, MIN_LENGTH_BLOCK, bufferSize);
    return std::min(lastResult, kFrameHeadSize);
  }

  if (!failed) {
    lastResult = recvCommunicationData(sockfd, recvBuffer, lengthBlock);
    if (lastResult == lengthBlock) {
      return lengthBlock;
    }
  }
  W_ERROR("sdk communication log:  Recv text block error.");
  if (lastResult <= 0) {
    return lastResult;
  }
  return std::min(lastResult, kFrameHeadSize);
}

bool RobotCommunicationClient::encodeAndSendCommunicationPackage(
    const CommunicationRequest& request) {
  return encodeAndSendCommunicationPackage(m_socketFd.load(), request);
}

bool RobotCommunicationClient::encodeAndSendCommunicationPackage(
    int socketFd, const CommunicationRequest& request) {
  std::lock_guard<std::mutex> lock(m_sendRequestMutex);
  const int textLength = request.m_textLength;
  if (textLength < 0 || (textLength > 0 && request.m_textPtr == nullptr)) {
    W_ERROR("sdk communication log: Invalid request text (length %d).", textLength);
    return false;
  }
  if (textLength > MAX_SEND_TEXT_LENGTH) {
    W_ERROR("sdk communication log: The message size is larger than the specified size.");
    return false;
  }
  const int lengthBlock = textLength + 12;
  char* frame = m_sendBuffer.get();
  std::memcpy(frame, ROBOT_COMMAND_SOF, 4);
  putInt32LE(frame + 4, lengthBlock);
  putInt32LE(frame + 8, static_cast<int32_t>(request.m_commandType));
  if (textLength > 0) {
    std::memcpy(frame + 12, request.m_textPtr, static_cast<size_t>(textLength));
  }
  std::memcpy(frame + 12 + textLength, ROBOT_COMMAND_CRC, 4);
  std::memcpy(frame + 16 + textLength, ROBOT_COMMAND_END, 4);

  const int frameLength = lengthBlock + kFrameHeadSize;
  const int sent = sendCommunicationData(socketFd, frame, frameLength);
  if (sent != frameLength) {
    W_ERROR("sdk communication log: Socket send messages error. errorcode=%d", sent);
    return false;
  }
  return true;
}
