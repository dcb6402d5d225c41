#include "core/convert/ConversionRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "core/base/Error.h"
#include "core/imaging/PictureMemory.h"
#include "core/imaging/codecs/ImageInfo.h"
#include "core/imaging/codecs/JpegWriter.h"
#include "support/MemoryLimit.h"
#include "support/TempDir.h"
#include "support/TestPhotoFormats.h"

namespace fotoloom {
namespace {

namespace fs = std::filesystem;

// Records every call as a line; answers overwrite questions from a script.
class RecordingView : public IRunView {
 public:
  std::vector<std::string> events;
  std::vector<TListEntry> results;
  std::vector<TOverwriteAnswer> answers;
  std::thread::id thread = std::this_thread::get_id();
  bool other_thread = false;

  void ShowError(const std::string& text) override { Add("error " + text); }
  void RunStarted(int count) override { Add("started " + std::to_string(count)); }
  void StatusLine(const std::string& text) override { Add("status " + text); }
  void PhotoReported(const TPhotoReport& report) override {
    const std::string line = PhotoLine(report);
    if (!line.empty()) Add("status " + line);
  }
  void StepProgress() override { Add("step"); }
  TOverwriteAnswer AskOverwrite(const std::string& path) override {
    Add("ask " + OverwriteQuestion(path));
    const TOverwriteAnswer answer = answers.empty() ? TOverwriteAnswer::No : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return answer;
  }
  void ResultAdded(const TListEntry& entry) override {
    Add("result " + entry.File());
    results.push_back(entry);
  }

 private:
  void Add(std::string line) {
    other_thread |= std::this_thread::get_id() != thread;
    events.push_back(std::move(line));
  }
};

class ConversionRunTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  TRunGate gate;

  std::string Folder(const std::string& name) {
    fs::create_directories(dir.File(name));
    return dir.File(name) + "/";
  }
  TListEntry Photo(const std::string& folder, const std::string& name, bool damaged = false) {
    if (damaged) {
      test::WriteFileBytes(folder + name, {'B', 'M'});
    } else {
      TBitmap32 picture(40, 30);
      picture.Fill(MakePixel(90, 160, 30));
      test::WriteFileBytes(folder + name, EncodeJpeg(picture, 90));
    }
    TListEntry entry;
    entry.folder = folder;
    entry.caption = name;
    return entry;
  }
  TRunSettings Settings(const std::string& target) {
    TRunSettings settings;
    settings.width_text = "20";
    settings.height_text = "0";
    settings.folder_field = target;
    return settings;
  }
};

TEST_F(ConversionRunTest, ThreePhotosTheSecondExistingAndAnsweredNo) {
  const std::string in = Folder("in"), out = Folder("out");
  const std::vector<TListEntry> photos = {Photo(in, "a.jpg"), Photo(in, "b.jpg"),
                                          Photo(in, "c.jpg")};
  test::WriteFileBytes(out + "b.jpg", {'o', 'l', 'd'});
  RecordingView view;
  view.answers = {TOverwriteAnswer::No};
  const TRunResult result = TConversionRun(view, gate).Run(photos, Settings(dir.File("out")));
  const std::vector<std::string> expected = {
      "started 3",
      "result " + out + "a.jpg",
      "status Bezig met foto 1 van 3: " + in + "a.jpg",
      "step",
      "ask Foto bestaat al! ( " + out + "b.jpg ) Wilt u alles overschrijven?",
      "step",
      "result " + out + "c.jpg",
      "status Bezig met foto 3 van 3: " + in + "c.jpg",
      "step",
      "status Converteren is voltooid!",
  };
  EXPECT_EQ(view.events, expected);
  EXPECT_EQ(test::ReadFileBytes(out + "b.jpg"), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(result.end, TRunEnd::Completed);
  EXPECT_EQ(result.target_folder, out);
  EXPECT_EQ(view.results.size(), 2u);
  EXPECT_FALSE(view.other_thread);
}

TEST_F(ConversionRunTest, YesOverwritesEverythingAfterAndCancelStopsAtOnce) {
  const std::string in = Folder("in"), out = Folder("out");
  const std::vector<TListEntry> photos = {Photo(in, "a.jpg"), Photo(in, "b.jpg"),
                                          Photo(in, "c.jpg")};
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) test::WriteFileBytes(out + name, {'x'});

  RecordingView yes;
  yes.answers = {TOverwriteAnswer::Yes};
  TConversionRun(yes, gate).Run(photos, Settings(dir.File("out")));
  EXPECT_EQ(std::count_if(yes.events.begin(), yes.events.end(),
                          [](const std::string& e) { return e.rfind("ask", 0) == 0; }),
            1);
  EXPECT_GT(fs::file_size(out + "c.jpg"), 1u);

  // Cancel at photo 2 of 3: photo 1 stays listed, the bar stands at 1.
  RecordingView stop;
  stop.answers = {TOverwriteAnswer::Cancel};
  std::vector<TListEntry> more = photos;
  more[0] = Photo(in, "new.jpg");
  const TRunResult result = TConversionRun(stop, gate).Run(more, Settings(dir.File("out")));
  // The first question comes at photo 2 (photo 1 is new): answered Cancel.
  const std::vector<std::string> expected = {
      "started 3",
      "result " + out + "new.jpg",
      "status Bezig met foto 1 van 3: " + in + "new.jpg",
      "step",
      "ask Foto bestaat al! ( " + out + "b.jpg ) Wilt u alles overschrijven?",
      "status Converteren is geannuleerd!",
  };
  EXPECT_EQ(stop.events, expected);
  EXPECT_EQ(result.end, TRunEnd::Cancelled);
  EXPECT_TRUE(gate.Cancelled());
}

TEST_F(ConversionRunTest, GeneratedNamesCountOnPastAFailingPhoto) {
  const std::string in = Folder("in"), out = Folder("out");
  const std::vector<TListEntry> photos = {Photo(in, "a.jpg"), Photo(in, "b.bmp", true),
                                          Photo(in, "IMG_1.GIF"), Photo(in, "d.jpeg")};
  TRunSettings settings = Settings(dir.File("out"));
  settings.naming = TNamingMode::Generate;
  settings.naming_fields.prefix = "foto";
  settings.naming_fields.increment = 5;
  RecordingView view;
  TConversionRun(view, gate).Run(photos, settings);
  ASSERT_EQ(view.results.size(), 3u);
  EXPECT_EQ(view.results[0].caption, "foto5.jpg");
  EXPECT_EQ(view.results[1].caption, "foto7.jpg");
  EXPECT_EQ(view.results[2].caption, "foto8.jpg");
  EXPECT_NE(
      std::find(view.events.begin(), view.events.end(),
                "status Fout opgetreden met foto: " + in + "b.bmp (Bitmap image is not valid)"),
      view.events.end());
  // With the names kept, IMG_1.GIF is written as IMG_1.jpg.
  settings.naming = TNamingMode::Same;
  RecordingView same;
  TConversionRun(same, gate).Run({photos[2]}, settings);
  ASSERT_EQ(same.results.size(), 1u);
  EXPECT_EQ(same.results[0].File(), out + "IMG_1.jpg");
}

TEST_F(ConversionRunTest, SubFoldersOfEachPhotoAndTheSourceItselfAsOutput) {
  const std::string one = Folder("one"), two = Folder("two");
  TRunSettings settings = Settings("klein");
  settings.target_mode = TTargetMode::SubFolder;
  RecordingView view;
  const TRunResult result =
      TConversionRun(view, gate).Run({Photo(one, "a.jpg"), Photo(two, "b.jpg")}, settings);
  EXPECT_TRUE(fs::exists(one + "klein/a.jpg"));
  EXPECT_TRUE(fs::exists(two + "klein/b.jpg"));
  EXPECT_EQ(result.target_folder, two + "klein/");

  // Same folder, same names: the output is the source itself. Yes is refused by the engine,
  // the photo is logged as failed and stays intact.
  settings.target_mode = TTargetMode::SameFolder;
  const std::vector<uint8_t> original = test::ReadFileBytes(one + "a.jpg");
  RecordingView same;
  same.answers = {TOverwriteAnswer::Yes};
  TConversionRun(same, gate).Run({TListEntry{"a.jpg", "", one, "", false}}, settings);
  EXPECT_EQ(same.events[2].rfind(
                "status Fout opgetreden met foto: " + one + "a.jpg (Cannot create file", 0),
            0u)
      << same.events[2];
  EXPECT_EQ(test::ReadFileBytes(one + "a.jpg"), original);
}

TEST_F(ConversionRunTest, ATargetFolderThatCannotBeMadeEndsTheRunBeforeAnyPhoto) {
  test::WriteFileBytes(dir.File("file"), {'x'});
  RecordingView view;
  const TRunResult result =
      TConversionRun(view, gate)
          .Run({Photo(Folder("in"), "a.jpg")}, Settings(dir.File("file/sub")));
  EXPECT_EQ(view.events, std::vector<std::string>{std::string("error ") + kTargetFolderError});
  EXPECT_EQ(result.end, TRunEnd::TargetFolderFailed);
}

// A fake engine whose photos finish in an order the test chooses.
TEST_F(ConversionRunTest, WorkersFinishingOutOfOrderAreReportedInListOrder) {
  const std::string in = Folder("in");
  std::vector<TListEntry> photos;
  for (int i = 0; i < 6; ++i) photos.push_back(Photo(in, "p" + std::to_string(i) + ".jpg"));
  auto engine = [](const TConvertJob& job) {
    // The first photo of each pair takes longest.
    const bool slow =
        job.source.find("p0") != std::string::npos || job.source.find("p2") != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(slow ? 60 : 1));
    if (job.source.find("p3") != std::string::npos) throw Error("kapot");
    test::WriteFileBytes(job.dest, {'j'});
  };
  TRunSettings settings = Settings(dir.File("out"));
  RecordingView pooled, single;
  settings.jobs = 3;
  TConversionRun(pooled, gate, engine).Run(photos, settings);
  fs::remove_all(dir.File("out"));
  settings.jobs = 1;
  TConversionRun(single, gate, engine).Run(photos, settings);
  EXPECT_EQ(pooled.events, single.events);
  EXPECT_FALSE(pooled.other_thread);
}

// Each photo writes the next one's source: a chain through a run far longer than the photos
// the run keeps in flight. Every photo still waits for the one before it, so the last output
// holds the first source with one mark per photo.
TEST_F(ConversionRunTest, ALongChainOfPhotosReadingEarlierOutputsWaitsAllAlongIt) {
  const std::string in = Folder("in");
  std::vector<TListEntry> photos;
  for (int i = 1; i <= 12; ++i) {
    const std::string name = "p" + std::to_string(i) + ".jpg";
    test::WriteFileBytes(in + name, {static_cast<uint8_t>('A' + i - 1)});
    photos.push_back({name, "", in, "", false});
  }
  auto engine = [](const TConvertJob& job) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(job.source);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    bytes.push_back('+');
    test::WriteFileBytes(job.dest, bytes);
  };
  TRunSettings settings = Settings(in);
  settings.naming = TNamingMode::Generate;
  settings.naming_fields.prefix = "p";
  settings.naming_fields.increment = 2;
  settings.jobs = 3;
  RecordingView view;
  view.answers = {TOverwriteAnswer::Yes};
  TConversionRun(view, gate, engine).Run(photos, settings);
  EXPECT_EQ(view.results.size(), 12u);
  EXPECT_EQ(test::ReadFileBytes(in + "p13.jpg"), std::vector<uint8_t>({'A', '+', '+', '+', '+', '+',
                                                                        '+', '+', '+', '+', '+',
                                                                        '+', '+'}));
}

TEST_F(ConversionRunTest, TheRealEngineOnAPoolGivesTheSameRunAsOneWorker) {
  const std::string in = Folder("in");
  std::vector<TListEntry> photos;
  for (int i = 0; i < 7; ++i) photos.push_back(Photo(in, "p" + std::to_string(i) + ".jpg", i == 4));
  TRunSettings settings = Settings(dir.File("out"));
  settings.naming = TNamingMode::Generate;
  RecordingView pooled, single;
  settings.jobs = 3;
  TConversionRun(pooled, gate).Run(photos, settings);
  fs::remove_all(dir.File("out"));
  settings.jobs = 1;
  TConversionRun(single, gate).Run(photos, settings);
  EXPECT_EQ(pooled.events, single.events);
}

TEST_F(ConversionRunTest, AfterTheStopButtonNoNewPhotoStartsButRunningOnesAreListed) {
  const std::string in = Folder("in");
  std::vector<TListEntry> photos;
  for (int i = 0; i < 8; ++i) photos.push_back(Photo(in, "p" + std::to_string(i) + ".jpg"));
  std::mutex started_mutex;
  std::vector<std::string> started;
  auto engine = [&](const TConvertJob& job) {
    {
      const std::lock_guard lock(started_mutex);
      started.push_back(job.source);
    }
    if (job.source.find("p1.jpg") != std::string::npos) gate.Cancel();  // the stop button
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    test::WriteFileBytes(job.dest, {'j'});
  };
  TRunSettings settings = Settings(dir.File("out"));
  settings.jobs = 2;
  RecordingView view;
  const TRunResult result = TConversionRun(view, gate, engine).Run(photos, settings);
  EXPECT_EQ(result.end, TRunEnd::Cancelled);
  // Every photo that started was listed, and none started long after the stop.
  EXPECT_EQ(view.results.size(), started.size());
  EXPECT_LE(started.size(), 3u);
  EXPECT_EQ(view.events.back(), "status Converteren is geannuleerd!");
}

// The stop reaches into the photo being converted: the real engine ends it, and that is no
// failure. The photo has no line and is not listed, the copy it was to overwrite stays as it
// was, and the run ends as a stop does.
TEST_F(ConversionRunTest, AStopEndsThePhotoBeingConvertedAndKeepsTheCopyItWasToOverwrite) {
  const std::string in = Folder("in"), out = Folder("out");
  const std::vector<TListEntry> photos = {Photo(in, "a.jpg"), Photo(in, "b.jpg"),
                                          Photo(in, "c.jpg")};
  test::WriteFileBytes(out + "b.jpg", {'o', 'u', 'd'});
  auto engine = [&](const TConvertJob& job) {
    if (job.source == in + "b.jpg") gate.Cancel();  // the user stops while b converts
    ConvertWithEngine(job);
  };
  RecordingView view;
  view.answers = {TOverwriteAnswer::Yes};
  const TRunResult result = TConversionRun(view, gate, engine).Run(photos, Settings(out));
  const std::vector<std::string> expected = {
      "started 3",
      "result " + out + "a.jpg",
      "status Bezig met foto 1 van 3: " + in + "a.jpg",
      "step",
      "ask Foto bestaat al! ( " + out + "b.jpg ) Wilt u alles overschrijven?",
      "status Converteren is geannuleerd!",
  };
  EXPECT_EQ(view.events, expected);
  EXPECT_EQ(result.end, TRunEnd::Cancelled);
  EXPECT_EQ(view.results.size(), 1u);
  EXPECT_EQ(test::ReadFileBytes(out + "b.jpg"), (std::vector<uint8_t>{'o', 'u', 'd'}));
  EXPECT_FALSE(fs::exists(out + "c.jpg"));
}

// The progress window's stop question: the gate is held while it is open, then resumed
// ("Nee") or cancelled ("Ja"). A slow fake engine plays the question from inside a photo.
TEST_F(ConversionRunTest, AHeldGateStartsNoPhotoAndACancelledOneNoneAfterTheAnswer) {
  const std::string in = Folder("in");
  std::vector<TListEntry> photos;
  for (int i = 0; i < 10; ++i) photos.push_back(Photo(in, "p" + std::to_string(i) + ".jpg"));
  std::mutex mutex;
  std::vector<std::string> started;
  size_t started_at_answer = 0;
  auto count = [&] {
    const std::lock_guard lock(mutex);
    return started.size();
  };
  auto engine = [&](const TConvertJob& job) {
    {
      const std::lock_guard lock(mutex);
      started.push_back(job.source);
    }
    auto is = [&](const char* name) { return job.source.find(name) != std::string::npos; };
    if (is("p1.jpg") || is("p5.jpg")) {
      gate.Hold();  // the question opens
      const size_t before = count();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the other worker is free
      EXPECT_EQ(count(), before) << "a photo started behind the open question";
      if (is("p1.jpg")) {
        gate.Resume();  // "Nee"
      } else {
        started_at_answer = count();
        gate.Cancel();  // "Ja"
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    test::WriteFileBytes(job.dest, {'j'});
  };
  TRunSettings settings = Settings(dir.File("out"));
  settings.jobs = 2;
  RecordingView view;
  const TRunResult result = TConversionRun(view, gate, engine).Run(photos, settings);
  EXPECT_EQ(result.end, TRunEnd::Cancelled);
  EXPECT_EQ(started.size(), started_at_answer);  // nothing started after "Ja"
  EXPECT_GE(started.size(), 6u);                 // "Nee" let the run go on
  EXPECT_EQ(view.results.size(), started.size());
}

// New names into the folder that holds the selected photos: photo 1 overwrites foto1.jpg,
// which is photo 2's source. Photo 2 must read the finished output, as in a one-worker run,
// not the file while photo 1 writes it.
TEST_F(ConversionRunTest, APhotoWhoseSourceAnEarlierPhotoWritesWaitsForIt) {
  const std::string folder = Folder("album");
  TBitmap32 big(4000, 3000);
  for (int y = 0; y < big.Height(); ++y) {
    for (int x = 0; x < big.Width(); ++x) big.Row(y)[x] = MakePixel(x & 255, y & 255, 90);
  }
  test::WriteFileBytes(folder + "big.jpg", EncodeJpeg(big, 90));
  const std::vector<TListEntry> photos = {Photo(folder, "big.jpg"), Photo(folder, "foto1.jpg")};
  const std::vector<uint8_t> second = test::ReadFileBytes(folder + "foto1.jpg");
  TRunSettings settings = Settings(dir.File("album"));
  settings.naming = TNamingMode::Generate;
  settings.naming_fields.prefix = "foto";
  settings.naming_fields.increment = 1;

  auto run = [&](int jobs) {
    test::WriteFileBytes(folder + "foto1.jpg", second);
    fs::remove(folder + "foto2.jpg");
    RecordingView view;
    view.answers = {TOverwriteAnswer::Yes};
    settings.jobs = jobs;
    TConversionRun(view, gate).Run(photos, settings);
    return std::make_pair(view.events, test::ReadFileBytes(folder + "foto2.jpg"));
  };
  const auto single = run(1);
  ASSERT_GT(single.second.size(), 100u);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto pooled = run(2);
    EXPECT_EQ(pooled.first, single.first);
    EXPECT_EQ(pooled.second, single.second);
  }
}

// A text file named kapot.jpg: the engine leaves an empty output without an error; the run
// says the file is no photo, removes the output it made and lists nothing for it.
TEST_F(ConversionRunTest, AFileThatIsNoPhotoIsSkippedAndItsEmptyOutputRemoved) {
  const std::string in = Folder("in"), out = Folder("out");
  test::WriteFileBytes(in + "kapot.jpg", {'g', 'e', 'e', 'n', ' ', 'f', 'o', 't', 'o'});
  TListEntry not_a_photo{"kapot.jpg", "", in, "", false};
  const std::vector<TListEntry> photos = {Photo(in, "a.jpg"), not_a_photo, Photo(in, "c.jpg")};
  for (const int jobs : {1, 3}) {
    SCOPED_TRACE(jobs);
    fs::remove_all(out);
    TRunSettings settings = Settings(out);
    settings.jobs = jobs;
    RecordingView view;
    TConversionRun(view, gate).Run(photos, settings);
    const std::vector<std::string> expected = {
        "started 3",
        "result " + out + "a.jpg",
        "status Bezig met foto 1 van 3: " + in + "a.jpg",
        "step",
        "status Geen foto, overgeslagen: " + in + "kapot.jpg",
        "step",
        "result " + out + "c.jpg",
        "status Bezig met foto 3 van 3: " + in + "c.jpg",
        "step",
        "status Converteren is voltooid!",
    };
    EXPECT_EQ(view.events, expected);
    EXPECT_EQ(view.results.size(), 2u);
    EXPECT_FALSE(fs::exists(out + "kapot.jpg"));
  }
  // A file that was there before the run is never removed.
  test::WriteFileBytes(out + "kapot.jpg", {'o', 'u', 'd'});
  RecordingView view;
  view.answers = {TOverwriteAnswer::Yes};
  TConversionRun(view, gate).Run({not_a_photo}, Settings(out));
  EXPECT_TRUE(fs::exists(out + "kapot.jpg"));
}

TEST_F(ConversionRunTest, PhoneAndScannerFormatsConvertAndBrokenOnesFailWithoutStoppingTheRun) {
  const std::string in = Folder("in"), out = Folder("out");
  std::vector<uint8_t> rgba;
  for (int i = 0; i < 48 * 32; ++i) rgba.insert(rgba.end(), {200, 60, 30, 255});
  const std::vector<uint8_t> heic = test::MakeTestHeif(rgba, 48, 32, false);
  const std::vector<uint8_t> webp = test::MakeTestWebp(rgba, 48, 32);
  std::vector<uint8_t> damaged_webp = webp;
  std::fill(damaged_webp.begin() + 20, damaged_webp.begin() + 40, uint8_t{0xFF});
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* error;  // the start of the reason, or null for a converted photo
  } files[] = {
      {"a.heic", heic, nullptr},
      {"b.heic",
       {heic.begin(), heic.begin() + static_cast<long>(heic.size()) * 2 / 3},
       "HEIF error: "},
      {"c.avif", test::MakeTestHeif(rgba, 48, 32, true), nullptr},
      {"d.webp", damaged_webp, "WebP error: "},
      {"e.webp", webp, nullptr},
      {"f.tif", test::MakeTestTiff(rgba, 48, 32), nullptr},
  };
  std::vector<TListEntry> photos;
  for (const auto& f : files) {
    test::WriteFileBytes(in + f.name, f.bytes);
    photos.push_back({f.name, "", in, "", false});
  }
  RecordingView view;
  TConversionRun(view, gate).Run(photos, Settings(out));
  std::vector<std::string> results;
  for (const TListEntry& entry : view.results) results.push_back(entry.caption);
  EXPECT_EQ(results, (std::vector<std::string>{"a.jpg", "c.jpg", "e.jpg", "f.jpg"}));
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string output = out + fs::path(f.name).stem().string() + ".jpg";
    if (!f.error) {
      const TImageInfo info = GetImageFileInfo(output);
      EXPECT_EQ(info.ImageType, itJPEG);
      EXPECT_EQ(info.Width, 20);
      continue;
    }
    // As for every decoder failure: an empty output and a log line with the reason.
    ASSERT_TRUE(fs::exists(output));
    EXPECT_EQ(fs::file_size(output), 0u);
    const std::string line = "status Fout opgetreden met foto: " + in + f.name + " (" + f.error;
    EXPECT_NE(std::find_if(view.events.begin(), view.events.end(),
                           [&](const std::string& e) { return e.rfind(line, 0) == 0; }),
              view.events.end());
  }
}

// A GIF of a few dozen bytes that declares a screen of width x height and draws one pixel.
std::vector<uint8_t> HugeScreenGif(int width, int height) {
  const auto lo = [](int v) { return static_cast<uint8_t>(v & 255); };
  const auto hi = [](int v) { return static_cast<uint8_t>(v >> 8); };
  return {'G', 'I', 'F', '8', '9', 'a', lo(width), hi(width), lo(height), hi(height), 0x80, 0, 0, 0,
          0, 0, 255, 255, 255,             // two colours
          ',', 0, 0, 0, 0, 1, 0, 1, 0, 0,  // a 1 x 1 image at
                                           // the top left
          2, 2, 0x44, 0x01, 0, ';'};       // its LZW data, and the end
}

// A 56-byte RLE8 BMP of width x height whose data is only the end-of-bitmap mark.
std::vector<uint8_t> EndOfBitmapBmp(int width, int height) {
  std::vector<uint8_t> out{'B', 'M'};
  const auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  for (uint32_t v : {56u, 0u, 54u, 40u}) put(v, 4);
  put(static_cast<uint32_t>(width), 4);
  put(static_cast<uint32_t>(height), 4);
  put(1, 2);
  put(8, 2);
  for (uint32_t v : {1u, 2u, 0u, 0u, 0u, 0u}) put(v, 4);
  out.insert(out.end(), {0, 1});
  return out;
}

// Counts the events that start with `line` and contain `detail`.
int CountLines(const RecordingView& view, const char* line, const char* detail) {
  int lines = 0;
  for (const std::string& event : view.events) {
    lines += event.rfind(line, 0) == 0 && event.find(detail) != std::string::npos;
  }
  return lines;
}

// Two photos that must be decoded whole (WebP), on two workers under an address-space
// limit that holds one decoded picture but not two: the shared budget lets one photo
// decode at a time, so both are converted instead of one failing for memory (or, without
// a limit, the OOM killer ending the program). A budget too small for one picture fails
// the photo with "Picture is too large".
TEST_F(ConversionRunTest, PhotosShareOneMemoryBudgetAndWaitForIt) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  const std::string in = Folder("in");
  constexpr int kSide = 9000;  // 324 MB decoded
  constexpr uint64_t kPicture = uint64_t{kSide} * kSide * 4;
  {
    // White under a band of noise: data enough for a real photo of that size.
    std::vector<uint8_t> rgba(kPicture, 255);
    uint32_t noise = 1;
    for (size_t i = 0; i < size_t{kSide} * 4 * 300; ++i) {
      noise = noise * 1664525u + 1013904223u;
      rgba[i] = static_cast<uint8_t>(noise >> 24);
    }
    const std::vector<uint8_t> webp = test::MakeTestWebp(rgba, kSide, kSide);
    for (const char* name : {"a.webp", "b.webp"}) test::WriteFileBytes(in + name, webp);
  }
  std::vector<TListEntry> photos;
  for (const char* name : {"a.webp", "b.webp"}) {
    photos.push_back(TListEntry{name, "", in, "", false});
  }
  TRunSettings settings = Settings(dir.File("out"));
  settings.jobs = 2;
  struct Case {
    uint64_t budget;
    const char* line;  // the start of both photos' log lines
    const char* detail;
  };
  for (const Case& c : {Case{kPicture + (64 << 20), "status Bezig met foto ", ".webp"},
                        Case{kPicture / 2, "status Fout opgetreden met foto: ",
                             "(Picture is too large (9000 x 9000 pixels))"}}) {
    SCOPED_TRACE(c.line);
    fs::remove_all(dir.File("out"));
    const int status = test::RunWithMemoryLimit(kPicture + kPicture / 2, [&] {
      SetPictureMemoryBudget(c.budget);
      RecordingView view;
      TConversionRun(view, gate).Run(photos, settings);
      const int lines = CountLines(view, c.line, c.detail);
      return lines == 2 ? 0 : 10 + lines;
    });
    EXPECT_EQ(status, 0);
  }
}

// A GIF and an RLE bitmap of a few dozen bytes each declare 22000 x 22000 pixels (1.9 GB
// each at full size). Converted side by side on two workers they need neither the budget
// nor much memory: both convert within a 300 MB address-space limit.
TEST_F(ConversionRunTest, TinyFilesDeclaringHugePicturesConvertSideBySideInLittleMemory) {
  if (test::UnderSanitizer()) GTEST_SKIP() << "an address-space limit does not work here";
  const std::string in = Folder("in"), out = dir.File("out") + "/";
  test::WriteFileBytes(in + "a.gif", HugeScreenGif(22000, 22000));
  test::WriteFileBytes(in + "b.bmp", EndOfBitmapBmp(22000, 22000));
  const std::vector<TListEntry> photos = {TListEntry{"a.gif", "", in, "", false},
                                          TListEntry{"b.bmp", "", in, "", false}};
  TRunSettings settings = Settings(dir.File("out"));
  settings.width_text = "800";
  settings.height_text = "600";
  settings.jobs = 2;
  const int status = test::RunWithMemoryLimit(size_t{300} << 20, [&] {
    RecordingView view;
    TConversionRun(view, gate).Run(photos, settings);
    return CountLines(view, "status Bezig met foto ", "") == 2 ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  for (const char* name : {"a.jpg", "b.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> jpeg = test::ReadFileBytes(out + name);
    TMemoryStream stream(jpeg);
    EXPECT_EQ(GetImageInfo(stream).ImageType, itJPEG);
  }
}

}  // namespace
}  // namespace fotoloom
