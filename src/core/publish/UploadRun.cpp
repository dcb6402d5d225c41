#include "core/publish/UploadRun.h"

#include <chrono>
#include <thread>

#include "core/net/TextEncoding.h"
#include "core/publish/RemoteClient.h"
#include "core/publish/ScriptPattern.h"
#include "core/publish/ScriptRequest.h"

namespace fotoloom {

const char* const kUploadConnectFailedQuestion =
    "Kan geen verbinding maken met de host. Wilt u nu de FTP gegevens controleren?";
const char* const kUploadCompleted = "Het uploaden van de bestanden is voltooid!";
const char* const kUploadStopped = "Het uploaden van de bestanden is afgebroken!";
const char* const kAllPhotosRegistered = "Alle foto's zijn opgeslagen in de database";

namespace {

constexpr int kScriptWaitMs = 2000;

bool Blank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

TUploadRun::TUploadRun(IUploadView& view, TRunGate& gate, const std::atomic<bool>* abandon)
    : m_view(view), m_gate(gate), m_abandon(abandon) {}

bool TUploadRun::Stopping() const {
  return m_gate.Cancelled() || (m_abandon != nullptr && m_abandon->load());
}

TUploadEnd TUploadRun::Run(const std::vector<TListEntry>& photos,
                           const TUploadSettings& settings) {
  try {
    if (!Upload(photos, settings)) return TUploadEnd::ConnectFailed;
    if (!Blank(settings.script_line)) CallScripts(photos, settings);
    if (!Blank(settings.script) && !m_gate.Cancelled()) {
      const TUploadGroup* group = settings.group;
      m_view.ShowFinishPage(
          group == nullptr ? settings.script
                           : ExpandScriptPattern(
                                 settings.script,
                                 {PercentEncoded(group->code), PercentEncoded(group->description),
                                  PercentEncoded(group->location), PercentEncoded(group->date_text),
                                  group->add_to_group ? "1" : "0"}));
    }
  } catch (const Error& error) {
    m_view.ShowError(error.what());
    return TUploadEnd::Failed;
  }
  const bool stopped = m_gate.Cancelled();
  m_view.ShowInformation(stopped ? kUploadStopped : kUploadCompleted);
  m_view.ClearStatus();
  return stopped ? TUploadEnd::Stopped : TUploadEnd::Completed;
}

bool TUploadRun::Upload(const std::vector<TListEntry>& photos, const TUploadSettings& settings) {
  // Every name the server gets is checked before anything is sent.
  RefuseControlCharacters(settings.account.start_folder, "De startmap");
  if (settings.group != nullptr) RefuseControlCharacters(settings.group->code, "De groepscode");
  for (const TListEntry& photo : photos)
    RefuseControlCharacters(photo.caption, "De bestandsnaam \"" + photo.caption + "\"");
  TRemoteOptions options;
  options.trust_folder = settings.trust_folder;
  options.cancel = m_abandon;
  options.stop = &m_gate.CancelFlag();
  options.trust = [this](const TUnknownServer& server) {
    return m_view.AcceptUnknownServer(server);
  };
  TRemoteClient client(settings.account, options);
  try {
    client.Connect();
  } catch (const Error& error) {
    if (m_gate.Cancelled()) return true;  // stopped while connecting
    m_view.ConnectFailed(error.what());
    return false;
  }
  m_view.StatusLine("Connect to host: " + settings.host_text);
  try {
    client.ChangeFolder(settings.account.start_folder);
    if (settings.group != nullptr && !settings.group->add_to_group) {
      client.MakeFolder(settings.group->code);
      client.ChangeFolder(settings.group->code);
    }
    m_view.StatusLine("Host change dir: " + settings.account.start_folder);
    for (const TListEntry& photo : photos) {
      if (!m_gate.WaitToStart()) break;
      const std::string file = photo.File();
      client.PutFile(file, photo.caption,
                     [this](uint64_t sent, uint64_t total) { m_view.BytesProgress(sent, total); });
      m_view.StepProgress();
      m_view.StatusLine("Upload image: " + file);
    }
  } catch (const Error&) {
    // Broken off by the user's stop: the run ends as stopped, not as failed.
    if (!m_gate.Cancelled()) throw;
  }
  client.Disconnect();
  m_view.StatusLine("Disconnect host " + settings.host_text);
  return true;
}

void TUploadRun::CallScripts(const std::vector<TListEntry>& photos,
                             const TUploadSettings& settings) {
  for (const TListEntry& photo : photos) {
    if (!m_gate.WaitToStart()) return;
    // Each value is encoded on its own: "&", "#", "+" or "%" in a name must not change what
    // the address means.
    const std::string url =
        ExpandScriptPattern(settings.script_line, {PercentEncoded(photo.caption)});
    const auto issued = std::chrono::steady_clock::now();
    CallScript(url, std::chrono::milliseconds(kScriptWaitMs),
               [this] { return Stopping(); });
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - issued);
    Pause(kScriptWaitMs - static_cast<int>(spent.count()));
    m_view.LogLine("Foto in database plaatsen: " + url);
  }
  if (!m_gate.Cancelled()) m_view.LogLine(kAllPhotosRegistered);
}

void TUploadRun::Pause(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!Stopping() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace fotoloom
