// The browser, the tape dialog, the deferred refresh and the repeating OFF/ON keys.
#include <atomic>
#include <fstream>
#include <thread>

#include "../tape/TapeEncoder.h"
#include "PanelHarness.h"
#include "editor/IVLBrowserControls.h"
#include "editor/IVLKnobControl.h"
#include "editor/IVLTapeLoadDialog.h"
#include "programs/FactoryBankNames.h"
#include "programs/SysEx.h"
#include "programs/tape/TapeDecoder.h"

namespace pellory::paneltest {
namespace {

using Req = IGraphicsHeadless::Request;

Point ItemAt(int column, int row) { return {464 + 161 * column + 60, 129 + 16 * row + 8}; }
Point ScrollUp() { return {1114, 135}; }
Point ScrollDown() { return {1114, 363}; }

TEST(PanelBrowser, ItemsShowTheBankAndAClickAuditionsWithHighlight) {
  Panel p;
  p.Click(BrowseButton());
  const auto& items = p.panel->ProgramItems();
  EXPECT_EQ(items[0]->NumberText(), "1");
  EXPECT_EQ(items[0]->Name(), FactoryProgramName(1, 1));
  EXPECT_EQ(items[0]->GetTooltip(), FactoryProgramName(1, 1));
  EXPECT_EQ(items[59]->NumberText(), "60");
  EXPECT_EQ(items[16]->GetRECT(), IRect(625, 129 + 16, 625 + 154, 129 + 32));
  p.Click(ItemAt(1, 3));  // entry 18: program 19
  EXPECT_EQ(p.plug->BrowserSelection(), 19);
  EXPECT_EQ(p.Plain(kLowerProgram), 19);
  EXPECT_TRUE(items[18]->Highlighted());
  EXPECT_FALSE(items[0]->Highlighted());
  // Factory bank 2 lists its own names.
  p.Click(SmallLampAt(546, 101));
  EXPECT_EQ(p.plug->BrowserSourceValue(), 1);
  EXPECT_EQ(items[0]->Name(), FactoryProgramName(2, 1));
}

TEST(PanelBrowser, ScrollBarPagesAndStaysWithinTheList) {
  Panel p;
  p.Click(BrowseButton());
  auto* scroll = dynamic_cast<IVLScrollControl*>(p.panel->ScrollBar());
  const IRect first = scroll->ThumbRect();
  EXPECT_EQ(first.T, 129 + 14);
  // Paging up from the first page stays there.
  p.Click(ScrollUp());
  EXPECT_EQ(p.plug->BrowserFirstEntry(), 0);
  p.Click(ScrollDown());
  EXPECT_EQ(p.plug->BrowserFirstEntry(), 60);
  const auto& items = p.panel->ProgramItems();
  EXPECT_EQ(items[0]->NumberText(), "61");
  EXPECT_EQ(items[38]->NumberText(), "99");
  EXPECT_EQ(items[39]->NumberText(), "");
  // The last page's thumb ends with the track.
  EXPECT_EQ(scroll->ThumbRect().B, 369 - 14);
  EXPECT_GT(scroll->ThumbRect().T, first.T);
  p.Click(ScrollDown());
  EXPECT_EQ(p.plug->BrowserFirstEntry(), 60);
  // A click above the thumb pages up.
  p.Click({1114, scroll->ThumbRect().T - 3});
  EXPECT_EQ(p.plug->BrowserFirstEntry(), 0);
  // A blank entry auditions nothing.
  p.Click(ScrollDown());
  const double lower = p.Plain(kLowerProgram);
  p.Click(ItemAt(3, 14));
  EXPECT_EQ(p.Plain(kLowerProgram), lower);
}

TEST(PanelBrowser, FolderLineShowsOnlyForProgramFilesAndChoosesTheFolder) {
  Panel p;
  Folder files;
  p.Click(BrowseButton());
  EXPECT_TRUE(p.panel->FolderLine()->IsHidden());
  p.Click(SmallLampAt(620, 101));
  EXPECT_FALSE(p.panel->FolderLine()->IsHidden());
  EXPECT_EQ(p.panel->FolderLine()->GetRECT(), IRect(680, 110, 1114, 122));
  // A cancelled folder choice changes nothing.
  const std::string folder = p.plug->BrowserFolder();
  p.graphics->QueueFileChoice("");
  p.Click({800, 115});
  EXPECT_EQ(p.plug->BrowserFolder(), folder);
  // Save a program into the new folder through the menu, then choose that folder.
  p.graphics->QueueMenuChoice(std::string("Save Lower PRG"));
  p.graphics->QueueFileChoice(files.File("Mine.syx"));
  p.Click(MenuButton());
  p.graphics->QueueFileChoice(files.File("[file name is ignored]"));
  p.Click({800, 115});
  const Req* dialog = p.LastRequest(IGraphicsHeadless::kFileDialog);
  EXPECT_EQ(dialog->text, "[file name is ignored]");
  EXPECT_EQ(dialog->type, kFileSave);
  EXPECT_EQ(p.plug->BrowserFolder().rfind(files.Path(), 0), 0u);
  const auto& items = p.panel->ProgramItems();
  EXPECT_EQ(items[0]->Name(), "Mine");
  EXPECT_EQ(items[0]->NumberText(), "1");
  EXPECT_EQ(items[1]->NumberText(), "");
  // The chart view hides the line again.
  p.Click(BrowseButton());
  EXPECT_TRUE(p.panel->FolderLine()->IsHidden());
}

TEST(PanelBrowser, HostAutomationAndProgramChangesReachTheControls) {
  Panel p(true);
  IControl* freq = p.ControlAt(KnobAt(596, 121));
  p.Set(25, 0.75f);
  EXPECT_FLOAT_EQ(static_cast<float>(freq->GetValue()), 0.75f);
  // A program change: the controls show the new program after the deferred refresh.
  p.Set(kLowerProgram, p.Normalized(kLowerProgram, 9));
  p.IdleTicks();
  EXPECT_FLOAT_EQ(static_cast<float>(freq->GetValue()), p.Get(25));
  // The LOWER PRG decimal point shows a modified program.
  EXPECT_TRUE(p.panel->LowerDot()->IsHidden());
  p.DragVertically(KnobAt(596, 121), -10);
  p.IdleTicks();
  EXPECT_FALSE(p.panel->LowerDot()->IsHidden());
  EXPECT_TRUE(p.panel->AddressDot()->IsHidden());
  // Without an open window the refresh waits.
  p.graphics->CloseWindow();
  p.Set(kLowerProgram, p.Normalized(kLowerProgram, 3));
  p.IdleTicks();
  p.graphics->OpenWindow(nullptr);
  p.IdleTicks();
  EXPECT_TRUE(p.panel->LowerDot()->IsHidden());
  EXPECT_FLOAT_EQ(static_cast<float>(freq->GetValue()), p.Get(25));
}

TEST(PanelBrowser, HeldOnKeyRepeatsInParameterEntry) {
  Panel p;
  // Parameter entry on chart cell 19 (CUTOFF, 0..127 or so): ON held steps it.
  p.Click({700 + 28, 159 + 19 + 9});
  ASSERT_EQ(p.plug->PanelParameterNumber(), 19);
  const int id = p.plug->SelectedParameter();
  p.Set(id, p.Normalized(id, 10));
  p.graphics->MouseDown(OnKey().x, OnKey().y, MouseModifiers(true));
  p.graphics->Tick();
  EXPECT_EQ(p.Plain(id), 11);
  // 750 control blocks (0.75 s at 1000 Hz) before the first repeat, then one per 100.
  p.Render(44 * 700);
  p.graphics->Tick();
  EXPECT_EQ(p.Plain(id), 11);
  p.Render(44 * 60);
  p.graphics->Tick();
  EXPECT_EQ(p.Plain(id), 12);
  p.Render(44 * 210);
  p.graphics->Tick();
  EXPECT_EQ(p.Plain(id), 14);
  p.graphics->MouseUp(OnKey().x, OnKey().y, MouseModifiers(true));
  p.Render(44 * 300);
  p.graphics->Tick();
  EXPECT_EQ(p.Plain(id), 14);
  // In program entry the key does not repeat.
  p.Click(LampAt(195, 316));
  const double lower = p.Plain(kLowerProgram);
  p.graphics->QueueMessageBoxAnswer(kIDNO);  // the edited program: discard
  p.graphics->MouseDown(OnKey().x, OnKey().y, MouseModifiers(true));
  p.Render(44 * 1000);
  p.graphics->Tick();
  p.graphics->MouseUp(OnKey().x, OnKey().y, MouseModifiers(true));
  EXPECT_EQ(p.Plain(kLowerProgram), lower + 1);
}

class TapeDialog : public ::testing::Test {
 protected:
  void SetUp() override { tape::SetDecoderSettings(tape::DecoderSettings()); }
  void TearDown() override { tape::SetDecoderSettings(tape::DecoderSettings()); }
  void Open() {
    p.graphics->QueueMenuChoice(std::string("Load Tape Dump"));
    p.Click(MenuButton());
    dialog = p.panel->TapeDialog();
    ASSERT_FALSE(dialog->IsHidden());
  }
  Point Part(int part) {
    const IRect r = dialog->PartRect(part);
    return {(r.L + r.R) / 2, (r.T + r.B) / 2};
  }
  Panel p;
  IVLTapeLoadDialog* dialog = nullptr;
};

TEST_F(TapeDialog, FieldsBoxesAndCancel) {
  Open();
  // Modal: the panel under it does not react.
  p.Click(BrowseButton());
  EXPECT_EQ(p.plug->EditorView(), 1);
  p.Click(Part(IVLTapeLoadDialog::kHighPassBox));
  EXPECT_TRUE(tape::GetDecoderSettings().highPassOn);
  p.graphics->QueueTextEntry("120");
  p.Click(Part(IVLTapeLoadDialog::kHighPassField));
  EXPECT_EQ(p.LastRequest(IGraphicsHeadless::kTextEntry)->text, "330");
  p.graphics->Tick();
  EXPECT_DOUBLE_EQ(tape::GetDecoderSettings().highPassFrequency, 120.0);
  // The threshold keeps two characters; 0 is refused.
  p.graphics->QueueTextEntry("456");
  p.Click(Part(IVLTapeLoadDialog::kThresholdField));
  p.graphics->Tick();
  EXPECT_DOUBLE_EQ(tape::GetDecoderSettings().threshold, 45.0);
  p.graphics->QueueTextEntry("0");
  p.Click(Part(IVLTapeLoadDialog::kThresholdField));
  p.graphics->Tick();
  EXPECT_DOUBLE_EQ(tape::GetDecoderSettings().threshold, 45.0);
  // The low-pass value is not editable while the filter is off.
  const std::size_t before = p.graphics->Requests().size();
  p.Click(Part(IVLTapeLoadDialog::kLowPassField));
  EXPECT_EQ(p.graphics->Requests().size(), before);
  p.Click(Part(IVLTapeLoadDialog::kCancel));
  EXPECT_TRUE(dialog->IsHidden());
  p.Click(BrowseButton());
  EXPECT_EQ(p.plug->EditorView(), 3);
}

TEST_F(TapeDialog, OkDecodesARecordingOrReportsTheFailure) {
  Open();
  Folder folder;
  // Not a recording: the error, and the dialog stays.
  const std::string junk = folder.File("junk.wav");
  std::ofstream(junk) << "not a wave file";
  p.graphics->QueueFileChoice(junk);
  p.Click(Part(IVLTapeLoadDialog::kOk));
  const Req* box = p.LastRequest(IGraphicsHeadless::kMessageBox);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text, "Cannot load file!");
  EXPECT_EQ(box->caption, "Error");
  EXPECT_FALSE(dialog->IsHidden());
  EXPECT_EQ(p.LastRequest(IGraphicsHeadless::kFileDialog)->caption, "wav");
  // A later-model dump of program memory with PRG 1 changed decodes into memory.
  std::vector<uint8_t> dump = tape::testing::PatternBytes(4096, 7);
  std::vector<uint8_t> prg(kPrgRecordSize);
  for (int i = 0; i < kPrgRecordSize; ++i) prg[static_cast<std::size_t>(i)] = dump[static_cast<std::size_t>(896 + i)];
  const std::string wav = folder.File("dump.wav");
  ASSERT_TRUE(tape::testing::WriteFile(
      wav, tape::testing::MakeWav({tape::testing::SynthesizeDump(dump, 44100)}, 44100, tape::testing::SampleFormat::kPcm16)));
  p.graphics->QueueFileChoice(wav);
  p.Click(Part(IVLTapeLoadDialog::kOk));
  box = p.LastRequest(IGraphicsHeadless::kMessageBox);
  EXPECT_EQ(box->text, "Later model tape dump was successfully loaded.\n");
  EXPECT_TRUE(dialog->IsHidden());
  const uint8_t* stored = p.plug->Programs().Record(1);
  ASSERT_NE(stored, nullptr);
  EXPECT_TRUE(std::equal(prg.begin(), prg.end(), stored));
}

}  // namespace
}  // namespace pellory::paneltest

namespace pellory::paneltest {
namespace {

// The host renders on its audio thread while the user holds ON: the repeat is counted there
// and stepped on the interface thread (built with ThreadSanitizer this fails on any race).
TEST(PanelThreads, HeldOnKeyWhileTheAudioThreadRenders) {
  Panel p;
  p.Click({700 + 28, 159 + 19 + 9});
  const int id = p.plug->SelectedParameter();
  p.Set(id, p.Normalized(id, 0));
  std::atomic<bool> held{false}, done{false};
  std::thread audio([&] {
    while (!held.load()) std::this_thread::yield();
    // 1800 control blocks of 44 samples: repeats at blocks 750, 850, ..., 1750.
    for (int block = 0; block < 180; ++block) p.Render(440);
    done = true;
  });
  p.graphics->MouseDown(OnKey().x, OnKey().y, MouseModifiers(true));
  held = true;
  while (!done.load()) {
    p.graphics->Tick();
    p.graphics->MouseMove(OnKey().x, OnKey().y, MouseModifiers(true));
  }
  audio.join();
  p.graphics->Tick();
  p.graphics->MouseUp(OnKey().x, OnKey().y, MouseModifiers(true));
  // The press, then eleven repeats.
  EXPECT_EQ(p.Plain(id), 1 + 11);
}

}  // namespace
}  // namespace pellory::paneltest
