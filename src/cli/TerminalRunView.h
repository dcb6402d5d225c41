#pragma once

#include <chrono>
#include <istream>
#include <ostream>
#include <string>

#include "cli/ConvertOptions.h"
#include "core/convert/ConversionRun.h"

namespace fotoloom {

// The conversion run on a terminal: its status lines on standard output, the count of
// photos written, failed and skipped (existing or no photo), messages and
// questions on standard error ("ask" without a terminal skips, and says so once), and a progress
// bar with the time left when standard error is a terminal.
class TTerminalRunView : public IRunView {
 public:
  TTerminalRunView(std::istream& in, std::ostream& out, std::ostream& err, TOverwritePolicy policy,
                   bool can_ask, bool progress_bar);

  void ShowError(const std::string& text) override;
  void RunStarted(int photo_count) override;
  void StatusLine(const std::string& text) override;
  void PhotoReported(const TPhotoReport& report) override;
  void StepProgress() override;
  TOverwriteAnswer AskOverwrite(const std::string& path) override;
  void ResultAdded(const TListEntry& entry) override;

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
};

}  // namespace fotoloom
