#pragma once

#include <QString>
#include <QWidget>

#include "core/convert/RunGate.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace fotoloom {

// The progress window of a conversion or upload run: the current photo, a log of one line
// per photo, a progress bar and the button that stops the run or, once it reads "OK",
// hides the window. While the stop question is open the run's gate is held, so that no
// photo starts behind it (the photos being converted go on); "Ja" cancels the run, which
// also stops the photos being converted, "Nee" lets it go on.
class TFormProgress : public QWidget {
  Q_OBJECT

 public:
  TFormProgress(TRunGate& gate, QWidget* owner);

  void SetMaximum(int maximum);
  void SetPosition(int position);
  void SetStep(int step);
  // Moves the bar on by its step, no further than its maximum.
  void StepIt();

  // Shows the text in the status label and appends it to the log.
  void WriteStatus(const QString& text);
  void AppendLog(const QString& line);
  void SetStatusText(const QString& text);
  void ClearLog();
  void SetButtonCaption(const QString& caption);
  // A line below the bar about the item under way (the bytes of a photo being sent);
  // hidden while empty.
  void SetDetailText(const QString& text);
  // The question "Stoppen" asks; a conversion asks about resizing, an upload about uploading.
  void SetStopQuestion(const QString& question) { m_stop_question = question; }
  // While the run goes on (the button reads "Stoppen"): asks the stop question with the gate
  // held and cancels the run on "Ja". True when the run is stopping.
  bool AskToStop();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void btnCloseClick();

  TRunGate& m_gate;
  QString m_stop_question;
  int m_step = 1;
  QLabel* lblStatus;
  QLabel* lblDetail;
  QProgressBar* ProgressBar1;
  QPlainTextEdit* memoLog;
  QPushButton* btnClose;
};

}  // namespace fotoloom
