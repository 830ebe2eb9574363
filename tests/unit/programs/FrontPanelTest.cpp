// The front panel as a player works it: keypad, step keys, displays, lamps and the commit
// question, on a whole instance.
#include <gtest/gtest.h>

#include "ScriptedDialogs.h"
#include "TestSupport.h"
#include "programs/ParameterTable.h"

namespace pellory {
namespace {

using test::Instance;
using test::ScriptedDialogs;

constexpr int kBlankBoth = 170;
int Shown(int tens, int units) { return tens << 4 | units; }

int Value(Instance& s, int id) { return static_cast<int>(s.plug->GetParameter(id)->Value()); }

// Digit keys: 'n' is 0, 'e'..'m' are 1..9.
int Key(int digit) { return digit == 0 ? 'n' : 'e' + digit - 1; }

void Type(Instance& s, int first, int second) {
  s.plug->PressPanelButton(Key(first));
  s.plug->PressPanelButton(Key(second));
}

struct Panel : ::testing::Test {
  Instance s;
  ScriptedDialogs dialogs;
  void SetUp() override { s.plug->SetProgramDialogs(&dialogs); }
};

TEST_F(Panel, ProgramEntryTypesTwoDigitNumbers) {
  ASSERT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelProgramEntry);
  s.plug->PressPanelButton(Key(8));
  EXPECT_EQ(s.plug->PendingDigit(), 8);
  EXPECT_EQ(s.plug->PanelDisplay('R'), Shown(8, 10));  // 8 then blank
  s.plug->PressPanelButton(Key(0));
  EXPECT_EQ(s.plug->CurrentProgram(), 80);
  EXPECT_EQ(s.plug->PendingDigit(), -1);
  EXPECT_EQ(s.plug->PanelDisplay('Q'), Shown(8, 0));

  Type(s, 0, 7);
  EXPECT_EQ(s.plug->LowerProgram(), 7);
  s.plug->SetParameterAndNotify(kKeyboardMode, kSingle);
  Type(s, 1, 2);
  EXPECT_EQ(s.plug->CurrentProgram(), 12);
  EXPECT_EQ(s.plug->PanelDisplay('R'), Shown(1, 2));
  EXPECT_EQ(s.plug->PanelDisplay('Q'), kBlankBoth);  // only a Combi shows its number
  EXPECT_EQ(s.plug->PanelDisplay('S'), kBlankBoth);  // Single has no upper program
  Type(s, 0, 0);
  EXPECT_EQ(s.plug->CurrentProgram(), 1);
  EXPECT_EQ(s.plug->PanelDisplay('R'), Shown(10, 1));
  Type(s, 9, 9);
  EXPECT_EQ(s.plug->CurrentProgram(), 99);
  Type(s, 7, 6);
  EXPECT_EQ(s.plug->CurrentProgram(), 76);
  // Any other key drops a pending digit.
  s.plug->PressPanelButton(Key(3));
  s.plug->PressPanelButton('W');
  s.plug->PressPanelButton('W');
  EXPECT_EQ(s.plug->PendingDigit(), -1);
}

TEST_F(Panel, StepKeysMoveTheLowerAndUpperProgramWithinRange) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(s.plug->CurrentProgram(), 6);
  s.plug->PressPanelButton('c');
  s.plug->PressPanelButton('c');
  EXPECT_EQ(s.plug->CurrentProgram(), 4);
  s.plug->SetParameterAndNotify(kProgramNumber, 75);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(s.plug->LowerProgram(), 75);
  s.plug->SetParameterAndNotify(kProgramNumber, 1);
  s.plug->PressPanelButton('c');
  EXPECT_EQ(s.plug->LowerProgram(), 1);

  // Upper-program entry exists only with two layers.
  s.plug->PressPanelButton('b');
  EXPECT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelProgramEntry);
  s.plug->PressPanelButton('^');
  ASSERT_EQ(s.plug->KeyboardModeValue(), kSplit);
  s.plug->PressPanelButton('b');
  ASSERT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelUpperEntry);
  EXPECT_TRUE(s.plug->PanelLamp('b'));
  s.plug->PressPanelButton(Key(1));
  EXPECT_EQ(s.plug->PanelDisplay('S'), Shown(1, 10));
  s.plug->PressPanelButton(Key(2));
  EXPECT_EQ(s.plug->UpperProgram(), 12);
  EXPECT_EQ(s.plug->PanelDisplay('S'), Shown(1, 2));
  Type(s, 8, 0);  // a Combi number is no upper program
  EXPECT_EQ(s.plug->UpperProgram(), 12);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(s.plug->UpperProgram(), 13);
  EXPECT_EQ(s.plug->LowerProgram(), 1);
}

TEST_F(Panel, ParameterEntrySelectsOctaveOptionsAndSteps) {
  s.plug->SetParameterAndNotify(kDco1Octave, 2);  // 8'
  s.plug->PressPanelButton('`');
  EXPECT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelParameterEntry);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 0);
  EXPECT_EQ(s.plug->PanelDisplay('Q'), kBlankBoth);
  s.plug->PressPanelButton(Key(2));
  EXPECT_EQ(s.plug->PanelDisplay('Q'), Shown(2, 10));
  s.plug->PressPanelButton(Key(5));
  EXPECT_EQ(s.plug->PanelParameterNumber(), 25);
  EXPECT_EQ(s.plug->SelectedParameter(), kDco1Octave);
  EXPECT_EQ(s.plug->PanelDisplay('Q'), Shown(2, 5));
  EXPECT_EQ(s.plug->PanelDisplay('P'), Shown(10, 0));  // 16' is not the current octave
  s.plug->PressPanelButton('d');
  EXPECT_EQ(Value(s, kDco1Octave), 1);  // 16'
  EXPECT_EQ(s.plug->PanelDisplay('P'), Shown(10, 1));
  EXPECT_EQ(s.plug->PanelParameterNumber(), 25);
  s.plug->PressPanelButton('d');  // stays on this number's option
  EXPECT_EQ(Value(s, kDco1Octave), 1);
  s.plug->PressPanelButton('c');
  EXPECT_EQ(Value(s, kDco1Octave), 0);  // 32'
  EXPECT_EQ(s.plug->PanelDisplay('P'), Shown(10, 0));

  // Waveform numbers: 2 is LFO 1 "Saw Up"; stepping down turns the LFO off.
  Type(s, 0, 2);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(Value(s, kLfo1Waveform), 2);
  EXPECT_EQ(s.plug->PanelValue(2), 1);
  EXPECT_EQ(s.plug->PanelValue(3), 0);
  s.plug->PressPanelButton('c');
  EXPECT_EQ(Value(s, kLfo1Waveform), 0);

  // Plain values step by one and stop at their range.
  Type(s, 0, 9);  // LFO 1 Rate
  s.plug->SetParameterAndNotify(6, 25);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(Value(s, 6), 26);
  EXPECT_EQ(s.plug->PanelDisplay('P'), Shown(2, 6));
  s.plug->SetParameterAndNotify(6, 0);
  s.plug->PressPanelButton('c');
  EXPECT_EQ(Value(s, 6), 0);
  EXPECT_EQ(s.plug->PanelValue(68), -1);
}

TEST_F(Panel, PanelNumbersFollowTheKeyboardMode) {
  s.plug->PressPanelButton('`');
  Type(s, 6, 5);  // 64..67 need two layers
  EXPECT_EQ(s.plug->PanelParameterNumber(), 0);
  s.plug->PressPanelButton('^');
  s.plug->PressPanelButton('`');
  Type(s, 6, 5);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 65);
  EXPECT_EQ(s.plug->SelectedParameter(), kUpperTranspose);
  Type(s, 1, 0);  // voice numbers are not reachable in Split
  EXPECT_EQ(s.plug->PanelParameterNumber(), 0);
  Type(s, 9, 9);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 0);

  // Outside parameter entry a Combi falls back to 64 ("Split Point").
  s.plug->SetParameterAndNotify(kProgramNumber, 76);
  s.plug->SetParameterAndNotify(kKeyboardMode, kSplit);
  s.plug->PressPanelButton('a');
  EXPECT_EQ(s.plug->PanelParameterNumber(), 64);
  s.plug->SetParameterAndNotify(6, 30);  // a voice setting: not a Split number
  EXPECT_EQ(s.plug->PanelParameterNumber(), 64);
  s.plug->SetParameterAndNotify(kSplitPoint, 30);
  EXPECT_EQ(s.plug->PanelDisplay('P'), Shown(3, 0));

  // In Single a voice setting shows its number.
  s.plug->SetParameterAndNotify(kProgramNumber, 10);
  ASSERT_EQ(s.plug->KeyboardModeValue(), kSingle);
  s.plug->SetParameterAndNotify(6, 31);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 9);
  EXPECT_EQ(s.plug->PanelDisplay('P'), kBlankBoth);  // program entry in Single shows no value
}

TEST_F(Panel, ClickOnALabelEntersParameterEntry) {
  s.plug->PressPanelButton(Key(4));
  s.plug->SelectPanelParameter(11);
  EXPECT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelParameterEntry);
  EXPECT_EQ(s.plug->PendingDigit(), -1);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 11);
  EXPECT_EQ(s.plug->SelectedParameter(), 8);
  // In edit-backup mode the entry mode stays.
  s.plug->PressPanelButton('V');
  ASSERT_TRUE(s.plug->EditBackupMode());
  s.plug->SelectPanelParameter(12);
  EXPECT_EQ(s.plug->PanelEntryMode(), Pellory::kPanelNoEntry);
  EXPECT_EQ(s.plug->PanelParameterNumber(), 12);
}

TEST_F(Panel, ModeKeysViewsAndLamps) {
  EXPECT_TRUE(s.plug->PanelLamp('a'));
  EXPECT_TRUE(s.plug->PanelLamp('Y'));
  s.plug->PressPanelButton('X');
  EXPECT_EQ(s.plug->EditorView(), 3);
  EXPECT_TRUE(s.plug->PanelLamp('X'));
  s.plug->PressPanelButton(']');
  EXPECT_EQ(s.plug->EditorView(), 2);
  EXPECT_TRUE(s.plug->PanelLamp(']'));
  EXPECT_FALSE(s.plug->PanelLamp('X'));
  s.plug->PressPanelButton(']');
  EXPECT_EQ(s.plug->EditorView(), 1);
  s.plug->PressPanelButton('Z');
  EXPECT_TRUE(s.plug->PanelLamp('Z'));
  EXPECT_FALSE(s.plug->PanelLamp('Y'));

  s.plug->PressPanelButton('_');
  EXPECT_EQ(s.plug->KeyboardModeValue(), kDouble);
  EXPECT_TRUE(s.plug->PanelLamp('_'));
  s.plug->PressPanelButton('^');
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSplit);
  EXPECT_TRUE(s.plug->PanelLamp('^'));
  s.plug->PressPanelButton('^');
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSingle);

  const int routing = Value(s, 1);
  s.plug->PressPanelButton(1);  // a switch code toggles its parameter
  EXPECT_EQ(Value(s, 1), 1 - routing);
  EXPECT_EQ(s.plug->PanelLamp(1), Value(s, 1) == 1);
  s.plug->PressPanelButton('O');
  EXPECT_TRUE(s.plug->MixerLink());
  EXPECT_TRUE(s.plug->PanelLamp('O'));

  // Edit-backup mode locks the keyboard mode and the entry keys.
  s.plug->PressPanelButton('V');
  EXPECT_TRUE(s.plug->PanelLamp('V'));
  s.plug->PressPanelButton('^');
  s.plug->PressPanelButton('`');
  EXPECT_EQ(s.plug->KeyboardModeValue(), kSingle);
  EXPECT_FALSE(s.plug->PanelLamp('`'));
  s.plug->PressPanelButton('V');
  s.plug->PressPanelButton('W');
  EXPECT_TRUE(s.plug->PanelLamp('W'));
  EXPECT_TRUE(s.plug->EditorRefreshPending());
}

TEST_F(Panel, KeypadAsksToCommitBeforeLeavingAnEditedProgram) {
  s.plug->SetParameterAndNotify(kProgramNumber, 5);
  const int edited = Value(s, 6) == 10 ? 11 : 10;
  s.plug->SetParameterAndNotify(6, edited);
  ASSERT_TRUE(s.plug->HasUncommittedChanges(5));

  dialogs.commitAnswers = {ProgramDialogs::kAnswerCancel};
  s.plug->PressPanelButton(Key(1));
  EXPECT_EQ(dialogs.commitQuestions, std::vector<int>{5});
  EXPECT_EQ(s.plug->PendingDigit(), -1);  // the key was dropped
  EXPECT_EQ(Value(s, 6), edited);

  dialogs.commitAnswers = {ProgramDialogs::kAnswerNo};
  s.plug->PressPanelButton(Key(1));
  EXPECT_EQ(Value(s, 6), s.plug->GetParameter(6)->Value());
  EXPECT_FALSE(s.plug->HasUncommittedChanges(5));  // reverted
  s.plug->PressPanelButton(Key(2));                // the second digit asks nothing
  EXPECT_EQ(s.plug->CurrentProgram(), 12);
  EXPECT_EQ(dialogs.commitQuestions.size(), 2u);

  s.plug->SetParameterAndNotify(6, edited);
  dialogs.commitAnswers = {ProgramDialogs::kAnswerYes};
  s.plug->PressPanelButton('d');
  EXPECT_EQ(s.plug->CurrentProgram(), 13);
  EXPECT_EQ(DecodePrgRecord(s.plug->Programs().Record(12))[6], edited);  // committed

  // Never asked: with "Don't Ask To Commit", in edit-backup mode, outside program entry.
  s.plug->SetParameterAndNotify(6, edited == 10 ? 20 : 10);
  dialogs.Clear();
  s.plug->dontAskToCommit = true;
  s.plug->AskPanelCommit('d');
  s.plug->dontAskToCommit = false;
  s.plug->PressPanelButton('`');
  s.plug->AskPanelCommit('d');
  s.plug->AskPanelCommit(Key(3));
  EXPECT_TRUE(dialogs.commitQuestions.empty());
  // Without an editor nobody is asked and the key goes through.
  s.plug->PressPanelButton('a');
  s.plug->SetProgramDialogs(nullptr);
  s.plug->PressPanelButton('d');
  EXPECT_EQ(s.plug->CurrentProgram(), 14);
}

}  // namespace
}  // namespace pellory
