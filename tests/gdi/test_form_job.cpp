// A form-creation job on a live device record, with the renderer's trace collected: what the
// trace says when the forms folder cannot be made or the form name is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <win/environment.h>
#include <win/files.h>

#include "gdi/form.h"
#include "gdi/util.h"
#include "jobctrl_fixture.h"

namespace {

std::vector<std::string> g_trace;
void CollectTrace(const char* text) { g_trace.emplace_back(text); }

class FormJob : public jobctrltest::JobCtrlTest {
 protected:
  void SetUp() override {
    JobCtrlTest::SetUp();
    PlatformTest_SetOsVersion(10, 0, 19045, nullptr, FALSE);
    g_trace.clear();
    Util_SetTraceHook(CollectTrace);
  }
  void TearDown() override {
    Util_SetTraceHook(nullptr);
    JobCtrlTest::TearDown();
  }

  void CreateForm(const std::u16string& name) {
    Change([&](RenderDevmode& s) {
      OVERLAY_DLG& o = s.dmPrivate.overlay;
      o.bOverlay = OVERLAY_CREATE;
      std::memset(o.szFormName, 0, sizeof o.szFormName);
      std::memcpy(o.szFormName, name.c_str(), name.size() * sizeof(WCHAR));
    });
    ASSERT_TRUE(StartJob());
    PrintPages(1);
  }

  static bool Traced(const std::string& text) {
    return std::any_of(g_trace.begin(), g_trace.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
  static std::string All() {
    std::string out;
    for (const std::string& l : g_trace) out += l;
    return out;
  }
};

TEST_F(FormJob, AFormsFolderThatCannotBeMadeIsTracedAndNothingIsPrinted) {
  WCHAR profile[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(u"ALLUSERSPROFILE", profile, MAX_PATH), 0u);
  const std::u16string documents = std::u16string(profile) + u"\\Documents";
  CreateDirectoryW(documents.c_str(), nullptr);
  // A file where the folder "Halvard" must go.
  HANDLE blocker = CreateFileW((documents + u"\\Halvard").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
  CloseHandle(blocker);

  CreateForm(u"Letterhead");
  EXPECT_TRUE(Traced("the forms folder cannot be made")) << All();
  EXPECT_TRUE(Traced("the form file cannot be created")) << All();
  Job();
  EXPECT_EQ(bytes_, 0u) << "bytes reached the printer";
}

TEST_F(FormJob, ARefusedFormNameIsTracedAndTheJobPrintsWithoutAForm) {
  CreateForm(u"Letter*");
  EXPECT_TRUE(Traced("no form path")) << All();
  // Without a form the job is an ordinary one.
  const pclxl::Decoded job = Job();
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "BeginPage").size(), 1u);
}

}  // namespace
