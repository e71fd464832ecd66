// Shared helpers of the codec: the encoder and decoder rules.
#include "ProtoEncodeDecodeSupport.h"

#include <google/protobuf/message_lite.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace proto_codec_support {

void diagnostic(const char* text) {
  std::fputs(text, stderr);
  std::fputc('\n', stderr);
}

bool parseText(google::protobuf::MessageLite& message, const char* buffer, int size,
               const char* failureText) {
  // The runtime aborts on a negative size; treat it and a null text with a
  // length as unparsable input instead.
  if (size < 0 || (buffer == nullptr && size > 0)) {
    diagnostic(failureText);
    return false;
  }
  static const char kEmpty[1] = {0};
  // Partial parse plus the check of required fields: the same verdict as a
  // full parse, without the runtime's own log line.
  if (!message.ParsePartialFromArray(buffer != nullptr ? buffer : kEmpty, size) ||
      !message.IsInitialized()) {
    diagnostic(failureText);
    return false;
  }
  return true;
}

bool serializeToNewBuffer(const google::protobuf::MessageLite& message, char** ptr, int* size,
                          const char* failureText) {
  if (ptr == nullptr || size == nullptr) {
    diagnostic(failureText);
    return false;
  }
  *ptr = nullptr;
  *size = 0;
  // Debug builds of the runtime abort when serialising an incomplete message;
  // an incomplete request is an encoding failure here.
  if (!message.IsInitialized()) {
    diagnostic(failureText);
    return false;
  }
  const std::size_t length = message.ByteSizeLong();
  if (length > static_cast<std::size_t>(INT_MAX)) {
    diagnostic(failureText);
    return false;
  }
  char* buffer = new (std::nothrow) char[length];
  if (buffer == nullptr) {
    diagnostic(failureText);
    return false;
  }
  if (!message.SerializePartialToArray(buffer, static_cast<int>(length))) {
    delete[] buffer;
    diagnostic(failureText);
    return false;
  }
  *ptr = buffer;
  *size = static_cast<int>(length);
  return true;
}

void copyText(char* target, std::size_t capacity, const std::string& src) {
  if (capacity == 0) {
    return;
  }
  std::size_t n = 0;
  const std::size_t limit = capacity - 1;
  while (n < limit && n < src.size() && src[n] != '\0') {
    ++n;
  }
  std::memcpy(target, src.data(), n);
  target[n] = '\0';
}

}  // namespace proto_codec_support
