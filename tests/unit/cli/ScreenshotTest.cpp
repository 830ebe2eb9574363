// pellory-cli screenshot run as a process: the editor's three views as PNG files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "../core/TestSupport.h"
#include "drawing/Png.h"

namespace {

struct ShotRun {
  int status = -1;
  std::string output;
};

ShotRun Screenshot(const std::string& arguments) {
  ShotRun run;
  const std::string command = std::string(PELLORY_CLI_PATH) + " screenshot " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

bool ReadPng(const std::string& path, pellory::drawing::Image& image) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return pellory::drawing::DecodePng(bytes.data(), bytes.size(), image);
}

// Pixels that differ between two pictures inside a rectangle.
int Differing(const pellory::drawing::Image& a, const pellory::drawing::Image& b, int l, int t, int r, int bottom) {
  int n = 0;
  for (int y = t; y < bottom; ++y)
    for (int x = l; x < r; ++x) n += a.At(x, y) != b.At(x, y);
  return n;
}

TEST(CliScreenshot, WritesEachViewOfThePanel) {
  pellory::test::TempFolder dir;
  pellory::drawing::Image views[3];
  const char* names[3] = {"chart", "edit", "browse"};
  for (int v = 0; v < 3; ++v) {
    const std::string file = dir.File(std::string(names[v]) + ".png");
    const ShotRun r = Screenshot(std::string("--view ") + names[v] + " -o " + file);
    ASSERT_EQ(r.status, 0) << r.output;
    ASSERT_TRUE(ReadPng(file, views[v])) << names[v];
    EXPECT_EQ(views[v].width, 1152);
    EXPECT_EQ(views[v].height, 440);
  }
  // The views differ in the view area and agree on the programmer's side of the panel.
  EXPECT_GT(Differing(views[0], views[1], 460, 95, 1125, 373), 20000);
  EXPECT_GT(Differing(views[1], views[2], 460, 95, 1125, 373), 20000);
  EXPECT_EQ(Differing(views[0], views[1], 0, 0, 380, 440), 0);
  // The chart view is the default; a program changes the LOWER PRG display.
  const ShotRun plain = Screenshot("-o " + dir.File("default.png"));
  ASSERT_EQ(plain.status, 0) << plain.output;
  pellory::drawing::Image def, program;
  ASSERT_TRUE(ReadPng(dir.File("default.png"), def));
  EXPECT_EQ(Differing(def, views[0], 0, 0, 1152, 440), 0);
  ASSERT_EQ(Screenshot("--program 37 -o " + dir.File("p37.png")).status, 0);
  ASSERT_TRUE(ReadPng(dir.File("p37.png"), program));
  EXPECT_GT(Differing(def, program, 189, 98, 233, 130), 50);
}

TEST(CliScreenshot, ErrorsSayWhatIsWrong) {
  pellory::test::TempFolder dir;
  std::ofstream(dir.File("text.syx")) << "hello";
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const Case cases[] = {
      {"--view knobs -o " + dir.File("x.png"), 1, "--view"},
      {"--view edit", 1, "-o FILE.png"},
      {"--program 100 -o " + dir.File("x.png"), 1, "--program"},
      {"--bank " + dir.File("text.syx") + " -o " + dir.File("x.png"), 1, "no program data"},
      {"--bank " + dir.File("missing.syx") + " -o " + dir.File("x.png"), 1, "no such file"},
      {"-o /nonexistent-folder/x.png", 1, "cannot write"},
      {"--zoom 2 -o " + dir.File("x.png"), 2, "usage"},
  };
  for (const Case& c : cases) {
    const ShotRun r = Screenshot(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
  }
}

}  // namespace
