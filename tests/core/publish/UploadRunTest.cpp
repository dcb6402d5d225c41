#include "core/publish/UploadRun.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "support/LoopbackServers.h"
#include "core/lists/ListEntry.h"
#include "core/publish/ScriptRequest.h"
#include "support/TempDir.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Records what the run shows; `on_event` may act on a line (the user pressing "Stoppen").
class RecordingView : public IUploadView {
 public:
  Lines events;
  std::function<void(const std::string&)> on_event;
  std::function<void(uint64_t sent, uint64_t total)> on_bytes;
  bool accept_servers = true;
  std::string finish_page;  // the text of the finish page, fetched as the window would

  void StatusLine(const std::string& text) override { Add("status " + text); }
  void LogLine(const std::string& text) override { Add("log " + text); }
  void StepProgress() override { Add("step"); }
  void BytesProgress(uint64_t sent, uint64_t total) override {
    if (on_bytes) on_bytes(sent, total);
    if (sent == total) Add("bytes " + std::to_string(total));
  }
  void ConnectFailed(const std::string&) override { Add("question connect"); }
  void ShowError(const std::string& text) override { Add("error " + text); }
  bool AcceptUnknownServer(const TUnknownServer& server) override {
    Add(std::string("trust ") + (server.host_key ? "key" : "certificate"));
    return accept_servers;
  }
  void ShowFinishPage(const std::string& url) override {
    Add("finish " + url);
    finish_page = FetchPage(url);
  }
  void ShowInformation(const std::string& text) override { Add("message " + text); }
  void ClearStatus() override { Add("clear"); }

  Lines Starting(const std::string& prefix) const {
    Lines found;
    for (const std::string& line : events)
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    return found;
  }

 private:
  void Add(const std::string& line) {
    // Bytes reports may repeat; one per photo is what the tests look at.
    if (line.rfind("bytes ", 0) == 0 && !events.empty() && events.back() == line) return;
    events.push_back(line);
    if (on_event) on_event(line);
  }
};

// Bytes of every value, so that a text-mode transfer or a cut-off shows.
std::vector<uint8_t> PhotoBytes(size_t size, int seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + seed + i / 251);
  bytes[0] = '\r';
  bytes[1] = '\n';
  return bytes;
}

class UploadRunTest : public ::testing::Test {
 protected:
  test::TempDir server_dir;
  test::TempDir photos_dir;
  test::TempDir trust;
  RecordingView view;
  TRunGate gate;

  // Photos of 120 kB each in a local folder, the second one checked as in step 3.
  std::vector<TListEntry> Photos(const Lines& names) {
    std::vector<TListEntry> entries;
    for (size_t i = 0; i < names.size(); ++i) {
      test::WriteFileBytes(photos_dir.File(names[i]), PhotoBytes(120000, static_cast<int>(i)));
      TListEntry entry;
      entry.caption = names[i];
      entry.folder = photos_dir.Path() + "/";
      entry.checked = i == 1;
      entries.push_back(entry);
    }
    return entries;
  }

  TUploadSettings Settings(int port, const std::string& start_folder,
                           TRemoteProtocol protocol = TRemoteProtocol::Ftp) {
    TUploadSettings settings;
    settings.account = {protocol, "127.0.0.1", port, test::FtpServer::kUser,
                        test::FtpServer::kPassword, start_folder, false};
    settings.host_text = "127.0.0.1:" + std::to_string(port);
    settings.trust_folder = trust.Path();
    return settings;
  }

  void ExpectSent(const std::string& folder, const std::vector<TListEntry>& photos) {
    for (size_t i = 0; i < photos.size(); ++i)
      EXPECT_EQ(test::ReadFileBytes(folder + photos[i].caption),
                PhotoBytes(120000, static_cast<int>(i)))
          << photos[i].caption;
  }
};

TEST_F(UploadRunTest, SendsEveryPhotoCheckedOrNotWithTheStatusLinesInOrder) {
  test::FtpServer server(server_dir.Path());
  fs::create_directories(server.Root() + "www/fotos");
  const auto photos = Photos({"a.jpg", "b.jpg", "c.jpg"});
  const TUploadSettings settings = Settings(server.Port(), "www/fotos");

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Completed);

  const std::string host = settings.host_text;
  const Lines expected = {"status Connect to host: " + host,
                          "status Host change dir: www/fotos",
                          "bytes 120000",
                          "step",
                          "status Upload image: " + photos[0].File(),
                          "bytes 120000",
                          "step",
                          "status Upload image: " + photos[1].File(),
                          "bytes 120000",
                          "step",
                          "status Upload image: " + photos[2].File(),
                          "status Disconnect host " + host,
                          "message Het uploaden van de bestanden is voltooid!",
                          "clear"};
  EXPECT_EQ(view.events, expected);
  ExpectSent(server.Root() + "www/fotos/", photos);
  const Lines commands = server.Commands();
  const auto binary = std::find(commands.begin(), commands.end(), "TYPE I");
  EXPECT_LT(binary, std::find(commands.begin(), commands.end(), "STOR a.jpg"));
  EXPECT_EQ(commands.back(), "QUIT");
}

TEST_F(UploadRunTest, AnEmptyStartFolderIsStillSent) {
  test::FtpServer server(server_dir.Path());
  const auto photos = Photos({"a.jpg"});
  EXPECT_EQ(TUploadRun(view, gate).Run(photos, Settings(server.Port(), "")),
            TUploadEnd::Completed);
  const Lines commands = server.Commands();
  const auto cwd = std::find(commands.begin(), commands.end(), "CWD ");
  ASSERT_NE(cwd, commands.end());
  EXPECT_LT(cwd, std::find(commands.begin(), commands.end(), "STOR a.jpg"));
  ExpectSent(server.Root(), photos);
}

TEST_F(UploadRunTest, ARefusedLoginAsksToCheckTheSettingsAndLogsNothing) {
  test::FtpServer server(server_dir.Path());
  TUploadSettings settings = Settings(server.Port(), "");
  settings.account.password = "fout";
  EXPECT_EQ(TUploadRun(view, gate).Run(Photos({"a.jpg"}), settings), TUploadEnd::ConnectFailed);
  EXPECT_EQ(view.events, Lines{"question connect"});
}

TEST_F(UploadRunTest, LineBreaksInNamesEndTheRunBeforeAnythingIsSent) {
  test::FtpServer server(server_dir.Path());
  fs::create_directories(server.Root() + "www");
  test::WriteFileBytes(server.Root() + "www/index.html", {'x'});
  struct Case {
    const char* start_folder;
    const char* group_code;
    const char* photo;
    const char* field;
  };
  const Case cases[] = {
      {"www\r\nDELE index.html", "G1", "a.jpg", "De startmap"},
      {"www", "G1\r\nRMD /www", "a.jpg", "De groepscode"},
      {"www", "G1", "a.jpg\r\nDELE index.html", "De bestandsnaam"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    view.events.clear();
    TUploadGroup group{c.group_code, "Feest", "Urk", "7-6-2026", false};
    TUploadSettings settings = Settings(server.Port(), c.start_folder);
    settings.group = &group;
    EXPECT_EQ(TUploadRun(view, gate).Run(Photos({c.photo}), settings), TUploadEnd::Failed);
    ASSERT_EQ(view.events.size(), 1u);
    EXPECT_EQ(view.events[0].rfind(std::string("error ") + c.field, 0), 0u) << view.events[0];
  }
  EXPECT_EQ(server.Commands(), Lines{});
  EXPECT_TRUE(fs::exists(server.Root() + "www/index.html"));
}

TEST_F(UploadRunTest, ANewGroupGetsItsOwnFolderAndAnExistingOneEndsTheRunBeforeAnyPhoto) {
  test::FtpServer server(server_dir.Path());
  test::HttpServer web(server_dir.Path());
  fs::create_directories(server.Root() + "www/G1");
  const auto photos = Photos({"a.jpg", "b.jpg"});
  TUploadGroup group{"G1", "Zomer & feest", "Urk", "07-06-2026", false};
  TUploadSettings settings = Settings(server.Port(), "www");
  settings.group = &group;
  settings.script = web.Url("/klaar.php?c=%s&o=%s&l=%s&d=%s&g=%s");

  // The folder of the code exists: MKD is refused with the server's reply.
  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Failed);
  EXPECT_EQ(view.events, (Lines{"status Connect to host: " + settings.host_text,
                                "error De server " + settings.host_text +
                                    " heeft de opdracht geweigerd. (550 File exists.)"}));
  EXPECT_TRUE(view.Starting("step").empty());
  EXPECT_TRUE(fs::is_empty(server.Root() + "www/G1"));

  // A new code: MKD and CWD into it, the photos go there, the finish page gets the group.
  group.code = "G2";
  view.events.clear();
  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Completed);
  ExpectSent(server.Root() + "www/G2/", photos);
  EXPECT_EQ(view.Starting("status Host change dir: "), Lines{"status Host change dir: www"});
  // Every group value is encoded on its own: the "&" stays inside the description.
  const std::string address = "/klaar.php?c=G2&o=Zomer%20%26%20feest&l=Urk&d=07-06-2026&g=0";
  EXPECT_EQ(view.Starting("finish "), Lines{"finish " + web.Url(address)});
  EXPECT_NE(view.finish_page.find("Klaar: " + address), std::string::npos) << view.finish_page;

  // Adding to an existing group: the photos go into the start folder itself.
  group.add_to_group = true;
  view.events.clear();
  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Completed);
  ExpectSent(server.Root() + "www/", photos);
  EXPECT_EQ(view.Starting("finish ").at(0).substr(view.Starting("finish ").at(0).size() - 3),
            "g=1");
  const Lines commands = server.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "MKD G2"), 1);
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "CWD G2"), 1);
}

TEST_F(UploadRunTest, CallsTheScriptOncePerPhotoInListOrderThenTheFinishScript) {
  test::FtpServer server(server_dir.Path());
  test::HttpServer web(server_dir.Path());
  // "&" would split the query, "#" cut it off as a fragment, "+" and "%" be misread.
  const auto photos = Photos({"Tom & Jerry #3.jpg", "50%+caf\xC3\xA9 1.jpg"});
  TUploadSettings settings = Settings(server.Port(), "");
  settings.script_line = web.Url("/add.php?naam=%s&x=%%41");
  settings.script = web.Url("/klaar.php?a=%s");  // outside the custom mode: as it stands

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Completed);

  const std::string first = "/add.php?naam=Tom%20%26%20Jerry%20%233.jpg&x=%41";
  const std::string second = "/add.php?naam=50%25%2Bcaf%C3%A9%201.jpg&x=%41";
  EXPECT_EQ(web.Requests(), (Lines{first, second, "/klaar.php?a=%s"}));
  const auto disconnect = std::find(view.events.begin(), view.events.end(),
                                    "status Disconnect host " + settings.host_text);
  ASSERT_NE(disconnect, view.events.end());
  EXPECT_EQ(Lines(disconnect + 1, view.events.end()),
            (Lines{"log Foto in database plaatsen: " + web.Url(first),
                   "log Foto in database plaatsen: " + web.Url(second),
                   "log Alle foto's zijn opgeslagen in de database",
                   "finish " + web.Url("/klaar.php?a=%s"),
                   "message Het uploaden van de bestanden is voltooid!", "clear"}));
}

TEST_F(UploadRunTest, ASinglePercentSignEndsTheRunOnceThePhotosAreSent) {
  test::FtpServer server(server_dir.Path());
  test::HttpServer web(server_dir.Path());
  const auto photos = Photos({"a.jpg", "b.jpg"});
  TUploadSettings settings = Settings(server.Port(), "");
  settings.script_line = web.Url("/add.php?naam=mijn%20%s");
  settings.script = web.Url("/klaar.php");

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Failed);
  ExpectSent(server.Root(), photos);
  EXPECT_EQ(view.events.back(),
            "error Format '" + settings.script_line + "' invalid or incompatible with argument");
  EXPECT_TRUE(web.Requests().empty());
  EXPECT_TRUE(view.Starting("message ").empty());
}

TEST_F(UploadRunTest, StopDuringPhotoTwoBreaksItOffRemovesItAndCallsNoScript) {
  test::FtpServer server(server_dir.Path());
  test::HttpServer web(server_dir.Path());
  auto photos = Photos({"a.jpg", "b.jpg", "c.jpg"});
  // Large enough for progress to be reported before its end.
  test::WriteFileBytes(photos[1].File(), PhotoBytes(8000000, 1));
  fs::create_directories(server.Root() + "www");
  TUploadSettings settings = Settings(server.Port(), "www");
  settings.script_line = web.Url("/add.php?naam=%s");
  settings.script = web.Url("/klaar.php");
  view.on_bytes = [&](uint64_t sent, uint64_t total) {
    if (total == 8000000 && sent > 0 && sent < total) gate.Cancel();  // pressed during photo 2
  };

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Stopped);

  EXPECT_EQ(test::ReadFileBytes(server.Root() + "www/a.jpg"), PhotoBytes(120000, 0));
  EXPECT_FALSE(fs::exists(server.Root() + "www/b.jpg"));
  EXPECT_FALSE(fs::exists(server.Root() + "www/c.jpg"));
  EXPECT_EQ(view.Starting("status Upload image: ").size(), 1u);
  EXPECT_EQ(Lines(view.events.end() - 3, view.events.end()),
            (Lines{"status Disconnect host " + settings.host_text,
                   "message Het uploaden van de bestanden is afgebroken!", "clear"}));
  const Lines commands = server.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "DELE b.jpg"), commands.end());
  EXPECT_EQ(commands.back(), "QUIT");
  EXPECT_TRUE(web.Requests().empty());
}

// A server that takes the connection and never greets.
class SilentListener {
 public:
  SilentListener() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_fd, 4) != 0 ||
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("no listening socket");
    m_port = ntohs(address.sin_port);
  }
  ~SilentListener() { close(m_fd); }
  int Port() const { return m_port; }

 private:
  int m_fd = socket(AF_INET, SOCK_STREAM, 0);
  int m_port = 0;
};

TEST_F(UploadRunTest, StopWhileTheServerDoesNotGreetEndsTheRunAsStopped) {
  const SilentListener server;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    gate.Cancel();
  });
  const TUploadEnd end = TUploadRun(view, gate).Run(Photos({"a.jpg"}), Settings(server.Port(), ""));
  stopper.join();
  EXPECT_EQ(end, TUploadEnd::Stopped);
  EXPECT_EQ(view.events, (Lines{"message Het uploaden van de bestanden is afgebroken!", "clear"}));
}

TEST_F(UploadRunTest, StopDuringTheScriptCallsSkipsTheRestAndTheFinishScript) {
  test::FtpServer server(server_dir.Path());
  test::HttpServer web(server_dir.Path());
  const auto photos = Photos({"a.jpg", "b.jpg", "c.jpg"});
  TUploadSettings settings = Settings(server.Port(), "");
  settings.script_line = web.Url("/add.php?naam=%s");
  settings.script = web.Url("/klaar.php");
  view.on_event = [&](const std::string& line) {
    if (line.rfind("log Foto in database plaatsen: ", 0) == 0) gate.Cancel();
  };

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Stopped);

  EXPECT_EQ(web.Requests(), Lines{"/add.php?naam=a.jpg"});
  EXPECT_TRUE(view.Starting("log Alle").empty());
  EXPECT_TRUE(view.Starting("finish").empty());
  EXPECT_EQ(view.events.at(view.events.size() - 2),
            "message Het uploaden van de bestanden is afgebroken!");
}

TEST_F(UploadRunTest, ADroppedConnectionEndsTheRunAndKeepsWhatWasSent) {
  test::FtpServer server(server_dir.Path(), false, 50000);
  test::HttpServer web(server_dir.Path());
  const auto photos = Photos({"a.jpg", "b-drop.jpg", "c.jpg"});
  TUploadSettings settings = Settings(server.Port(), "");
  settings.script_line = web.Url("/add.php?naam=%s");

  EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Failed);

  EXPECT_EQ(test::ReadFileBytes(server.Root() + "a.jpg"), PhotoBytes(120000, 0));
  // The part of the photo that arrived is removed again.
  EXPECT_FALSE(fs::exists(server.Root() + "b-drop.jpg"));
  EXPECT_FALSE(fs::exists(server.Root() + "c.jpg"));
  const Lines commands = server.Commands();
  EXPECT_NE(std::find(commands.begin(), commands.end(), "DELE b-drop.jpg"), commands.end());
  ASSERT_FALSE(view.events.empty());
  EXPECT_EQ(view.events.back().rfind(
                "error De verbinding met " + settings.host_text + " is onderbroken. (", 0),
            0u)
      << view.events.back();
  EXPECT_EQ(view.Starting("step").size(), 1u);
  EXPECT_TRUE(view.Starting("message").empty());
  EXPECT_TRUE(web.Requests().empty());
}

TEST_F(UploadRunTest, FtpesWithDefaultSettingsAndSftpUploadsArriveByteForByte) {
  const auto photos = Photos({"a.jpg", "b.jpg"});
  // The default (active) first, then passive chosen: both go through passive data
  // connections under TLS.
  for (const bool passive : {false, true}) {
    SCOPED_TRACE(passive ? "FTPES, passive" : "FTPES, default");
    view.events.clear();
    test::TempDir folder;
    test::MakeCertificate(folder.Path());
    test::VsftpdServer server(folder.Path());
    fs::create_directories(server.Root() + "fotos");
    TUploadSettings settings = Settings(server.Port(), "fotos", TRemoteProtocol::Ftpes);
    settings.account.username = test::VsftpdServer::kUser;
    if (!passive) ASSERT_FALSE(settings.account.passive);  // the default
    settings.account.passive = passive;
    EXPECT_EQ(TUploadRun(view, gate).Run(photos, settings), TUploadEnd::Completed)
        << view.events.back();
    ExpectSent(server.Root() + "fotos/", photos);
    EXPECT_EQ(view.events.front(), "trust certificate");
    const Lines commands = server.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "PROT P"), commands.end());
    EXPECT_NE(std::find(commands.begin(), commands.end(), "STOR b.jpg"), commands.end());
  }
  {
    SCOPED_TRACE("SFTP");
    view.events.clear();
    test::TempDir sftp_dir;
    test::SftpServer server(sftp_dir.Path());
    const std::string remote = sftp_dir.Path() + "/site/";
    fs::create_directories(remote);
    TUploadSettings settings = Settings(server.Port(), remote, TRemoteProtocol::Sftp);
    settings.account.username = test::SftpServer::User();
    // The key pair made for the server stands in for the user's own key in ~/.ssh.
    const char* home = std::getenv("HOME");
    const std::string saved_home = home != nullptr ? home : "";
    fs::create_directories(sftp_dir.Path() + "/home/.ssh");
    fs::copy_file(server.ClientKey(), sftp_dir.Path() + "/home/.ssh/id_rsa");
    setenv("HOME", (sftp_dir.Path() + "/home").c_str(), 1);
    const TUploadEnd end = TUploadRun(view, gate).Run(photos, settings);
    setenv("HOME", saved_home.c_str(), 1);
    EXPECT_EQ(end, TUploadEnd::Completed);
    ExpectSent(remote, photos);
    EXPECT_EQ(view.events.front(), "trust key");
  }
}

TEST_F(UploadRunTest, AnUntrustedCertificateIsAConnectFailure) {
  test::MakeCertificate(server_dir.Path());
  test::FtpServer server(server_dir.Path(), true);
  view.accept_servers = false;
  EXPECT_EQ(TUploadRun(view, gate).Run(Photos({"a.jpg"}),
                                       Settings(server.Port(), "", TRemoteProtocol::Ftpes)),
            TUploadEnd::ConnectFailed);
  EXPECT_EQ(view.events, (Lines{"trust certificate", "question connect"}));
  EXPECT_FALSE(fs::exists(server.Root() + "a.jpg"));
}

}  // namespace
}  // namespace fotoloom
