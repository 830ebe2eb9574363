// The surface itself: bitmap frames, greyed drawing, clipped redraws, the dirty rectangle and
// the idle counter, the process-wide caches, the scripted dialogs and the PNG snapshot.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "EditorSupport.h"
#include "drawing/Font.h"
#include "drawing/Png.h"

namespace pellory::edtest {
namespace {

using drawing::MakePixel;

TEST(Frames, StackedAndSideBySideFramesComeFromTheirOffsets) {
  IGraphicsHeadless g(nullptr, 40, 40);
  ASSERT_TRUE(g.PrepDraw());
  for (bool horizontal : {false, true}) {
    const drawing::Image strip = MakeStrip(7, 5, 4, horizontal);
    const IBitmap bitmap(&strip, strip.width, strip.height, 7, horizontal);
    EXPECT_EQ(bitmap.FrameWidth(), 5);
    EXPECT_EQ(bitmap.FrameHeight(), 4);
    for (int frame = 1; frame <= 7; ++frame) {
      ASSERT_TRUE(g.DrawBitmap(bitmap, IRect(10, 10, 15, 14), frame));
      EXPECT_EQ(g.GetSurface().At(10, 10), FrameColour(frame)) << frame << " " << horizontal;
      EXPECT_EQ(g.GetSurface().At(14, 13), FrameColour(frame)) << frame << " " << horizontal;
    }
  }
  // Frames that do not divide the picture evenly: offset = int(size * (frame - 1) / N + 0.5).
  // Ten one-pixel rows in three frames start at rows 0, 3 (3.33) and 7 (6.67).
  const drawing::Image rows = MakeStrip(10, 2, 1);
  const IBitmap three(&rows, 2, 10, 3);
  const int firstRow[] = {0, 3, 7};
  for (int frame = 1; frame <= 3; ++frame) {
    g.DrawBitmap(three, IRect(0, 0, 2, 3), frame);
    EXPECT_EQ(g.GetSurface().At(0, 0), FrameColour(firstRow[frame - 1] + 1)) << frame;
  }
  // Frame numbers below 2 draw the first frame; no picture draws nothing.
  g.DrawBitmap(three, IRect(0, 0, 2, 3), 0);
  EXPECT_EQ(g.GetSurface().At(0, 0), FrameColour(1));
  EXPECT_FALSE(g.DrawBitmap(IBitmap(), IRect(0, 0, 2, 3), 1));
}

TEST(Redraw, GreyedControlsDrawAtAQuarterAndOnlyInsideThePaintedRectangle) {
  IGraphicsHeadless g(nullptr, 40, 20);
  g.AddControl(new IPanelControl(nullptr, IRect(0, 0, 40, 20), IColor(255, 0, 0, 0)));
  auto* panel = new IPanelControl(nullptr, IRect(5, 5, 35, 15), IColor(255, 255, 255, 255));
  g.AddControl(panel);
  IRect dirty;
  EXPECT_TRUE(g.CollectDirtyRect(dirty));
  EXPECT_EQ(dirty, IRect(0, 0, 40, 20));
  g.Draw(dirty);
  EXPECT_EQ(g.GetSurface().At(20, 10), MakePixel(255, 255, 255, 255));
  EXPECT_EQ(g.LastPaintedRect(), IRect(0, 0, 40, 20));
  panel->SetGreyed(true);
  g.Draw(IRect(0, 0, 20, 20));
  // White at weight 0.25 (64 of 255) over black.
  EXPECT_EQ(g.GetSurface().At(10, 10), MakePixel(255, 64, 64, 64));
  EXPECT_EQ(g.GetSurface().At(25, 10), MakePixel(255, 255, 255, 255));
  // Hidden: not drawn, but cleaned.
  panel->SetHidden(true);
  EXPECT_TRUE(panel->IsDirty());
  g.Draw(IRect(0, 0, 40, 20));
  EXPECT_EQ(g.GetSurface().At(25, 10), MakePixel(255, 0, 0, 0));
  g.Draw(IRect(0, 0, 40, 20));
  EXPECT_FALSE(panel->IsDirty());
  // A control outside the painted rectangle keeps its dirty flag for the paint that covers it.
  auto* corner = new IPanelControl(nullptr, IRect(36, 16, 40, 20), IColor(255, 9, 9, 9));
  g.AddControl(corner);
  g.Draw(IRect(0, 0, 10, 10));
  EXPECT_TRUE(corner->IsDirty());
  EXPECT_NE(g.GetSurface().At(37, 17), MakePixel(255, 9, 9, 9));
}

TEST(Redraw, TheDirtyRectangleIsTheUnionOfTheDirtyControls) {
  IGraphicsHeadless g(nullptr, 100, 100);
  auto* a = new IPanelControl(nullptr, IRect(0, 0, 10, 10), IColor());
  auto* b = new IPanelControl(nullptr, IRect(20, 5, 30, 15), IColor());
  auto* c = new IPanelControl(nullptr, IRect(50, 50, 60, 60), IColor());
  g.AddControl(a);
  g.AddControl(b);
  g.AddControl(c);
  while (g.Tick()) {
  }
  IRect dirty(1, 2, 3, 4);
  EXPECT_FALSE(g.CollectDirtyRect(dirty));
  EXPECT_TRUE(dirty.Empty());
  a->SetDirty(false);
  b->SetDirty(false);
  EXPECT_TRUE(g.CollectDirtyRect(dirty));
  EXPECT_EQ(dirty, IRect(0, 0, 30, 15));
  EXPECT_TRUE(g.Tick());
  EXPECT_EQ(g.LastPaintedRect(), IRect(0, 0, 30, 15));
  EXPECT_FALSE(g.Tick());
}

TEST(Idle, ThePlugInsIdleRunsOnTheTwentyFirstCleanTick) {
  Instance in;
  // A surface of its own: the plug-in's editor carries the whole panel.
  IGraphicsHeadless g(in.plug.get(), 1152, 440);
  auto* panel = new IPanelControl(in.plug.get(), IRect(0, 0, 10, 10), IColor());
  g.AddControl(panel);
  EXPECT_TRUE(g.Tick());  // draws the new control
  in.plug->idleCalls = 0;
  for (int i = 0; i < 20; ++i) g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 0);
  g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 1);
  for (int i = 0; i < 20; ++i) g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 1);
  g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 2);
  // A dirty tick starts the count again.
  for (int i = 0; i < 10; ++i) g.Tick();
  panel->SetDirty(false);
  EXPECT_TRUE(g.Tick());
  for (int i = 0; i < 20; ++i) g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 2);
  g.Tick();
  EXPECT_EQ(in.plug->idleCalls, 3);
}

TEST(Caches, TwoEditorsOnTwoThreadsShareOneBitmapAndOneFont) {
  ASSERT_TRUE(RegisterPngResource(9101, "rgba8.png"));
  const int bitmapsBefore = IGraphics::CachedBitmapCount();
  const int fontsBefore = IGraphics::CachedFontCount();
  ITextStyle style(13, IColor(255, 0, 0, 0), "Arial");
  style.mOrientation = 0;
  const drawing::Image* images[2] = {};
  drawing::Font* fonts[2] = {};
  auto run = [&](int i) {
    IGraphicsHeadless g(nullptr, 50, 50);
    ITextStyle own = style;
    for (int k = 0; k < 20; ++k) {
      images[i] = g.LoadBitmap(9101, "resources/img/test.png", 1).mData;
      fonts[i] = g.CachedFont(own);
    }
  };
  std::thread first(run, 0), second(run, 1);
  first.join();
  second.join();
  ASSERT_NE(images[0], nullptr);
  EXPECT_EQ(images[0], images[1]);
  EXPECT_EQ(images[0]->width, 3);
  ASSERT_NE(fonts[0], nullptr);
  EXPECT_EQ(fonts[0], fonts[1]);
  EXPECT_EQ(IGraphics::CachedBitmapCount(), bitmapsBefore + 1);
  EXPECT_EQ(IGraphics::CachedFontCount(), fontsBefore + 1);
  // Another orientation is another font; another quality is the same one.
  IGraphicsHeadless g(nullptr, 10, 10);
  ITextStyle turned = style;
  turned.mOrientation = 90;
  EXPECT_NE(g.CachedFont(turned), fonts[0]);
  ITextStyle crisp = style;
  crisp.mQuality = ITextStyle::kQualityNonAntiAliased;
  EXPECT_EQ(g.CachedFont(crisp), fonts[0]);
  // Only PNG names load; missing resources give no picture and nothing is cached for them.
  EXPECT_EQ(g.LoadBitmap(9101, "resources/img/test.bmp").mData, images[0]);  // cached by id
  EXPECT_EQ(g.LoadBitmap(9102, "resources/img/test.bmp").mData, nullptr);
  EXPECT_EQ(g.LoadBitmap(9103, "resources/img/missing.png").mData, nullptr);
  EXPECT_EQ(IGraphics::CachedBitmapCount(), bitmapsBefore + 1);
  ASSERT_TRUE(RegisterPngResource(9104, "damaged.png"));
  const IBitmap damaged = g.LoadBitmap(9104, "resources/img/damaged.png");
  EXPECT_EQ(damaged.mData, nullptr);
  EXPECT_EQ(damaged.W, 0);
  EXPECT_FALSE(g.DrawBitmap(damaged, IRect(0, 0, 5, 5)));
}

TEST(Text, DrawnInTheStylesColourAndPlace) {
  IGraphicsHeadless g(nullptr, 120, 40);
  g.AddControl(new IPanelControl(nullptr, IRect(0, 0, 120, 40), IColor(255, 255, 255, 255)));
  ITextStyle style(14, IColor(255, 0, 0, 255), "Arial", ITextStyle::kStyleNormal, ITextStyle::kAlignFar);
  g.AddControl(new ITextControl(nullptr, IRect(10, 10, 110, 30), style, "Ok"));
  g.Tick();
  int left = 1000, right = -1, top = 1000;
  bool blue = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const drawing::Pixel p = g.GetSurface().At(x, y);
      if (p == MakePixel(255, 255, 255, 255)) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y);
      blue = blue || p == MakePixel(255, 0, 0, 255);
    }
  EXPECT_TRUE(blue);
  EXPECT_GE(right, 105);
  EXPECT_LE(right, 110);
  EXPECT_GT(left, 80);
  EXPECT_GE(top, 10);
  IRect measured(10, 10, 110, 30);
  EXPECT_TRUE(g.MeasureText(style, "Ok", measured));
  EXPECT_EQ(measured.R, 110);
  EXPECT_TRUE(g.DrawText(style, "", IRect(0, 0, 1, 1)));
  ITextStyle nothing = style;
  nothing.mSize = 0;
  EXPECT_FALSE(g.DrawText(nothing, "x", IRect(0, 0, 10, 10)));
}

TEST(Headless, DialogsAreAnsweredFromTheScriptAndRecorded) {
  IGraphicsHeadless g(nullptr, 10, 10);
  // Unscripted message boxes take the answer that changes least.
  EXPECT_EQ(g.ShowMessageBox("a", "b", kMB_OK), kIDOK);
  EXPECT_EQ(g.ShowMessageBox("a", "b", kMB_YESNO), kIDNO);
  EXPECT_EQ(g.ShowMessageBox("a", "b", kMB_YESNOCANCEL | 16), kIDCANCEL);
  g.QueueMessageBoxAnswer(kIDYES);
  EXPECT_EQ(g.AskCommit(12), ProgramDialogs::kAnswerYes);
  EXPECT_EQ(g.Requests().back().text, "PRG 12 has uncommitted changes!\nDo you want to commit the changes?");
  EXPECT_EQ(g.Requests().back().caption, "Uncommitted Changes");
  EXPECT_EQ(g.Requests().back().type, kMB_YESNOCANCEL);
  g.ClearRequests();

  // File and colour dialogs need the window.
  std::string name = "start.syx", folder = "/old/";
  g.QueueFileChoice("/music/banks/one.syx");
  g.ChooseFile(name, kFileOpen, folder, "syx");
  EXPECT_EQ(name, "");
  EXPECT_TRUE(g.Requests().empty());
  IColor colour(10, 1, 2, 3);
  EXPECT_FALSE(g.ChooseColour(colour, "Pick"));
  EXPECT_TRUE(g.OpenWindow(nullptr) != nullptr);
  EXPECT_TRUE(g.IsEditorOpen());
  name = "start.syx";
  g.ChooseFile(name, kFileSave, folder, "syx mid");
  EXPECT_EQ(name, "/music/banks/one.syx");
  EXPECT_EQ(folder, "/music/banks/");
  ASSERT_EQ(g.Requests().size(), 1u);
  EXPECT_EQ(g.Requests()[0].text, "start.syx");
  EXPECT_EQ(g.Requests()[0].caption, "syx mid");
  EXPECT_EQ(g.Requests()[0].type, kFileSave);
  EXPECT_EQ(g.ChooseFile("x", ProgramDialogs::kFileOpen, "/f/", "syx"), "");  // cancelled: no answer
  EXPECT_EQ(folder, "/music/banks/");
  g.QueueColourChoice(IColor(255, 200, 100, 50));
  EXPECT_TRUE(g.ChooseColour(colour, "Pick"));
  EXPECT_EQ(colour, IColor(10, 200, 100, 50));
  g.QueueColourCancel();
  EXPECT_FALSE(g.ChooseColour(colour, "Pick"));

  // Web pages: the confirmation is a Yes/No box; a failure shows the error text.
  g.ClearRequests();
  g.QueueMessageBoxAnswer(kIDNO);
  EXPECT_FALSE(g.OpenWebPage("https://example.org/", "Title", "Go?", "Failed"));
  g.QueueMessageBoxAnswer(kIDYES);
  g.QueueWebPageResult(false);
  EXPECT_FALSE(g.OpenWebPage("https://example.org/", "Title", "Go?", "Failed"));
  EXPECT_TRUE(g.OpenWebPage(std::string("https://example.org/x")));
  ASSERT_EQ(g.Requests().size(), 5u);
  EXPECT_EQ(g.Requests()[0].kind, IGraphicsHeadless::kMessageBox);
  EXPECT_EQ(g.Requests()[2].kind, IGraphicsHeadless::kWebPage);
  EXPECT_EQ(g.Requests()[3].text, "Failed");
  EXPECT_EQ(g.Requests()[4].text, "https://example.org/x");

  std::string clip;
  EXPECT_FALSE(g.ReadClipboardText(clip));
  g.SetClipboardText("hello");
  EXPECT_TRUE(g.ReadClipboardText(clip));
  EXPECT_EQ(clip, "hello");
  std::string folderOut;
  g.PluginFolder(folderOut);
  EXPECT_EQ(folderOut.back(), '/');
  g.HostFolder(folderOut);
  EXPECT_FALSE(folderOut.empty());
  g.CloseWindow();
  EXPECT_FALSE(g.IsWindowOpen());
  EXPECT_EQ(g.PendingAnswers(), 0u);
}

TEST(Headless, PopupMenusChooseThroughSubmenusAndShowPrefixes) {
  IGraphicsHeadless g(nullptr, 10, 10);
  IPopupMenu menu(IPopupMenu::kPrefix2);
  menu.AddItem("Load");
  menu.AddSeparator();
  menu.AddItem("Off", IPopupMenu::kDisabled);
  auto* sub = new IPopupMenu();
  sub->AddItem("C1");
  sub->AddItem("D1", IPopupMenu::kChecked);
  menu.AddSubmenu("Notes", sub);
  g.QueueMenuChoice(std::vector<int>{3, 1});
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect(1, 2, 3, 4)), sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(g.Requests().back().items,
            (std::vector<std::string>{"01: Load", "-", "03: Off (disabled)", "> 04: Notes", "  C1", "  [x] D1"}));
  g.QueueMenuChoice(std::vector<int>{2});  // disabled
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect()), nullptr);
  g.QueueMenuChoice(std::vector<int>{1});  // separator
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect()), nullptr);
  g.QueueMenuChoice(std::vector<int>{9, 9});
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect()), nullptr);
  g.QueueMenuChoice(std::string("C1"));
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect()), sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 0);
  g.QueueMenuChoice(std::string("Load"));
  EXPECT_EQ(g.ShowPopupMenu(&menu, IRect()), &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 0);
  // Showing a menu repaints the whole editor on the next tick.
  g.AddControl(new IPanelControl(nullptr, IRect(0, 0, 2, 2), IColor()));
  g.Tick();
  g.ShowPopupMenu(&menu, IRect());
  EXPECT_TRUE(g.Tick());
  EXPECT_EQ(g.LastPaintedRect(), IRect(0, 0, 10, 10));
}

TEST(Headless, TheSurfaceIsWrittenAsAPng) {
  IGraphicsHeadless g(nullptr, 30, 20);
  g.AddControl(new IPanelControl(nullptr, IRect(0, 0, 30, 20), IColor(255, 10, 20, 30)));
  g.AddControl(new IPanelControl(nullptr, IRect(5, 5, 10, 10), IColor(255, 200, 0, 0)));
  g.Tick();
  const std::string path = ::testing::TempDir() + "/pellory_editor_snapshot.png";
  ASSERT_TRUE(g.WritePng(path));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  drawing::Image image;
  ASSERT_TRUE(drawing::DecodePng(data.data(), data.size(), image));
  EXPECT_EQ(image.width, 30);
  EXPECT_EQ(image.At(0, 0), MakePixel(255, 10, 20, 30));
  EXPECT_EQ(image.At(7, 7), MakePixel(255, 200, 0, 0));
  std::remove(path.c_str());
  EXPECT_FALSE(g.WritePng("/nonexistent-folder/snapshot.png"));
}

}  // namespace
}  // namespace pellory::edtest
