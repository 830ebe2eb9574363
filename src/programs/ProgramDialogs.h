#pragma once

namespace pellory {

// The questions program handling may put to the user. The editor installs its own
// implementation (message boxes); without an editor the defaults answer as if nobody was
// asked: uncommitted changes are neither committed nor reverted, the action goes on.
class ProgramDialogs {
 public:
  enum Answer { kAnswerYes = 0, kAnswerNo = 1, kAnswerCancel = 2, kNotAsked = 3 };
  virtual ~ProgramDialogs() = default;
  // "PRG %i has uncommitted changes!\nDo you want to commit the changes?" / "Uncommitted
  // Changes", Yes/No/Cancel. The default asks nobody and answers kNotAsked.
  virtual int AskCommit(int program) { return kNotAsked; }
};

}  // namespace pellory
