// Shared helpers of the codec's sources: the encoder and decoder rules in one
// place (bounds-checked parsing, serialising into a new buffer, diagnostics)
// and text copying into fixed-width record fields.
#ifndef RSKAVI_PROTO_ENCODE_DECODE_SUPPORT_H
#define RSKAVI_PROTO_ENCODE_DECODE_SUPPORT_H

#include <cstddef>
#include <string>

namespace google {
namespace protobuf {
class MessageLite;
}  // namespace protobuf
}  // namespace google

namespace proto_codec_support {

// Writes one diagnostic line to standard error.
void diagnostic(const char* text);

// Parses [buffer, buffer + size) as message. False for a negative size, a
// null buffer with a positive size, or a text that does not parse (a missing
// required field included); the diagnostic line is then written.
bool parseText(google::protobuf::MessageLite& message, const char* buffer, int size,
               const char* failureText);

// The encoder rule: *ptr = new char[n] holding the serialised message and
// *size = n. On failure (including a message that lacks a required field)
// *ptr = null, *size = 0 and the diagnostic line is written.
bool serializeToNewBuffer(const google::protobuf::MessageLite& message, char** ptr, int* size,
                          const char* failureText);

// Copies src up to its first zero byte and at most capacity - 1 characters,
// and terminates the copy; capacity must be at least 1.
void copyText(char* target, std::size_t capacity, const std::string& src);

}  // namespace proto_codec_support

#endif
