// Helpers of the codec tests: owning wrappers around encoder output, hex
// text of byte strings and serialisation of hand-built messages.
#ifndef RSKAVI_CODEC_TEST_SUPPORT_H
#define RSKAVI_CODEC_TEST_SUPPORT_H

#include <google/protobuf/message_lite.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace codec_test {

// Runs an encoder and takes ownership of its buffer. ok is the encoder's
// result; on failure the buffer must be null and the size 0.
struct Encoded {
  bool ok = false;
  bool failureClean = true;  // null buffer and size 0 after a failure
  std::string bytes;
};

inline Encoded encode(const std::function<bool(char**, int*)>& encoder) {
  Encoded out;
  char* ptr = reinterpret_cast<char*>(0x1);  // must be overwritten
  int size = -7;
  out.ok = encoder(&ptr, &size);
  if (out.ok) {
    out.bytes.assign(ptr, static_cast<std::size_t>(size));
    delete[] ptr;
  } else {
    out.failureClean = (ptr == nullptr && size == 0);
  }
  return out;
}

inline std::string serialize(const google::protobuf::MessageLite& message) {
  std::string out;
  message.SerializePartialToString(&out);
  return out;
}

inline std::string hex(const std::string& bytes) {
  std::string out;
  char digits[4];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x", c);
    out += digits;
  }
  return out;
}

template <typename T>
std::string hexOf(const T& value) {
  return hex(std::string(reinterpret_cast<const char*>(&value), sizeof(value)));
}

// Records are compared byte for byte; they are zero-filled before use so
// that padding compares equal.
template <typename T>
void zero(T& value) {
  std::memset(static_cast<void*>(&value), 0, sizeof(value));
}

// A copy of a field of a packed record: assertions take their arguments by
// reference, which must not bind to an unaligned member.
template <typename T>
T value(T field) {
  return field;
}

}  // namespace codec_test

#endif
