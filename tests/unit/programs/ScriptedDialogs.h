#pragma once
// The editor services as a script: answers come from queues, and everything the program
// shows or asks is recorded.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "programs/ProgramDialogs.h"

namespace pellory::test {

struct ShownBox {
  std::string text;
  std::string caption;
  int style;
};

struct FileRequest {
  std::string fileName;
  int action;
  std::string folder;
  std::string extensions;
};

class ScriptedDialogs : public ProgramDialogs {
 public:
  std::deque<int> answers;        // message-box buttons, in order
  std::deque<int> commitAnswers;  // AskCommit answers, in order
  std::deque<std::string> files;  // ChooseFile results ("" = cancelled)
  std::vector<ShownBox> shown;
  std::vector<int> commitQuestions;
  std::vector<FileRequest> fileRequests;
  std::vector<std::string> webPages;
  bool editorOpen = false;
  int tapeDialogs = 0;

  int AskCommit(int program) override {
    commitQuestions.push_back(program);
    if (commitAnswers.empty()) {
      ADD_FAILURE() << "unexpected commit question for " << program;
      return kAnswerCancel;
    }
    const int answer = commitAnswers.front();
    commitAnswers.pop_front();
    return answer;
  }

  int ShowMessageBox(const std::string& text, const std::string& caption, int style) override {
    shown.push_back({text, caption, style});
    // A plain message needs no scripted answer.
    if ((style & 0x0F) == kMbOk && (answers.empty() || answers.front() != kResultOk)) return kResultOk;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question \"" << text << "\" / \"" << caption << "\"";
      return kResultCancel;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::string ChooseFile(const std::string& fileName, FileAction action, const std::string& folder,
                         const std::string& extensions) override {
    fileRequests.push_back({fileName, action, folder, extensions});
    if (files.empty()) {
      ADD_FAILURE() << "unexpected file dialog";
      return std::string();
    }
    const std::string file = files.front();
    files.pop_front();
    return file;
  }

  bool OpenWebPage(const std::string& url) override {
    webPages.push_back(url);
    return true;
  }
  bool IsEditorOpen() override { return editorOpen; }
  void ShowTapeDialog() override { ++tapeDialogs; }

  // Texts shown, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : shown) texts.push_back(box.text);
    return texts;
  }
  void Clear() {
    shown.clear();
    commitQuestions.clear();
    fileRequests.clear();
    webPages.clear();
  }
};

}  // namespace pellory::test
