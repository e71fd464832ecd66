// Server-side framing of the simulated controller: cuts a client's byte
// stream into frames and builds outgoing frames. Tolerant of what a client may
// send: bytes before a start marker are skipped, a length block that cannot be
// a frame (below 12 or above 1 MiB) is dropped with the marker.
#ifndef KAVISIM_SIM_FRAME_READER_H
#define KAVISIM_SIM_FRAME_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavisim {

struct SimFrame {
  int32_t type = 0;
  std::string text;  // the serialised message (check field and end marker cut off)
};

class SimFrameReader {
 public:
  // Largest length block accepted from a client (the client's receive buffer).
  static constexpr int32_t kMaxLengthBlock = 1048576;
  static constexpr int32_t kMinLengthBlock = 12;

  // Appends received bytes.
  void feed(const char* data, size_t size);
  // Takes the next complete frame out of the buffer; false when none is complete.
  bool next(SimFrame& frame);
  // Bytes skipped so far because they did not start a valid frame.
  size_t skippedBytes() const { return m_skipped; }

  // A whole frame: start marker, length block (text + 12), type, text, check, end.
  static std::string encode(int32_t type, const std::string& text);
  // The start marker followed by a length block of `lengthBlock` and nothing else.
  static std::string encodeHeaderOnly(int32_t lengthBlock);

 private:
  std::string m_buffer;
  size_t m_skipped = 0;
};

}  // namespace kavisim

#endif
