// Command-type descriptions and the request/response records' text ownership.
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "CommunicationMateType.h"

namespace {

struct DescCase {
  int type;
  const char* description;
};
void PrintTo(const DescCase& c, std::ostream* os) { *os << c.type << " -> " << c.description; }

class CommandDescription : public ::testing::TestWithParam<DescCase> {};

TEST_P(CommandDescription, MatchesEnumeratorNameOrUnknow) {
  EXPECT_EQ(GetParam().description,
            CommunicationMateType::instance()->getCommandDescByType(
                static_cast<CommunicationCommandType>(GetParam().type)));
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, CommandDescription,
    ::testing::Values(DescCase{0, "CommunicationType_Login"},
                      DescCase{2, "CommunicationType_Event"},
                      DescCase{25, "CommunicationType_RobotMoveControl"},
                      DescCase{40, "CommunicationType_SetRobotCollisionGrade"},
                      DescCase{64, "CommunicationType_SafetyIoAbout_setRobotOrpePause"},
                      DescCase{80, "CommunicationType_RobotHandShake"},
                      DescCase{86, "CommunicationType_RobotSetJointOffset"},
                      DescCase{87, "unknow"}, DescCase{92, "unknow"}, DescCase{109, "unknow"},
                      DescCase{110, "unknow"}, DescCase{111, "unknow"},
                      DescCase{-1, "unknow"}, DescCase{5000, "unknow"}));

TEST(Catalogue, EveryTypeBelow87HasItsOwnDescription) {
  auto* catalogue = CommunicationMateType::instance();
  std::set<std::string> seen;
  for (int type = 0; type <= CommunicationType_RobotSetJointOffset; ++type) {
    const std::string desc =
        catalogue->getCommandDescByType(static_cast<CommunicationCommandType>(type));
    EXPECT_EQ(0u, desc.rfind("CommunicationType_", 0)) << type << " " << desc;
    EXPECT_TRUE(seen.insert(desc).second) << "duplicate description " << desc;
  }
  EXPECT_EQ(catalogue, CommunicationMateType::instance());
}

template <typename Record>
class RecordTest : public ::testing::Test {};

using RecordTypes = ::testing::Types<CommunicationRequest, CommunicationResponse>;
TYPED_TEST_SUITE(RecordTest, RecordTypes);

template <typename Record>
void expectEmpty(const Record& record) {
  EXPECT_EQ(-1, record.m_socketFd);
  EXPECT_EQ(nullptr, record.m_textPtr);
  EXPECT_EQ(0, record.m_textLength);
  EXPECT_EQ(CommunicationType_Unknown, record.m_commandType);
}

TYPED_TEST(RecordTest, FreshRecordIsEmpty) {
  TypeParam record;
  expectEmpty(record);
}

// Ownership passes to the record: destroy and the destructor free the text
// exactly once (the sanitizer builds catch a leak or a double free).
TYPED_TEST(RecordTest, DestroyReleasesTextAndResetsAndIsRepeatable) {
  TypeParam record;
  char* text = new char[5];
  std::memcpy(text, "hello", 5);
  record.setProperty(7, CommunicationType_RobotMove, text, 5);
  EXPECT_EQ(7, record.m_socketFd);
  EXPECT_EQ(text, record.m_textPtr);
  EXPECT_EQ(5, record.m_textLength);
  EXPECT_EQ(CommunicationType_RobotMove, record.m_commandType);
  record.destroy();
  expectEmpty(record);
  record.destroy();
  expectEmpty(record);

  record.setProperty(3, CommunicationType_Login, nullptr, 0);
  record.destroy();
  expectEmpty(record);
}

TYPED_TEST(RecordTest, DestructorReleasesOwnedText) {
  auto record = std::make_unique<TypeParam>();
  record->setProperty(1, CommunicationType_Event, new char[100], 100);
  record.reset();
}

TEST(Catalogue, CommonResultStartsEmpty) {
  CommunicationCommonResultResponse result;
  EXPECT_EQ(0, result.m_errorCode);
  EXPECT_TRUE(result.m_errorMsg.empty());
}

}  // namespace
