// Server-side framing of the simulated controller.
#include "SimFrameReader.h"

#include <cstring>

namespace kavisim {

namespace {
const char kSof[4] = {'\xEE', '\xCC', '\xFF', '\xFF'};
const char kCrc[4] = {0, 0, 0, 0};
const char kEnd[4] = {'\xFF', '\xFF', '\xFF', '\xFF'};

void putInt32(std::string& out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t getInt32(const char* p) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return static_cast<int32_t>(u);
}
}  // namespace

void SimFrameReader::feed(const char* data, size_t size) { m_buffer.append(data, size); }

bool SimFrameReader::next(SimFrame& frame) {
  for (;;) {
    // Find a start marker; everything before it is noise.
    size_t pos = 0;
    while (pos + 4 <= m_buffer.size() && std::memcmp(m_buffer.data() + pos, kSof, 4) != 0) ++pos;
    if (pos + 4 > m_buffer.size()) {
      // Keep the last three bytes: they may be the beginning of a marker.
      size_t keep = m_buffer.size() < 3 ? m_buffer.size() : 3;
      m_skipped += m_buffer.size() - keep;
      m_buffer.erase(0, m_buffer.size() - keep);
      return false;
    }
    if (pos > 0) {
      m_skipped += pos;
      m_buffer.erase(0, pos);
    }
    if (m_buffer.size() < 8) return false;
    int32_t length = getInt32(m_buffer.data() + 4);
    if (length < kMinLengthBlock || length > kMaxLengthBlock) {
      // Not a frame: drop the marker and search again.
      m_skipped += 4;
      m_buffer.erase(0, 4);
      continue;
    }
    size_t total = 8 + static_cast<size_t>(length);
    if (m_buffer.size() < total) return false;
    frame.type = getInt32(m_buffer.data() + 8);
    frame.text.assign(m_buffer.data() + 12, static_cast<size_t>(length) - 12);
    m_buffer.erase(0, total);
    return true;
  }
}

std::string SimFrameReader::encode(int32_t type, const std::string& text) {
  std::string out;
  out.reserve(text.size() + 20);
  out.append(kSof, 4);
  putInt32(out, static_cast<int32_t>(text.size() + 12));
  putInt32(out, type);
  out += text;
  out.append(kCrc, 4);
  out.append(kEnd, 4);
  return out;
}

std::string SimFrameReader::encodeHeaderOnly(int32_t lengthBlock) {
  std::string out(kSof, 4);
  putInt32(out, lengthBlock);
  return out;
}

}  // namespace kavisim
