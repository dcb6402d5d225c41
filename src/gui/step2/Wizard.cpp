#include "gui/step2/Wizard.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>

#include "gui/common/HandlerGuard.h"
#include "gui/common/PhotoListModel.h"
#include "gui/step2/SizeProfilePanel.h"
#include "gui/step2/Step2Panel.h"

namespace fotoloom {
namespace {

const QString kRestartCaption = QStringLiteral("Opnieuw beginnen");

}  // namespace

TWizard::TWizard(TWizardParts parts) : QObject(parts.window), m_parts(std::move(parts)) {
  QTabWidget* tabs = m_parts.PageControl1;
  tabs->setTabVisible(tabs->indexOf(m_parts.TabSheet2), false);
  connect(m_parts.btnNext, &QPushButton::clicked, this, &TWizard::btnNextClick);
}

void TWizard::btnNextClick() {
  Guard(m_parts.window, [this] {
    if (m_parts.btnNext->text() == kRestartCaption) {
      Restart();
    } else if (m_parts.Notebook1->currentIndex() == 0) {
      QWidget* tab = m_parts.PageControl1->currentWidget();
      if (tab == m_parts.TabSheet1) NextOnStep1();
      if (tab == m_parts.TabSheet2) NextOnStep2();
    }
  });
}

void TWizard::Restart() {
  if (ShowMessage(m_parts.window, MessageType::Confirmation,
                  QStringLiteral("Wilt u opnieuw beginnen?\n\rUw geselecteerde foto's blijven "
                                 "geselecteerd."),
                  MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  m_parts.results->Clear();
  m_parts.Notebook1->setCurrentIndex(0);
  m_parts.PageControl1->setCurrentWidget(m_parts.TabSheet1);
  m_parts.set_result_commands_enabled(false);
  m_parts.btnNext->setText(QStringLiteral("Ga verder"));
}

void TWizard::NextOnStep1() {
  if (m_parts.selection->Count() == 0) {
    ShowMessage(m_parts.window, MessageType::Confirmation,
                QStringLiteral("Om verder te gaan moet u minimaal 1 foto toevoegen!"),
                MessageButtons::Ok);
    return;
  }
  ShowStep2Tab();
}

void TWizard::ShowStep2Tab() {
  QTabWidget* tabs = m_parts.PageControl1;
  tabs->setTabVisible(tabs->indexOf(m_parts.TabSheet2), true);
  tabs->setCurrentWidget(m_parts.TabSheet2);
}

void TWizard::NextOnStep2() {
  TStep2Panel& step2 = *m_parts.step2;
  TSizeProfilePanel& profiles = step2.Profiles();
  switch (CheckStep2(step2.Values())) {
    case TStep2Outcome::CopyWithoutConverting:
      ShowWithoutConverting();
      return;
    case TStep2Outcome::NoTargetFolder:
      if (ShowMessage(m_parts.window, MessageType::Confirmation,
                      QStringLiteral("U heeft geen doelmap geselecteerd. Wilt u nu een doelmap "
                                     "selecteren?"),
                      MessageButtons::YesNo) == MessageAnswer::Yes) {
        ShowStep2Tab();
        step2.btnSelectExportmapClick();
      }
      return;
    case TStep2Outcome::NoSubfolderName:
      Refuse(MessageType::Error, QStringLiteral("U heeft geen naam submap ingevuld!"),
             step2.ExportFolderField());
      return;
    case TStep2Outcome::NoProfiles:
      if (ShowMessage(m_parts.window, MessageType::Confirmation,
                      QStringLiteral("U kunt niet verkleinen omdat er geen afmetingen aanwezig "
                                     "zijn. Wilt u nu een afmeting aanmaken?"),
                      MessageButtons::YesNo) == MessageAnswer::Yes) {
        ShowStep2Tab();
        profiles.btnProfileNewClick();
      }
      return;
    case TStep2Outcome::NoProfileSelected:
      Refuse(MessageType::Warning, QStringLiteral("U heeft geen soort afmeting geselecteerd!"),
             profiles.ProfileCombo());
      return;
    case TStep2Outcome::NoWidth:
      Refuse(MessageType::Warning,
             QStringLiteral("U heeft geen breedte ingevuld! Vul een 0 in als deze variabel moet "
                            "blijven."),
             profiles.WidthField());
      return;
    case TStep2Outcome::NoHeight:
      Refuse(MessageType::Warning,
             QStringLiteral("U heeft geen hoogte ingevuld! Vul een 0 in als deze variabel moet "
                            "blijven."),
             profiles.HeightField());
      return;
    case TStep2Outcome::NoSize:
      Refuse(MessageType::Warning,
             QStringLiteral("Breedte of hoogte moet minimaal groter zijn dan 0."),
             profiles.WidthField());
      return;
    case TStep2Outcome::NoLogo:
      Refuse(MessageType::Warning,
             QStringLiteral("U heeft geen watermerk/logo geselecteerd.\n\rLet op: Watermerk/logo "
                            "invoegen staat aangevinkt!"),
             step2.LogoField());
      return;
    case TStep2Outcome::NoText:
      Refuse(MessageType::Warning,
             QStringLiteral("U heeft geen tekst ingevuld.\n\rLet op: Tekst invoegen staat "
                            "aangevinkt!"),
             step2.TextField());
      return;
    case TStep2Outcome::ReadyToConfirm:
      break;
  }
  const QString question = QStringLiteral("Wilt u nu alle geselecteerde foto's aanpassen?\n\r") +
                           QStringLiteral("Doelmap: ") + step2.ExportFolderField()->text() +
                           QStringLiteral("\n\r") + QStringLiteral("Aantal foto's: ") +
                           QString::number(m_parts.selection->Count());
  if (ShowMessage(m_parts.window, MessageType::Confirmation, question, MessageButtons::YesNo) ==
      MessageAnswer::Yes) {
    Convert();
  }
}

void TWizard::Refuse(MessageType type, const QString& text, QWidget* focus) {
  ShowMessage(m_parts.window, type, text, MessageButtons::Ok);
  ShowStep2Tab();
  focus->setFocus();
}

// Step 3 lists the photos of the selection list as they are, unchecked; nothing is written.
void TWizard::ShowWithoutConverting() {
  std::vector<TListEntry> entries = m_parts.selection->Entries();
  for (TListEntry& entry : entries) entry.checked = false;
  m_parts.results->SetEntries(std::move(entries), true);
  m_parts.Notebook1->setCurrentIndex(1);
  m_parts.set_busy(false);
  m_parts.btnNext->setText(kRestartCaption);
}

void TWizard::Convert() {
  m_parts.step2->Profiles().StoreSelectedProfile();
  m_parts.step2->StoreToSettings(*m_parts.settings);
  m_parts.save_settings();
  m_parts.Notebook1->setCurrentIndex(1);
  if (m_start_run) m_start_run();
}

}  // namespace fotoloom
