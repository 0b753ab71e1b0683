// printjob run as its own program, as a person runs it: the sample document or a script on a
// fresh machine, settings from the command line, and the job file it leaves.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pclxl_decoder.h"
#include "child_process.h"
#include "platform_testing.h"
#include "temp_machine.h"

namespace {

using ToolRun = testsupport::CommandRun;

ToolRun PrintJob(const std::string& arguments) {
  return testsupport::RunCommand(std::string(VELMOR_OUT_DIR) + "/printjob " + arguments + " 2>&1");
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const pclxl::Decoded& job, const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& line : job.listing)
    if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
  return out;
}

class PrintJobTool : public ::testing::Test {
 protected:
  // A machine installed by setup-machine, with a fixed computer name for the whole machine.
  std::string InstalledMachine(const std::string& name, const char* computer = "PC01") {
    std::string root = machine_.root() + "/" + name;
    std::string command = std::string(VELMOR_OUT_DIR) + "/setup-machine " + root + " > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    PlatformTest_UseMachine(root.c_str());
    PlatformTest_SetComputerName(computer, TRUE);
    return root;
  }

  std::string Out(const std::string& name) { return machine_.root() + "/" + name; }

  std::string WriteScript(const std::string& name, const std::string& text) {
    std::string path = machine_.root() + "/" + name;
    std::ofstream(path) << text;
    return path;
  }

  testsupport::TempMachine machine_;
};

TEST_F(PrintJobTool, PrintsTheSampleOnAFreshMachineAndSaysWhere) {
  std::string out = Out("sample.pxl");
  ToolRun run = PrintJob("-o " + out);
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("machine: "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" pages, "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(" bytes, "), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("-> " + out), std::string::npos) << run.output;
  // The machine it made is a machine: its printer is there.
  size_t at = run.output.find("machine: ") + 9;
  std::string root = run.output.substr(at, run.output.find(' ', at) - at);
  EXPECT_TRUE(std::filesystem::exists(root + "/spooler")) << root;
  std::filesystem::remove_all(root);

  pclxl::Decoded job = pclxl::DecodeJob(ReadBytes(out));
  ASSERT_TRUE(job.ok) << job.error << " at " << job.errorOffset;
  EXPECT_EQ(job.listing.front(), "<UEL>");
  EXPECT_EQ(job.pjlBefore.front(), "@PJL COMMENT Version 3.0 For Windows 2000");
  std::vector<std::string> sheets = Lines(job, "BeginPage");
  EXPECT_GE(sheets.size(), 3u);
  EXPECT_EQ(Lines(job, "EndPage").size(), sheets.size()) << "one BeginPage and one EndPage per sheet";
  EXPECT_NE(sheets.back().find("eLandscapeOrientation"), std::string::npos) << "the last page after a ResetDC";
  // Lines, curves, filled shapes, hatched and pattern brushes (downloaded patterns) and clips.
  for (const char* op : {"LineRelPath", "BezierRelPath", "PaintPath", "SetPenWidth", "SetLineDash",
                         "BeginRastPattern", "SetClipReplace", "SetFillMode"})
    EXPECT_FALSE(Lines(job, op).empty()) << op;
  ASSERT_GE(job.listing.size(), 4u);
  EXPECT_EQ(job.listing[job.listing.size() - 4], "EndSession");
  EXPECT_EQ(job.listing[job.listing.size() - 3], "<UEL>");
  EXPECT_EQ(job.listing[job.listing.size() - 2], "@PJL EOJ");
  EXPECT_EQ(job.listing.back(), "<UEL>");
}

TEST_F(PrintJobTool, TwoRunsWithTheSameInputAndComputerAreByteIdentical) {
  std::string first = InstalledMachine("first");
  std::string second = InstalledMachine("second");
  ToolRun a = PrintJob("--machine " + first + " -o " + Out("a.pxl"));
  ToolRun b = PrintJob("--machine " + second + " -o " + Out("b.pxl"));
  ASSERT_EQ(a.status, 0) << a.output;
  ASSERT_EQ(b.status, 0) << b.output;
  std::vector<uint8_t> bytesA = ReadBytes(Out("a.pxl"));
  EXPECT_FALSE(bytesA.empty());
  EXPECT_EQ(bytesA, ReadBytes(Out("b.pxl")));
  pclxl::Decoded job = pclxl::DecodeJob(bytesA);
  EXPECT_EQ(Lines(job, "@PJL SET JOBOWNER"), std::vector<std::string>{"@PJL SET JOBOWNER=vmPC01"});
}

TEST_F(PrintJobTool, SettingsReachTheJobAndRepairsAreReported) {
  std::string root = InstalledMachine("settings");
  ToolRun run = PrintJob("--machine " + root + " --set dmCopies=3 --set MultipleUp=4 --set dmOrientation=9 -o " +
                     Out("s.pxl"));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("warning: dmOrientation=9 was repaired by the driver to 1"), std::string::npos)
      << run.output;
  pclxl::Decoded job = pclxl::DecodeJob(ReadBytes(Out("s.pxl")));
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "@PJL SET COPIES"), std::vector<std::string>{"@PJL SET COPIES=3"});
  EXPECT_EQ(Lines(job, "BeginPage").size(), 2u) << "six pages on two 4-up sheets";
  EXPECT_EQ(Lines(job, "EndPage"), (std::vector<std::string>{"EndPage PageCopies=3", "EndPage PageCopies=3"}));
}

struct Refusal {
  const char* name;
  std::string arguments;
  std::string message;
};

class PrintJobRefusals : public PrintJobTool, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PrintJobRefusals, FailWithAClearMessageAndWriteNothing) {
  std::string root = InstalledMachine("refusal");
  WriteScript("bad.txt", "page\n# a comment\n\nfrobnicate 1 2\n");
  WriteScript("short.txt", "page\nresetdc\n");
  WriteScript("rect.txt", "page\nrect 1 2 3\n");
  WriteScript("pen.txt", "pen wavy 1\n");
  WriteScript("brush.txt", "brush hatch zigzag black\n");
  WriteScript("bezier.txt", "bezier 0 0 1 1 2 2 3 3 4 4\n");
  WriteScript("inches.txt", "moveto 1inch 2in\n");
  std::string out = Out("never.pxl");
  std::string arguments = GetParam().arguments;
  for (size_t at; (at = arguments.find("DIR")) != std::string::npos;) arguments.replace(at, 3, machine_.root());
  ToolRun run = PrintJob("--machine " + root + " " + arguments + " -o " + out);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, PrintJobRefusals,
    ::testing::Values(
        Refusal{"UnknownCommand", "--script DIR/bad.txt", "bad.txt:4: unknown command 'frobnicate'"},
        Refusal{"MissingArguments", "--script DIR/short.txt", "short.txt:2: resetdc: at least one KEY=VALUE"},
        Refusal{"UnknownSetting", "--set Frob=1", "unknown setting 'Frob'"},
        Refusal{"NotKeyValue", "--set dmCopies", "'dmCopies' is not KEY=VALUE"},
        Refusal{"ValueTooWide", "--set dmCopies=70000", "'70000' is not a value dmCopies can hold"},
        Refusal{"NoScriptFile", "--script DIR/none.txt", "cannot read the script"},
        Refusal{"ShortRect", "--script DIR/rect.txt", "rect.txt:2: rect: four lengths (rect LEFT TOP RIGHT BOTTOM)"},
        Refusal{"UnknownPenStyle", "--script DIR/pen.txt", "pen.txt:1: pen: a pen needs a style and a width"},
        Refusal{"UnknownHatch", "--script DIR/brush.txt", "brush.txt:1: brush: unknown brush"},
        Refusal{"BezierPoints", "--script DIR/bezier.txt", "bezier.txt:1: bezier: 3n + 1 points"},
        Refusal{"BadInches", "--script DIR/inches.txt", "inches.txt:1: moveto: two lengths"},
        Refusal{"NoPrinter", "--printer Nobody", "has no printer \"Nobody\""}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(PrintJobTool, WithoutAnOutputFileItSaysHowToCallIt) {
  ToolRun run = PrintJob("");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.output.find("usage: printjob"), std::string::npos) << run.output;
}

TEST_F(PrintJobTool, AScriptPrintsItsPagesWithAResetDC) {
  std::string root = InstalledMachine("script");
  std::string script = WriteScript("pages.txt",
                                   "# three pages\n\npage  # the first\n  page\n"
                                   "resetdc dmOrientation=2 dmCopies=2 #\n\tpage\r\n");
  ToolRun run = PrintJob("--machine " + root + " --script " + script + " --document report.PDF -o " + Out("p.pxl"));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("3 pages"), std::string::npos) << run.output;
  pclxl::Decoded job = pclxl::DecodeJob(ReadBytes(Out("p.pxl")));
  ASSERT_TRUE(job.ok) << job.error;
  std::vector<std::string> sheets = Lines(job, "BeginPage");
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_NE(sheets[2].find("eLandscapeOrientation"), std::string::npos);
}

// A 1-inch square drawn as an application draws it (LOGPIXELSX units an inch) comes out at the
// zoom: half an inch at 50 % (300 dots at 600 dpi), and the page itself is not scaled again.
struct ZoomCase {
  int zoom;
  std::string cursor;
  std::string edges;
};

class PrintJobZoom : public PrintJobTool, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(PrintJobZoom, AnInchSquareComesOutAtTheZoom) {
  std::string root = InstalledMachine("zoom");
  std::string script = WriteScript("square.txt", "pen null 0\nbrush solid black\nrect 1in 1in 2in 2in\n");
  ToolRun run = PrintJob("--machine " + root + " --script " + script + " --set dmScale=" +
                         std::to_string(GetParam().zoom) + " -o " + Out("z.pxl"));
  ASSERT_EQ(run.status, 0) << run.output;
  pclxl::Decoded job = pclxl::DecodeJob(ReadBytes(Out("z.pxl")));
  ASSERT_TRUE(job.ok) << job.error;
  EXPECT_EQ(Lines(job, "SetPageScale"), std::vector<std::string>{"SetPageScale PageScale=(1,1)"});
  EXPECT_EQ(Lines(job, "SetCursor"), std::vector<std::string>{"SetCursor Point=" + GetParam().cursor});
  std::vector<std::string> edges = Lines(job, "LineRelPath");
  ASSERT_EQ(edges.size(), 1u);
  EXPECT_NE(edges[0].find(GetParam().edges), std::string::npos) << edges[0];
}

// The rectangle covers its left and top edges, not its right and bottom ones: 300 dots wide
// from 300 to 599 at 50 %.
INSTANTIATE_TEST_SUITE_P(Zoom, PrintJobZoom,
                         ::testing::Values(ZoomCase{25, "(150,150)", "[(149,0) (0,149) (-149,0)]"},
                                           ZoomCase{50, "(300,300)", "[(299,0) (0,299) (-299,0)]"},
                                           ZoomCase{100, "(600,600)", "[(599,0) (0,599) (-599,0)]"},
                                           ZoomCase{200, "(1200,1200)", "points=[(1199,0) (0,1199) (-1199,0)]"}),
                         [](const ::testing::TestParamInfo<ZoomCase>& info) {
                           return "Percent" + std::to_string(info.param.zoom);
                         });

}  // namespace
