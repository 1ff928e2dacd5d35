// Stands in for the program's dialogs in tests without a display: records every notice, question
// and fatal box, and answers from scripts in which the last answer repeats (questions No and bad
// sectors Skip unless told otherwise). Tests read what was recorded after their workers joined.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "prompts/UserPrompts.h"

namespace test_support {

class RecordingPrompts final : public UserPrompts {
 public:
  explicit RecordingPrompts(std::deque<int> badSectorAnswers = {1},
                            std::deque<int> questionAnswers = {2})
      : m_BadSectorAnswers(std::move(badSectorAnswers)),
        m_QuestionAnswers(std::move(questionAnswers)) {}

  void ViewMsgBox(std::string_view text) override { notices.emplace_back(text); }
  int ViewQuestionMsg(std::string_view text) override {
    questions.emplace_back(text);
    return Next(m_QuestionAnswers);
  }
  int AskBadSector() override {
    ++badSectorQuestions;
    return Next(m_BadSectorAnswers);
  }
  void FatalBox(std::string_view caption, std::string_view text) override {
    fatal.emplace_back(caption, text);
  }

  void AnswerBadSectors(int answer) { m_BadSectorAnswers = {answer}; }
  void AnswerQuestions(int answer) { m_QuestionAnswers = {answer}; }

  std::vector<std::string> notices;
  std::vector<std::string> questions;
  std::vector<std::pair<std::string, std::string>> fatal;
  int badSectorQuestions = 0;

 private:
  static int Next(std::deque<int>& script) {
    const int answer = script.front();
    if (script.size() > 1) script.pop_front();
    return answer;
  }

  std::deque<int> m_BadSectorAnswers;
  std::deque<int> m_QuestionAnswers;
};

// Installs prompts for the lifetime of the object and restores the headless default after.
class ScopedPrompts {
 public:
  explicit ScopedPrompts(UserPrompts& prompts) { SetUserPrompts(&prompts); }
  ~ScopedPrompts() { SetUserPrompts(nullptr); }
  ScopedPrompts(const ScopedPrompts&) = delete;
  ScopedPrompts& operator=(const ScopedPrompts&) = delete;
};

}  // namespace test_support
