#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "core/convert/ConversionRun.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/ChildOutput.h"
#include "support/TempDir.h"
#include "support/TestJpeg.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

// Collects the log lines of a run.
class LogView : public IRunView {
 public:
  std::string log;
  void ShowError(const std::string& text) override { log += "error " + text + "\n"; }
  void RunStarted(int) override {}
  void StatusLine(const std::string& text) override { log += text + "\n"; }
  void PhotoReported(const TPhotoReport& report) override { StatusLine(PhotoLine(report)); }
  void StepProgress() override {}
  TOverwriteAnswer AskOverwrite(const std::string&) override { return TOverwriteAnswer::No; }
  void ResultAdded(const TListEntry&) override {}
};

// Runs `body` in a forked child and returns the text it gives back, or nothing when the child
// has not finished within a minute (then it is killed): a run that waits for ever fails the
// test instead of hanging it.
std::optional<std::string> RunInChild(const std::function<std::string()>& body) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    const std::string text = body();
    for (size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(pipe_ends[1], text.data() + done, text.size() - done);
      if (n <= 0) ::_exit(1);
      done += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  const test::ChildOutput end = test::CollectChildOutput(child, pipe_ends[0]);
  if (!end.ended || !WIFEXITED(end.status) || WEXITSTATUS(end.status) != 0) return std::nullopt;
  return end.text;
}

// Between the list being made and a photo's turn its source is deleted, or swapped for a
// named pipe that no one writes: that photo fails on its own line with the reason, nothing
// waits for the pipe, and the photos after it are converted.
TEST(SourceChangesDuringRunTest, ADeletedSourceAndOneSwappedForAPipeFailAlone) {
  test::TempDir dir;
  const std::string in = dir.File("in/"), out = dir.File("out/");
  fs::create_directory(in);
  TBitmap32 picture(64, 48);
  picture.Fill(MakePixel(200, 120, 40));
  std::vector<TListEntry> photos;
  for (const char* name : {"a.jpg", "gone.jpg", "pipe.jpg", "d.jpg"}) {
    test::WriteFileBytes(in + name, EncodeJpeg(picture, 90));
    TListEntry entry;
    entry.folder = in;
    entry.caption = name;
    photos.push_back(entry);
  }
  TRunSettings settings;
  settings.width_text = "32";
  settings.folder_field = out;
  settings.jobs = 1;

  const std::optional<std::string> log = RunInChild([&] {
    // The changes are made as the first photo starts: the one worker converts the others
    // only after it.
    bool changed = false;
    auto engine = [&](const TConvertJob& job) {
      if (!changed) {
        changed = true;
        fs::remove(in + "gone.jpg");
        fs::remove(in + "pipe.jpg");
        if (::mkfifo((in + "pipe.jpg").c_str(), 0644) != 0) return;
      }
      ConvertWithEngine(job);
    };
    LogView view;
    TRunGate gate;
    TConversionRun(view, gate, engine).Run(photos, settings);
    return view.log;
  });
  ASSERT_TRUE(log.has_value()) << "the run did not finish";
  EXPECT_EQ(*log, "Bezig met foto 1 van 4: " + in + "a.jpg\n" +
                      "Fout opgetreden met foto: " + in + "gone.jpg (Cannot open file \"" + in +
                      "gone.jpg\". No such file or directory)\n" +
                      "Fout opgetreden met foto: " + in + "pipe.jpg (Cannot open file \"" + in +
                      "pipe.jpg\". Not a regular file)\n" +
                      "Bezig met foto 4 van 4: " + in + "d.jpg\n" + "Converteren is voltooid!\n");
  EXPECT_TRUE(fs::is_fifo(in + "pipe.jpg"));
  for (const char* name : {"a.jpg", "d.jpg"}) {
    EXPECT_TRUE(test::DecodesWhole(test::ReadFileBytes(out + name))) << name;
  }
  // A source that cannot be opened leaves its output untouched.
  EXPECT_FALSE(fs::exists(out + "gone.jpg"));
  EXPECT_FALSE(fs::exists(out + "pipe.jpg"));
}

}  // namespace
}  // namespace fotoloom
