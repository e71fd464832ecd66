// Command-type descriptions and the request/response records' text ownership.
#include "CommunicationMateType.h"

CommunicationMateType* CommunicationMateType::instance() {
  static CommunicationMateType theInstance;
  return &theInstance;
}

CommunicationMateType::CommunicationMateType() { initCommunicationCommandTypeDescMap(); }

void CommunicationMateType::initCommunicationCommandTypeDescMap() {
  m_communicationCommandTypeDescMap.clear();
#define RSKAVI_COMMAND_TYPE_DESCRIPTION(name) m_communicationCommandTypeDescMap[name] = #name;
  RSKAVI_DESCRIBED_COMMAND_TYPES(RSKAVI_COMMAND_TYPE_DESCRIPTION)
#undef RSKAVI_COMMAND_TYPE_DESCRIPTION
}

std::string CommunicationMateType::getCommandDescByType(CommunicationCommandType type) const {
  auto it = m_communicationCommandTypeDescMap.find(type);
  if (it == m_communicationCommandTypeDescMap.end()) {
    return "unknow";
  }
  return it->second;
}

CommunicationTextRecord::CommunicationTextRecord() { init(); }

CommunicationTextRecord::~CommunicationTextRecord() { destroy(); }

void CommunicationTextRecord::init() { setProperty(-1, CommunicationType_Unknown, nullptr, 0); }

void CommunicationTextRecord::setProperty(int socketFd, CommunicationCommandType commandType,
                                          char* textPtr, int textLength) {
  m_socketFd = socketFd;
  m_commandType = commandType;
  m_textPtr = textPtr;
  m_textLength = textLength;
}

void CommunicationTextRecord::destroy() {
  delete[] m_textPtr;
  m_textPtr = nullptr;
  setProperty(-1, CommunicationType_Unknown, nullptr, 0);
}
