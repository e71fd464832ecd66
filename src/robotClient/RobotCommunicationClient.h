// The TCP connection to the robot controller: frames outgoing requests, runs
// the receive thread that cuts the byte stream into frames, and hands each
// received frame to responseProcess.
//
// Frame (little-endian int32 fields):
//   EE CC FF FF | length = N + 12 | command type | N bytes text | 00 00 00 00 | FF FF FF FF
// responseProcess receives the block that starts at the command type: 4 bytes
// of command type and the N bytes of text (N + 4 bytes), valid during the call.
#ifndef RSKAVI_ROBOT_COMMUNICATION_CLIENT_H
#define RSKAVI_ROBOT_COMMUNICATION_CLIENT_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "CommunicationMateType.h"

class RobotCommunicationClient {
 public:
  static constexpr int RECV_BUFFER_SIZE = 1048576;
  static constexpr int SEND_BUFFER_SIZE = 1048320;
  // Largest length block sent: the largest frame is one byte below the send buffer.
  static constexpr int MAX_SEND_LENGTH_BLOCK = 1048311;
  static constexpr int MAX_SEND_TEXT_LENGTH = MAX_SEND_LENGTH_BLOCK - 12;
  // Command type, check field and end marker: the least a length block can count.
  static constexpr int MIN_LENGTH_BLOCK = 12;
  static constexpr int DISCONNECT_EVENT_BLOCK_SIZE = 30;

  static const unsigned char ROBOT_COMMAND_SOF[4];
  static const unsigned char ROBOT_COMMAND_CRC[4];
  static const unsigned char ROBOT_COMMAND_END[4];

  RobotCommunicationClient();
  // Disconnects (stopping the receive thread) and frees the buffers. A derived
  // class must call disconnectRobotServer() in its own destructor: once it is
  // gone the receive thread must no longer reach its responseProcess.
  virtual ~RobotCommunicationClient();

  RobotCommunicationClient(const RobotCommunicationClient&) = delete;
  RobotCommunicationClient& operator=(const RobotCommunicationClient&) = delete;

  // Address for the next connect: dotted-quad IPv4 (no host-name lookup).
  void setServerIP(std::string host);
  void setServerPort(int port);

  // Connects and starts the receive thread. 0 on success; ErrCode_Failed when
  // already connected (the connection is left alone), when the address is not
  // dotted-quad IPv4, when the connect fails or times out (3 s), or when
  // called from the receive thread.
  int connectRobotServer();

  // Closes the connection and returns once the receive thread has ended.
  // Always 0; harmless when not connected and when repeated. From inside
  // responseProcess (the receive thread) it only marks the connection closed:
  // the thread ends after the current frame and is reaped by the next
  // connect, disconnect or the destructor.
  int disconnectRobotServer();

  // True from a successful connect until disconnect or until the peer closes.
  bool getCurrentConnectStatus() const;

  // Frames the request's command type and text and sends the whole frame on
  // this client's socket (the request's own socket field is not used). False
  // when the text is longer than MAX_SEND_TEXT_LENGTH (nothing is sent), when
  // the record is inconsistent, or when the frame did not go out in full.
  bool encodeAndSendCommunicationPackage(const CommunicationRequest& request);
  // The same on an explicit socket.
  bool encodeAndSendCommunicationPackage(int socketFd, const CommunicationRequest& request);

  // Writes the 30-byte disconnect event block (command type 2, then the event
  // message {eventType 27, eventCode 0, eventContent "Server disconnected."}).
  // False, with nothing written, if buff is null or smaller than 30 bytes.
  bool makeDisconnectEventCommunicationPackage(char* buff, int bufferSize, int* buffValidSize);

 protected:
  // Called on the receive thread for every received frame and for the
  // synthetic disconnect block (socketFd -1). The block is valid only during
  // the call; whatever this does delays the reading of the next frame.
  virtual void responseProcess(int socketFd, const char* requestContentPtr,
                               int requestContentLength) = 0;

  // Byte-level operations: each returns the byte count, or the failing
  // system call's result (0 when the peer closed, negative on error).
  int recvMessageBaseMethed(int sockfd, char* buff, int len, int flags);
  // Waits until len bytes are queued and copies them without consuming them.
  int recvPeek(int sockfd, char* buff, int len);
  int recvCommunicationData(int sockfd, char* buff, int len);
  int sendCommunicationData(int sockfd, const char* buff, int len);
  // 4 when a start marker was consumed, 1 when one stray byte was skipped.
  int recvRobotMessageHead(int sockfd);
  // The length block when a whole frame is in recvBuffer; otherwise a value
  // of at most 8 (0 when the peer closed).
  int recvRobotCommunicationPackage(int sockfd, char* recvBuffer, int bufferSize);

  std::thread m_threadId;
  std::string m_serverIP;
  int m_serverport;
  std::atomic<int> m_socketFd;
  std::unique_ptr<char[]> m_recvBuffer;
  std::unique_ptr<char[]> m_sendBuffer;
  std::atomic<bool> m_connectStatus;
  std::mutex m_sendRequestMutex;

 private:
  void initClassProfile();
  int connectCommunicationServer();
  int disconnectCommunicationServer();
  static void eventLoopThread(RobotCommunicationClient* client);
  void recvCommunicationPackageLoop();
  // Ends the connection from the receive thread after the peer went away.
  void handlePeerClosed(int sockfd);
  bool onReceiveThread() const;
  // Stops and joins the receive thread and closes the socket; the caller
  // holds m_lifecycleMutex and is not the receive thread.
  void stopReceiveThreadAndCloseSocket();

  // Set by disconnect; the receive thread checks it on every pass.
  std::atomic<bool> m_stopRequested;
  // Serialises connect and disconnect (never taken on the receive thread).
  std::mutex m_lifecycleMutex;
  // Guards m_serverIP and m_serverport, so the setters never wait for a
  // connect or disconnect in progress.
  std::mutex m_addressMutex;
  // Id of the running receive thread (set by the thread itself, so it is
  // valid before the thread's first frame even if m_threadId is still being
  // assigned).
  std::atomic<std::thread::id> m_receiveThreadId;
  // errno of the last failed receive; used only on the receive thread.
  int m_lastRecvErrno;
};

#endif
