#include <gtest/gtest.h>

#include <string>

#include <win/user.h>

#include "platform_testing.h"
#include "temp_machine.h"

namespace {

std::string CallLog() {
  size_t size = PlatformTest_ReadCallLog(nullptr, 0);
  std::string text(size + 1, '\0');
  PlatformTest_ReadCallLog(text.data(), text.size());
  text.resize(size);
  return text;
}

class MessageBoxes : public ::testing::Test {
 protected:
  testsupport::TempMachine machine_;
};

TEST_F(MessageBoxes, UnscriptedBoxesTakeTheirDefaultButton) {
  struct Case {
    UINT style;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON4, IDOK},  // beyond the buttons: the first
      {MB_RETRYCANCEL, IDRETRY},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageBoxW(nullptr, u"Text", u"Caption", c.style), c.answer) << c.style;
  EXPECT_NE(CallLog().find("\"scripted\":false"), std::string::npos);
}

TEST_F(MessageBoxes, ScriptedAnswersMatchByTextOrCaptionAndAreRecorded) {
  PlatformTest_QueueBoxAnswer(nullptr, nullptr, u"Remove", IDNO, 0);
  PlatformTest_QueueBoxAnswer(nullptr, u"printer", nullptr, IDCANCEL, 0);
  EXPECT_EQ(MessageBoxW(nullptr, u"Stop the printer?", u"Status", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"Go on?", u"Remove driver", MB_YESNO | MB_RTLREADING | MB_RIGHT), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, u"Go on?", u"Remove driver", MB_YESNO), IDYES);  // each answer once
  std::string log = CallLog();
  EXPECT_NE(log.find("\"text\":\"Stop the printer?\",\"caption\":\"Status\",\"style\":1,\"answer\":2,\"scripted\":true"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\"style\":" + std::to_string(MB_YESNO | MB_RTLREADING | MB_RIGHT) + ",\"answer\":7"),
            std::string::npos)
      << log;
}

TEST_F(MessageBoxes, AScriptForAnotherProgramIsLeftForIt) {
  PlatformTest_QueueBoxAnswer(u"vm4k2uis.exe", nullptr, nullptr, IDNO, 0);
  EXPECT_EQ(MessageBoxW(nullptr, u"Mine", nullptr, MB_YESNO), IDYES);
  EXPECT_NE(CallLog().find("\"caption\":\"Error\""), std::string::npos);
  PlatformTest_ClearBoxAnswers();
}

TEST_F(MessageBoxes, TheAnsiFormIsRecordedAsText) {
  EXPECT_EQ(MessageBoxA(nullptr, "Plain", "Ansi", MB_OK), IDOK);
  EXPECT_NE(CallLog().find("\"text\":\"Plain\",\"caption\":\"Ansi\""), std::string::npos);
}

}  // namespace
