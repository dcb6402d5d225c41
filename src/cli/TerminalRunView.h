#pragma once

#include <chrono>
#include <functional>
#include <istream>
#include <mutex>
#include <ostream>
#include <set>
#include <string>

#include "cli/ConvertOptions.h"
#include "core/convert/ConversionRun.h"

namespace fotoloom {

// The conversion run on a terminal: its status lines on standard output, messages and
// questions on standard error ("ask" without a terminal skips, and says so once), and a progress
// bar with the time left when standard error is a terminal.
class TTerminalRunView : public IRunView {
 public:
  TTerminalRunView(std::istream& in, std::ostream& out, std::ostream& err, TOverwritePolicy policy,
                   bool can_ask, bool progress_bar);

  void ShowError(const std::string& text) override;
  void RunStarted(int photo_count) override;
  void StatusLine(const std::string& text) override;
  void StepProgress() override;
  TOverwriteAnswer AskOverwrite(const std::string& question) override;
  void ResultAdded(const TListEntry& entry) override;

  // Photos whose content is no picture: their (empty) output counts as written, with a
  // warning. Called from the worker threads.
  void NoteNotAPicture(const std::string& source);

  int Written() const { return m_written; }
  int Skipped() const { return m_skipped; }
  int Failed() const { return m_failed; }

 private:
  void ClearBar();
  void DrawBar();

  std::istream& m_in;
  std::ostream& m_out;
  std::ostream& m_err;
  TOverwritePolicy m_policy;
  bool m_can_ask;
  bool m_progress_bar;
  int m_total = 0, m_done = 0, m_written = 0, m_skipped = 0, m_failed = 0;
  std::chrono::steady_clock::time_point m_start;
  std::mutex m_mutex;
  std::set<std::string> m_not_pictures;
};

}  // namespace fotoloom
