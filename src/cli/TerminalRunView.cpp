#include "cli/TerminalRunView.h"

#include <cstdio>

namespace fotoloom {
namespace {

constexpr char kProgramName[] = "fotoloom-convert: ";

}  // namespace

TTerminalRunView::TTerminalRunView(std::istream& in, std::ostream& out, std::ostream& err,
                                   TOverwritePolicy policy, bool can_ask, bool progress_bar)
    : m_in(in),
      m_out(out),
      m_err(err),
      m_policy(policy),
      m_can_ask(can_ask),
      m_progress_bar(progress_bar) {}

void TTerminalRunView::ShowError(const std::string& text) {
  ClearBar();
  m_err << kProgramName << text << "\n";
  DrawBar();
}

void TTerminalRunView::RunStarted(int photo_count) {
  m_total = photo_count;
  m_start = std::chrono::steady_clock::now();
  DrawBar();
}

void TTerminalRunView::StatusLine(const std::string& text) {
  ClearBar();
  m_out << text << "\n" << std::flush;
  DrawBar();
}

void TTerminalRunView::PhotoReported(const TPhotoReport& report) {
  switch (report.outcome) {
    case TPhotoOutcome::Converted:
      ++m_written;
      break;
    case TPhotoOutcome::Failed:
      ++m_failed;
      break;
    case TPhotoOutcome::SkippedExisting:
    case TPhotoOutcome::NotAPhoto:
      ++m_skipped;
      break;
  }
  const std::string line = PhotoLine(report);
  if (!line.empty()) StatusLine(line);
}

void TTerminalRunView::StepProgress() {
  ++m_done;
  DrawBar();
}

TOverwriteAnswer TTerminalRunView::AskOverwrite(const std::string& path) {
  ClearBar();
  TOverwriteAnswer answer = TOverwriteAnswer::No;
  if (m_policy == TOverwritePolicy::Ask && !m_can_ask) {
    m_err << kProgramName
          << "geen terminal om vragen te beantwoorden: bestaande foto's worden overgeslagen "
             "(--overwrite all overschrijft ze)\n";
    m_policy = TOverwritePolicy::None;
  }
  if (m_policy == TOverwritePolicy::All) {
    answer = TOverwriteAnswer::Yes;
  } else if (m_policy == TOverwritePolicy::None) {
    m_err << kProgramName << "overgeslagen, bestaat al: " << path << "\n";
  } else {
    for (;;) {
      m_err << OverwriteQuestion(path) << " [j/n/a] " << std::flush;
      std::string line;
      if (!std::getline(m_in, line)) {
        answer = TOverwriteAnswer::Cancel;
        m_err << "\n";
        break;
      }
      const char c = line.empty() ? ' ' : static_cast<char>(line[0] | 0x20);
      if (c == 'j') answer = TOverwriteAnswer::Yes;
      if (c == 'n') answer = TOverwriteAnswer::No;
      if (c == 'a') answer = TOverwriteAnswer::Cancel;
      if (c == 'j' || c == 'n' || c == 'a') break;
    }
  }
  DrawBar();
  return answer;
}

void TTerminalRunView::ResultAdded(const TListEntry&) {}

void TTerminalRunView::ClearBar() {
  if (m_progress_bar) m_err << "\r\033[K" << std::flush;
}

void TTerminalRunView::DrawBar() {
  if (!m_progress_bar || m_total == 0) return;
  constexpr int kWidth = 30;
  const int filled = m_done * kWidth / m_total;
  std::string bar = "[";
  bar.append(filled, '#').append(kWidth - filled, '-');
  bar += "] " + std::to_string(m_done) + "/" + std::to_string(m_total);
  if (m_done > 0 && m_done < m_total) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const int left = static_cast<int>(elapsed / m_done * (m_total - m_done) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "  nog %d:%02d", left / 60, left % 60);
    bar += text;
  }
  m_err << bar << std::flush;
}

}  // namespace fotoloom
