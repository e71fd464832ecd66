// Command-type descriptions and the request/response records' text ownership.
#include "CommunicationMateType.h"

namespace {

// Requests and responses manage their text the same way.
template <typename Record>
void setRecordProperty(Record& record, int socketFd, CommunicationCommandType commandType,
                       char* textPtr, int textLength) {
  record.m_socketFd = socketFd;
  record.m_commandType = commandType;
  record.m_textPtr = textPtr;
  record.m_textLength = textLength;
}

template <typename Record>
void destroyRecord(Record& record) {
  delete[] record.m_textPtr;
  record.m_textPtr = nullptr;
  setRecordProperty(record, -1, CommunicationType_Unknown, nullptr, 0);
}

}  // namespace

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

CommunicationRequest::CommunicationRequest() { init(); }

CommunicationRequest::~CommunicationRequest() { destroy(); }

void CommunicationRequest::init() {
  setRecordProperty(*this, -1, CommunicationType_Unknown, nullptr, 0);
}

void CommunicationRequest::setProperty(int socketFd, CommunicationCommandType commandType,
                                       char* textPtr, int textLength) {
  setRecordProperty(*this, socketFd, commandType, textPtr, textLength);
}

void CommunicationRequest::destroy() { destroyRecord(*this); }

CommunicationResponse::CommunicationResponse() { init(); }

CommunicationResponse::~CommunicationResponse() { destroy(); }

void CommunicationResponse::init() {
  setRecordProperty(*this, -1, CommunicationType_Unknown, nullptr, 0);
}

void CommunicationResponse::setProperty(int socketFd, CommunicationCommandType commandType,
                                        char* textPtr, int textLength) {
  setRecordProperty(*this, socketFd, commandType, textPtr, textLength);
}

void CommunicationResponse::destroy() { destroyRecord(*this); }
