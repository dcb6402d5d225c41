#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/convert/RunGate.h"
#include "core/lists/ListEntry.h"
#include "core/publish/RemoteAccount.h"

namespace fotoloom {

extern const char* const kUploadConnectFailedQuestion;
extern const char* const kUploadCompleted;
extern const char* const kUploadStopped;
extern const char* const kAllPhotosRegistered;

// The photo group of an upload in the custom mode, as the user confirmed it.
struct TUploadGroup {
  std::string code, description, location;
  std::string date_text;  // the event date in the system's short date format
  bool add_to_group = false;
};

struct TUploadSettings {
  TRemoteAccount account;
  std::string host_text;    // the setting "Host" as the status lines show it
  std::string script_line;  // the per-photo script pattern
  std::string script;       // the finish-script address, or its pattern with a group
  const TUploadGroup* group = nullptr;  // the custom mode's group; none outside it
  std::string trust_folder;  // accepted certificates and host keys
};

// Everything the run shows or asks, called from the thread that runs it, in the order the
// user sees it.
class IUploadView {
 public:
  virtual ~IUploadView() = default;
  virtual void StatusLine(const std::string& text) = 0;  // the label and a log line
  virtual void LogLine(const std::string& text) = 0;     // a log line only
  virtual void StepProgress() = 0;                       // one photo sent
  // Bytes of the photo being sent.
  virtual void BytesProgress(uint64_t sent, uint64_t total) = 0;
  // The connection or the login failed: the question kUploadConnectFailedQuestion (Yes
  // opens the FTP settings). `reason` says why.
  virtual void ConnectFailed(const std::string& reason) = 0;
  virtual void ShowError(const std::string& text) = 0;  // the general error display
  virtual bool AcceptUnknownServer(const TUnknownServer& server) = 0;
  // Shows the finish script's page until the user closes it.
  virtual void ShowFinishPage(const std::string& url) = 0;
  virtual void ShowInformation(const std::string& text) = 0;  // a closing message, OK only
  virtual void ClearStatus() = 0;
};

enum class TUploadEnd { ConnectFailed, Failed, Stopped, Completed };

// Sends the photos it is given to the server under their own names,
// into the start folder or, for a new group, into a new folder named after its code; then
// calls the per-photo script for each photo, waiting 2 s after each call, and shows the
// finish script's page. Every value put into a script address is percent-encoded first.
// Every photo and every script call passes `gate` first; a cancelled gate ends the run
// there: the connection being made or the photo being sent is broken off within a second
// (its partial file removed from the server), and the connection is closed properly. Any
// other failure after the connection ends the run with the error shown; files sent before
// it stay on the server. Names with a control character end the run before anything is
// sent.
class TUploadRun {
 public:
  // `abandon`, when set from any thread, breaks off the network work under way at once (the
  // program is closing); the run then ends as failed.
  TUploadRun(IUploadView& view, TRunGate& gate, const std::atomic<bool>* abandon = nullptr);
  TUploadEnd Run(const std::vector<TListEntry>& photos, const TUploadSettings& settings);

 private:
  bool Upload(const std::vector<TListEntry>& photos, const TUploadSettings& settings);
  void CallScripts(const std::vector<TListEntry>& photos, const TUploadSettings& settings);
  // Waits up to `milliseconds` unless the gate is cancelled meanwhile.
  void Pause(int milliseconds);

  bool Stopping() const;

  IUploadView& m_view;
  TRunGate& m_gate;
  const std::atomic<bool>* m_abandon;
};

}  // namespace fotoloom
