#include "retrieval/thread_robot_web_ftp_news.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/main_queue.h"
#include "base/result_tabs.h"
#include "base/robot_ports.h"
#include "base/shell_open_port.h"
#include "base/signal.h"
#include "config/config_store.h"
#include "network/network_fixture.h"
#include "retrieval/mht_archive.h"
#include "retrieval/store_paths.h"
#include "support/loopback_server.h"
#include "support/peak_memory.h"
#include "support/recording_ports.h"
#include "support/scripted_answer.h"
#include "support/temp_dir.h"
#include "support/temp_home.h"

namespace varnelo::retrieval {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using test::TScriptedAnswer;

constexpr std::string_view kRobot = "Pages";
constexpr std::string_view kItemKey = "urlthread0*1";

// What the end handler saw of the worker.
struct TEnd {
  std::string firstUrl, lastUrl, lastUrlDone;
  std::deque<std::string> remaining;
  bool aborted = false;
  fs::path archivePath;
  std::string saveError;
};

class SpecifiedPagesTest : public network::NetworkTest {
protected:
  SpecifiedPagesTest() {
    environment_.Set("TMPDIR", temp_.Path().string());
    fs::create_directories(saveDirectory_);
    server_.AnswerOthers(TScriptedAnswer::Page("HTTP/1.1 404 Not Found", "Content-Type: text/html\r\n", ""));
    // The worker waits on the main thread meanwhile.
    watching_ = tabs_.TabOpened.Connect([this](const base::TTabSheet& tab) {
      if (onOpened_) onOpened_(tab);
    });
  }

  void Configure(const std::string& saveDirectory, bool seeOnScreen) {
    test::WriteFile(home_.RobotConfigPath(), "[general]\r\n[" + std::string(kRobot) + "]\r\nDataFrom=" +
                                                 "Download Specified Web/Ftp/News pages\r\nSaveDirectory=" +
                                                 saveDirectory + "\r\nSeeOnScreen=" + (seeOnScreen ? "1" : "0") +
                                                 "\r\n");
  }

  std::optional<std::string> WorkItemValue() const {
    const std::string value = config::TConfigStore(home_.RobotConfigPath()).ReadString(kRobot, kItemKey, "");
    if (value.empty()) return std::nullopt;
    return value;
  }

  TEnd Run(std::deque<std::string> urls) {
    auto worker = std::make_unique<TThreadRobotWebFtpNews>(ports_, std::string(kRobot), std::string(kItemKey),
                                                           std::move(urls));
    std::optional<TEnd> end;
    worker->SetOnTerminate([&end](base::TWorker& ended) {
      const auto& w = static_cast<const TThreadRobotWebFtpNews&>(ended);
      EXPECT_EQ(w.FatalException(), nullptr);
      end = TEnd{w.FirstUrl(), w.LastUrl(), w.LastUrlDone(), w.RemainingUrls(), w.Aborted(), w.ArchivePath(),
                 w.SaveError()};
    });
    running_ = static_cast<TThreadRobotWebFtpNews*>(base::TWorker::Start(std::move(worker)));
    queue_.RunUntil([&end] { return end.has_value(); });
    running_ = nullptr;
    return *end;
  }

  // Every regular file below `root`.
  static std::vector<fs::path> FilesBelow(const fs::path& root) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  static bool IsInside(const fs::path& file, const fs::path& root) {
    const std::string canonical = fs::weakly_canonical(file).string();
    const std::string base = fs::weakly_canonical(root).string() + "/";
    return canonical.starts_with(base);
  }

  test::TTempHome home_;
  test::TTempDir temp_;
  test::TTempDir outside_;
  const fs::path saveDirectory_ = outside_.Path() / "a" / "b" / "save";
  test::TLoopbackServer server_;
  base::TMainQueue queue_;
  test::TRecordingLog log_;
  base::TResultTabs tabs_;
  // Called each time a tab opens.
  std::function<void(const base::TTabSheet&)> onOpened_;
  base::TConnection watching_;
  test::TRecordingShellOpen shellOpen_;
  test::TRecordingDialogs dialogs_;
  base::TRobotPorts ports_{queue_, home_.Path(), log_, tabs_, shellOpen_, dialogs_};
  TThreadRobotWebFtpNews* running_ = nullptr;
};

TEST_F(SpecifiedPagesTest, AnHtmlPageIsArchivedWithWhatItLinksToOnItsSite) {
  Configure(saveDirectory_.string(), false);
  server_.Answer("/d/page.html", TScriptedAnswer::Ok(R"(<html><img src="a.png"><img src="b.png">)"
                                                     R"(<a href="next.html">n</a><a href="gone.html">g</a></html>)"));
  server_.Answer("/d/a.png", TScriptedAnswer::Ok("PNG-A", "Content-Type: image/png\r\n"));
  server_.Answer("/d/b.png", TScriptedAnswer::Ok("PNG-B", "Content-Type: image/png\r\n"));
  server_.Answer("/d/next.html", TScriptedAnswer::Ok("line1\nline2\rline3"));

  const TEnd end = Run({server_.Url("/d/page.html")});

  const fs::path archive = saveDirectory_ / "127.0.0.1" / "d" / "page.html.mht";
  EXPECT_EQ(end.archivePath, archive);
  EXPECT_THAT(end.saveError, IsEmpty());
  const std::string text = test::ReadFile(archive);
  EXPECT_THAT(text, HasSubstr("Content-Location: " + server_.Url("/d/page.html") + "\r\n"));
  EXPECT_THAT(text, HasSubstr("Content-Location: " + server_.Url("/d/a.png") + "\r\n\r\n\r\n" +
                              EncodeBase64("PNG-A") + "\r\n"));
  EXPECT_THAT(text, HasSubstr("Content-Location: " + server_.Url("/d/b.png") + "\r\n\r\n\r\n" +
                              EncodeBase64("PNG-B") + "\r\n"));
  EXPECT_THAT(text, HasSubstr("line1\r\nline2\r\nline3\r\n"));
  EXPECT_THAT(text, Not(HasSubstr("gone.html\r\n")));
  EXPECT_THAT(text, EndsWith("--------=_frontiere0--\r\n"));
  // Without SeeOnScreen the archive is written but no tab opens.
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_THAT(shellOpen_.opened, IsEmpty());
  EXPECT_EQ(end.lastUrlDone, server_.Url("/d/page.html"));
  EXPECT_FALSE(end.aborted);
}

TEST_F(SpecifiedPagesTest, ADirectoryPageIsAnIndexArchiveInTheTemporaryDirectoryAndShownInATab) {
  Configure((outside_.Path() / "missing").string(), true);
  server_.Answer("/d/", TScriptedAnswer::Ok("<p>index</p>"));

  const TEnd end = Run({server_.Url("/d/")});

  const fs::path archive = temp_.Path() / "127.0.0.1" / "d" / "index.html.mht";
  EXPECT_EQ(end.archivePath, archive);
  EXPECT_TRUE(fs::is_regular_file(archive));
  ASSERT_EQ(tabs_.Tabs().size(), 1u);
  const base::TTabSheet& tab = *tabs_.Tabs()[0];
  EXPECT_EQ(tab.Caption, server_.Url("/d/") + " (" + archive.string() + " )");
  EXPECT_EQ(tab.Desc.RobotName, kRobot);
  EXPECT_EQ(tab.Content.Template, base::TTabTemplate::WebBrowser);
  EXPECT_EQ(tab.Content.Url, "file://" + archive.string());
}

TEST_F(SpecifiedPagesTest, OtherDocumentsAreSavedInTheTemporaryDirectoryAndOpened) {
  Configure(saveDirectory_.string(), true);
  server_.Answer("/report", TScriptedAnswer::Ok("%PDF-1", "Content-Type: application/pdf\r\n"));
  server_.Answer("/report.bin", TScriptedAnswer::Ok("%PDF-2", "Content-Type: application/pdf\r\n"));
  // An executable file of that name is replaced by a file that is not executable.
  test::WriteFile(temp_.Path() / "report.pdf", "old");
  fs::permissions(temp_.Path() / "report.pdf", fs::perms::owner_all);

  Run({server_.Url("/report"), server_.Url("/report.bin")});

  EXPECT_THAT(shellOpen_.opened, ElementsAre(temp_.Path() / "report.pdf", temp_.Path() / "report.bin"));
  EXPECT_EQ(test::ReadFile(temp_.Path() / "report.pdf"), "%PDF-1");
  EXPECT_EQ(test::ReadFile(temp_.Path() / "report.bin"), "%PDF-2");
  for (const fs::path& file : shellOpen_.opened) {
    EXPECT_EQ(fs::status(file).permissions() & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec),
              fs::perms::none)
        << file;
  }
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
  EXPECT_THAT(FilesBelow(saveDirectory_), IsEmpty());
}

// The peak resident memory of this process so far, in bytes.
TEST_F(SpecifiedPagesTest, ALargeDocumentStreamsToItsFile) {
  Configure(saveDirectory_.string(), false);
  const std::string block(64 * 1024, 'z');
  constexpr std::uint64_t kBlocks = 1024;  // 64 MiB
  server_.Answer("/big.iso", TScriptedAnswer::Raw("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
                                 .SendRepeated(block, kBlocks));
  const std::int64_t before = test::PeakResidentBytes();
  Run({server_.Url("/big.iso")});
  EXPECT_THAT(test::PeakResidentBytes() - before, ::testing::Le(std::int64_t(32) * 1024 * 1024));
  ASSERT_THAT(shellOpen_.opened, ElementsAre(temp_.Path() / "big.iso"));
  EXPECT_EQ(fs::file_size(temp_.Path() / "big.iso"), kBlocks * block.size());
  EXPECT_THAT(log_.lines, IsEmpty());
}

TEST_F(SpecifiedPagesTest, DocumentsShorterThanTheirLengthAreLoggedAndNeitherSavedNorOpened) {
  Configure(saveDirectory_.string(), true);
  const std::string cut = "HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\nContent-Length: 100\r\n\r\n%PDF";
  server_.Answer("/cut.pdf", TScriptedAnswer::Raw(cut));
  server_.Answer("/d/page.html", TScriptedAnswer::Ok(R"(<html><img src="a.png"></html>)"));
  server_.Answer("/d/a.png",
                 TScriptedAnswer::Raw("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 9\r\n\r\nPNG"));

  const TEnd end = Run({server_.Url("/cut.pdf"), server_.Url("/d/page.html")});

  EXPECT_THAT(log_.lines,
              ElementsAre("Document shorter than its Content-Length, not kept: " + server_.Url("/cut.pdf"),
                          "Document shorter than its Content-Length, not kept: " + server_.Url("/d/a.png")));
  EXPECT_THAT(shellOpen_.opened, IsEmpty());
  EXPECT_FALSE(fs::exists(temp_.Path() / "cut.pdf"));
  // The page itself came whole and is archived without the part that did not.
  const std::string archive = test::ReadFile(end.archivePath);
  EXPECT_THAT(archive, Not(HasSubstr(server_.Url("/d/a.png") + "\r\n\r\n")));
}

TEST_F(SpecifiedPagesTest, FailedUrlsCountAsDoneAndSaveNothing) {
  Configure(saveDirectory_.string(), true);
  const std::string refused = network::RefusedUrl("/x.html");
  const TEnd end = Run({server_.Url("/missing.html"), refused});
  EXPECT_EQ(end.lastUrlDone, refused);
  EXPECT_THAT(end.remaining, IsEmpty());
  EXPECT_THAT(FilesBelow(saveDirectory_), IsEmpty());
  EXPECT_THAT(FilesBelow(temp_.Path()), IsEmpty());
  EXPECT_THAT(tabs_.Tabs(), IsEmpty());
}

TEST_F(SpecifiedPagesTest, ProgressIsWrittenAfterEveryThirdUrl) {
  Configure(saveDirectory_.string(), true);
  std::deque<std::string> urls;
  for (int i = 1; i <= 7; ++i) {
    const std::string path = "/u" + std::to_string(i) + ".html";
    server_.Answer(path, TScriptedAnswer::Ok("<p>page</p>"));
    urls.push_back(server_.Url(path));
  }
  // Each tab opens while the worker waits in the middle of its URL: the work item as it stands then.
  std::vector<std::optional<std::string>> seen;
  onOpened_ = [&](const base::TTabSheet&) { seen.push_back(WorkItemValue()); };

  const TEnd end = Run(urls);

  const std::string first = urls.front(), last = urls.back();
  const std::string atFourth = first + "," + last + "," + urls[3] + ",processing";
  const std::string atSeventh = first + "," + last + "," + urls[6] + ",processing";
  EXPECT_THAT(seen, ElementsAre(std::nullopt, std::nullopt, std::nullopt, atFourth, atFourth, atFourth, atSeventh));
  // The seventh URL is not a multiple of three: the runner records the end.
  EXPECT_EQ(WorkItemValue(), atSeventh);
  EXPECT_EQ(end.firstUrl, first);
  EXPECT_EQ(end.lastUrl, last);
  EXPECT_EQ(end.lastUrlDone, last);
}

TEST_F(SpecifiedPagesTest, TheLastUrlOnAMultipleOfThreeRecordsTheItemDone) {
  Configure(saveDirectory_.string(), false);
  const std::deque<std::string> urls{server_.Url("/1"), server_.Url("/2"), server_.Url("/3")};
  Run(urls);
  EXPECT_EQ(WorkItemValue(), urls[0] + "," + urls[2] + "," + urls[2] + ",processingdone");
}

TEST_F(SpecifiedPagesTest, ATerminationRequestLetsThePageFinishAndStartsNoOtherUrl) {
  Configure(saveDirectory_.string(), true);
  std::deque<std::string> urls;
  for (int i = 1; i <= 4; ++i) {
    const std::string path = "/u" + std::to_string(i) + ".html";
    server_.Answer(path, TScriptedAnswer::Ok("<p>page</p>"));
    urls.push_back(server_.Url(path));
  }
  onOpened_ = [&](const base::TTabSheet&) {
    if (tabs_.Tabs().size() == 2) running_->Terminate();
  };

  const TEnd end = Run(urls);

  EXPECT_TRUE(end.aborted);
  EXPECT_EQ(end.lastUrlDone, urls[1]);
  EXPECT_THAT(end.remaining, ElementsAre(urls[2], urls[3]));
  EXPECT_TRUE(fs::is_regular_file(saveDirectory_ / "127.0.0.1" / "u2.html.mht"));
  for (const test::TRecordedRequest& request : server_.Requests()) {
    EXPECT_THAT(request.Target(), Not(HasSubstr("u3"))) << request.RequestLine();
  }
}

TEST_F(SpecifiedPagesTest, HostileUrlsWriteOnlyInsideTheirFolders) {
  Configure(saveDirectory_.string(), false);
  server_.AnswerOthers(TScriptedAnswer::Ok("<p>hostile</p>"));
  server_.Answer("/d/..%2Fx", TScriptedAnswer::Ok("doc", "Content-Type: text/plain\r\n"));
  server_.Answer("/d/..%2F..%2F..%2Fevil", TScriptedAnswer::Ok("doc", "Content-Type: text/plain\r\n"));

  const TEnd end = Run({server_.Url("/..%2F..%2Fx/..%2Fevil.html"), server_.Url("/%2E%2E/%2E%2E/y/p.html"),
                        server_.Url("/..%2F..%2F..%2F/%2E%2E%2F..%2Fz/%00.html"), server_.Url("/d/..%2Fx"),
                        server_.Url("/d/..%2F..%2F..%2Fevil")});

  EXPECT_THAT(end.saveError, IsEmpty());
  const std::vector<fs::path> archives = FilesBelow(saveDirectory_);
  EXPECT_EQ(archives.size(), 3u);
  for (const fs::path& file : FilesBelow(outside_.Path())) EXPECT_TRUE(IsInside(file, saveDirectory_)) << file;
  const std::vector<fs::path> documents = FilesBelow(temp_.Path());
  EXPECT_EQ(documents.size(), 2u);
  for (const fs::path& file : documents) EXPECT_EQ(file.parent_path(), temp_.Path()) << file;
  EXPECT_THAT(shellOpen_.opened, ElementsAre(temp_.Path() / "..%2Fx", temp_.Path() / "..%2F..%2F..%2Fevil"));
}

TEST(ArchivePathsTest, DirectoriesAndNamesFromAUrlStayUnderTheirRoot) {
  EXPECT_EQ(DirectoryUnder("/r", "..", "../a/./b"), "/r/%2E%2E/%2E%2E/a/%2E/b/");
  EXPECT_EQ(DirectoryUnder("/r", "h", ""), "/r/h/");
  EXPECT_EQ(DirectoryUnder("/r", "a/b", "d"), "/r/a%2Fb/d/");
  EXPECT_EQ(SingleFileName(".."), "%2E%2E");
  EXPECT_EQ(SingleFileName(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(SingleFileName("../x"), "..%2Fx");
}

}  // namespace
}  // namespace varnelo::retrieval
