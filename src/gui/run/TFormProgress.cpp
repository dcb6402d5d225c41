#include "gui/run/TFormProgress.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/common/FormHeader.h"
#include "gui/common/HandlerGuard.h"
#include "gui/common/Messages.h"
#include "gui/common/WindowPlacement.h"

namespace fotoloom {
namespace {

const QString kStopCaption = QStringLiteral("Stoppen");

}  // namespace

TFormProgress::TFormProgress(TRunGate& gate, QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_gate(gate),
      m_stop_question(QStringLiteral("Weet u zeker dat u nu wilt stoppen met resizen?")) {
  setObjectName(QStringLiteral("FormProgress"));
  setWindowTitle(QStringLiteral("Voortgang"));

  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  lblStatus->setWordWrap(true);
  lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblStatus->setFixedHeight(2 * lblStatus->fontMetrics().lineSpacing());
  lblDetail = new QLabel(this);
  lblDetail->setObjectName(QStringLiteral("lblDetail"));
  lblDetail->hide();
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  memoLog = new QPlainTextEdit(this);
  memoLog->setObjectName(QStringLiteral("memoLog"));
  memoLog->setReadOnly(true);
  memoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
  memoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  btnClose = new QPushButton(kStopCaption, this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  connect(btnClose, &QPushButton::clicked, this, &TFormProgress::btnCloseClick);

  auto* button_row = new QHBoxLayout;
  button_row->addStretch();
  button_row->addWidget(btnClose);
  auto* body = new QVBoxLayout;
  body->setContentsMargins(10, 8, 10, 10);
  body->setSpacing(6);
  body->addWidget(lblStatus);
  body->addWidget(ProgressBar1);
  body->addWidget(lblDetail);
  body->addWidget(memoLog, 1);
  body->addLayout(button_row);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(new FormHeader(this));
  column->addLayout(body, 1);

  setFixedSize(589, 350);
  CentreOnScreen(this);
}

void TFormProgress::SetDetailText(const QString& text) {
  lblDetail->setText(text);
  lblDetail->setVisible(!text.isEmpty());
}

void TFormProgress::SetMaximum(int maximum) {
  ProgressBar1->setMaximum(maximum);
}

void TFormProgress::SetPosition(int position) {
  ProgressBar1->setValue(position);
}

void TFormProgress::SetStep(int step) {
  m_step = step;
}

void TFormProgress::StepIt() {
  ProgressBar1->setValue(std::min(ProgressBar1->value() + m_step, ProgressBar1->maximum()));
}

void TFormProgress::WriteStatus(const QString& text) {
  SetStatusText(text);
  AppendLog(text);
}

void TFormProgress::AppendLog(const QString& line) {
  memoLog->appendPlainText(line);
}

void TFormProgress::SetStatusText(const QString& text) {
  lblStatus->setText(text);
}

void TFormProgress::ClearLog() {
  memoLog->clear();
}

void TFormProgress::SetButtonCaption(const QString& caption) {
  btnClose->setText(caption);
}

void TFormProgress::btnCloseClick() {
  Guard(this, [this] {
    if (btnClose->text() != kStopCaption) {
      hide();
      return;
    }
    AskToStop();
  });
}

bool TFormProgress::AskToStop() {
  if (btnClose->text() != kStopCaption) return m_gate.Cancelled();
  m_gate.Hold();
  bool stop = false;
  try {
    stop = ShowMessage(this, MessageType::Warning, m_stop_question, MessageButtons::YesNo) ==
           MessageAnswer::Yes;
  } catch (...) {
    m_gate.Resume();  // a failed question must not leave the run waiting for ever
    throw;
  }
  if (!stop) {
    m_gate.Resume();
    return false;
  }
  m_gate.Cancel();
  btnClose->setText(QStringLiteral("OK"));
  return true;
}

void TFormProgress::closeEvent(QCloseEvent* event) {
  // The window has no close button, but the window manager can still close it (Alt+F4).
  // While the button reads "Stoppen" that would hide the only way to stop the run, so it asks
  // the stop question instead. Once the main window is gone the program is ending: just close.
  const QWidget* owner = parentWidget();
  if (btnClose->text() != kStopCaption || !owner || !owner->isVisible()) {
    QWidget::closeEvent(event);
    return;
  }
  event->ignore();
  btnCloseClick();
}

}  // namespace fotoloom
