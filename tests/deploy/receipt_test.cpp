// The receipt a deploy leaves, the names a second deploy leaves as they are because of it, and
// --check, which decides as the deploy does and changes nothing.
#include "deploy/receipt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "deploy/check.h"
#include "deploy/deploy.h"
#include "deploy/exit_codes.h"
#include "engine/delivery_watch.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/digest.h"
#include "support/engine_archive.h"
#include "support/guards.h"
#include "support/second_process.h"
#include "support/temp_folder.h"

namespace quelb::testing {
namespace {

namespace fs = std::filesystem;
using namespace quelb::deploy;

class ResultWatch : public DeliveryWatch {
 public:
  void NameSettled(const NameReport& report) override { results[report.name] = report.result; }
  std::map<Text, NameResult> results;
};

class ReceiptTest : public ::testing::Test {
 protected:
  ReceiptTest() {
    fs::create_directories(source_);
    for (const char* name : {"A.TXT", "B.TXT"}) WriteFile(source_ / name, std::string(name) + "1");
    WriteFile(source_ / "UPDATE.QLB", "package");
    WriteFile(source_ / "SETUP.EXE", "left out");
    archive_.log = scratch_ / "archive.log";
    WriteArchive(source_ / "QUELBAP.EXE", archive_);
    options_.sources = {source_.string()};
    options_.target = target_.string();
    options_.download = download_.string();
    options_.waitSeconds = 0;
    options_.retries = 0;
  }
  ~ReceiptTest() override { DownloadFolder = kDownloadFolder; }

  // The results of a deploy by name, and its exit code.
  std::map<Text, NameResult> Deploy(int expectedCode = kDelivered) {
    ResultWatch watch;
    fs::remove(archive_.log);
    EXPECT_EQ(RunDeploy(options_), expectedCode);
    return watch.results;
  }
  // Whether the last deploy expanded the archive.
  bool Expanded() const { return fs::exists(archive_.log); }
  // The names --check would deliver, in the order of their names.
  std::vector<Text> WouldDeliver() const {
    const CheckResult check = CheckTarget(options_);
    EXPECT_EQ(check.code, check.wouldDeliver.empty() ? kDelivered : kNotCurrent);
    std::vector<Text> names = check.wouldDeliver;
    std::sort(names.begin(), names.end());
    return names;
  }
  // A file changed in place, its time moved on so that it differs whatever the clock's grain.
  static void Change(const fs::path& file, const std::string& content) {
    const fs::file_time_type before = fs::last_write_time(file);
    WriteFile(file, content);
    fs::last_write_time(file, before + std::chrono::hours(1));
  }
  fs::path ReceiptFile() const { return target_ / ".quelb-deploy" / "release.json"; }

  TempFolder scratch_;
  fs::path source_ = scratch_ / "source";
  fs::path target_ = scratch_ / "target";
  fs::path download_ = scratch_ / "download";
  ArchiveScript archive_;
  Options options_;
  CurrentFolderGuard currentFolder_;
};

TEST_F(ReceiptTest, ASecondDeployOfOneReleaseLeavesEveryNameAsItIs) {
  const std::map<Text, NameResult> first = Deploy();
  EXPECT_EQ(first.at("A.TXT"), NameResult::kDelivered);
  EXPECT_EQ(first.at("QUELBAP.EXE"), NameResult::kDelivered);
  ASSERT_TRUE(fs::exists(ReceiptFile()));
  const std::map<Text, NameResult> second = Deploy();

  for (const char* name : {"A.TXT", "B.TXT", "UPDATE.QLB", "QUELBAP.EXE"}) {
    EXPECT_EQ(second.at(name), NameResult::kUnchanged) << name;
  }
  EXPECT_EQ(second.at("SETUP.EXE"), NameResult::kLeftOut);
  EXPECT_FALSE(Expanded()) << "the archive was expanded again";
  EXPECT_EQ(CheckTarget(options_).code, kDelivered);
  // The receipt still records every name, those left as they were among them.
  const std::optional<Receipt> receipt = ReadReceipt(options_.target);
  ASSERT_TRUE(receipt);
  EXPECT_EQ(receipt->deliveries.size(), 4u);
}

// Each name's digest is of its own bytes, whether the log's read of the delivered file gave it
// or, for a name left as it is because it holds the same bytes, the source was read for it.
TEST_F(ReceiptTest, TheReceiptRecordsTheDigestOfEachNamesOwnBytes) {
  fs::create_directories(target_);
  WriteFile(target_ / "B.TXT", "B.TXT1");
  const std::map<Text, NameResult> results = Deploy();
  EXPECT_EQ(results.at("A.TXT"), NameResult::kDelivered);
  EXPECT_EQ(results.at("B.TXT"), NameResult::kUnchanged);
  const std::optional<Receipt> receipt = ReadReceipt(options_.target);
  ASSERT_TRUE(receipt);
  ASSERT_EQ(receipt->deliveries.size(), 4u);
  for (const Delivery& delivery : receipt->deliveries) {
    ErrorState errors;
    const Text name = delivery.source.name;
    EXPECT_EQ(delivery.source.sha256, Sha256OfBytes(errors, ReadFile(source_ / name))) << name;
  }
}

TEST_F(ReceiptTest, WhatChangedSinceTheReceiptIsDeliveredAgainAndNothingElse) {
  Deploy();
  Change(target_ / "A.TXT", "A.TXT2");  // the same size, by another hand
  Change(source_ / "B.TXT", "B.TXT is new");
  Change(target_ / "AP.exe", "changed program");
  EXPECT_EQ(WouldDeliver(), (std::vector<Text>{"A.TXT", "B.TXT", "QUELBAP.EXE"}));

  const std::map<Text, NameResult> again = Deploy();

  EXPECT_EQ(again.at("A.TXT"), NameResult::kDelivered);
  EXPECT_EQ(again.at("B.TXT"), NameResult::kDelivered);
  EXPECT_EQ(again.at("QUELBAP.EXE"), NameResult::kDelivered);
  EXPECT_EQ(again.at("UPDATE.QLB"), NameResult::kUnchanged);
  EXPECT_EQ(ReadFile(target_ / "A.TXT"), "A.TXT1");
  EXPECT_EQ(ReadFile(target_ / "AP.exe"), "unpacked");
  EXPECT_EQ(CheckTarget(options_).code, kDelivered);
}

TEST_F(ReceiptTest, WithoutAReceiptACopyIsUnchangedOnlyWhenItHoldsTheSameBytes) {
  fs::create_directories(target_);
  WriteFile(target_ / "A.TXT", "A.TXT1");
  WriteFile(target_ / "B.TXT", "B.TXT9");
  WriteFile(target_ / "AP.exe", "unpacked");

  const std::map<Text, NameResult> results = Deploy();

  EXPECT_EQ(results.at("A.TXT"), NameResult::kUnchanged);
  EXPECT_EQ(results.at("B.TXT"), NameResult::kDelivered);
  EXPECT_EQ(results.at("QUELBAP.EXE"), NameResult::kDelivered) << "no receipt records the archive";
  EXPECT_EQ(ReadFile(target_ / "B.TXT"), "B.TXT1");
}

// The receipt reads back as it was written, its deliveries grouped by their source folder in
// the order the folders first come, with the files left out and the release undone.
TEST(ReceiptTextTest, AReceiptReadsBackAsItWasWrittenGroupedByItsSourceFolders) {
  Receipt receipt;
  receipt.version = "1.2";
  receipt.written = "2026-12-09T13:20:05Z";
  const auto copy = [](const Text& folder, const Text& name) {
    Delivery delivery;
    delivery.sourceFolder = folder;
    delivery.source = {name, {4, 5}, "ab"};
    delivery.target = "C:\\QUELB\\" + name;
    delivery.became = {4, 6};
    return delivery;
  };
  Delivery archive = copy("A:\\", "QUELBAP.EXE");
  archive.kind = NameKind::kArchive;
  archive.programs = {{"AP.EXE", {1, 2}, "cd"}, {"AP \"1\".DLL", {3, 4}, "ef"}};
  Delivery package = copy("D:\\UPDATES \"NEW\"", "NEWS.QLB");
  package.kind = NameKind::kPackage;
  receipt.deliveries = {copy("A:\\", "ONE.TXT"), package, archive};
  receipt.missing = {{"A:\\", "BAD.TXT", NameKind::kOther, 70}};
  receipt.undone = UndoneRelease{"1.1", "2026-12-08T10:00:00Z"};

  const Text text = ReceiptText(receipt);
  const std::optional<Receipt> read = ReceiptFromText(text);

  ASSERT_TRUE(read) << text;
  std::vector<Text> order;
  for (const Delivery& delivery : read->deliveries) {
    order.push_back(delivery.sourceFolder + "|" + delivery.source.name);
  }
  EXPECT_EQ(order, (std::vector<Text>{"A:\\|ONE.TXT", "A:\\|QUELBAP.EXE",
                                      "D:\\UPDATES \"NEW\"|NEWS.QLB"}));
  ASSERT_EQ(read->deliveries[1].programs.size(), 2u);
  EXPECT_EQ(read->deliveries[1].programs[1].name, "AP \"1\".DLL");
  EXPECT_EQ(read->missing.size(), 1u);
  EXPECT_TRUE(read->undone);
  EXPECT_EQ(ReceiptText(*read), text);
  Receipt none;
  EXPECT_TRUE(ReceiptFromText(ReceiptText(none)));
}

// A receipt that cannot be read whole, or whose fields are not what this program writes, is
// none: nothing is left unchanged because of it.
TEST_F(ReceiptTest, ADamagedReceiptOrOneOfAnotherFormCountsAsNone) {
  Deploy();
  const std::string written = ReadFile(ReceiptFile());
  ASSERT_TRUE(ReceiptFromText(written));
  for (size_t cut = 0; cut + 1 < written.size(); cut += 5) {
    EXPECT_FALSE(ReceiptFromText(written.substr(0, cut))) << "cut at " << cut;
  }
  const auto replaced = [&written](const std::string& from, const std::string& to) {
    std::string text = written;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  for (const std::string& other :
       {replaced("\"form\": 1", "\"form\": 2"), replaced("\"size\": ", "\"size\": \"6\", \"x\": "),
        replaced("\"programs\": [", "\"programs\": {\"a\": ["),
        replaced("\"sources\": [", "\"sources\": [7, "), std::string("[]"),
        std::string("\xff\xfe")}) {
    EXPECT_FALSE(ReceiptFromText(other)) << other.substr(0, 200);
  }
  WriteFile(ReceiptFile(), written.substr(0, written.size() / 2));

  const std::map<Text, NameResult> results = Deploy();

  EXPECT_EQ(results.at("QUELBAP.EXE"), NameResult::kDelivered);
  EXPECT_EQ(results.at("A.TXT"), NameResult::kUnchanged) << "the same bytes";
  EXPECT_TRUE(Expanded());
  EXPECT_TRUE(ReadReceipt(options_.target)) << "the deploy wrote a whole receipt anew";
}

TEST_F(ReceiptTest, AllDeliversEveryNameAgain) {
  Deploy();
  options_.all = true;
  EXPECT_EQ(WouldDeliver().size(), 4u);

  const std::map<Text, NameResult> results = Deploy();

  for (const char* name : {"A.TXT", "B.TXT", "UPDATE.QLB", "QUELBAP.EXE"}) {
    EXPECT_EQ(results.at(name), NameResult::kDelivered) << name;
  }
}

TEST_F(ReceiptTest, CheckNamesWhatWouldBeDeliveredAndChangesNothing) {
  const fs::path holder = scratch_ / "held";
  fs::create_directories(holder);
  SecondProcess other({TestProgram("folder_locker"), holder.string()});
  ASSERT_TRUE(other.Ready());
  options_.target = (holder / "missing").string();
  options_.waitSeconds = 300;

  EXPECT_EQ(WouldDeliver(), (std::vector<Text>{"A.TXT", "B.TXT", "QUELBAP.EXE", "UPDATE.QLB"}))
      << "SETUP.EXE is never delivered";
  EXPECT_FALSE(fs::exists(holder / "missing"));
  EXPECT_FALSE(fs::exists(download_));

  options_.sources = {(scratch_ / "missing").string()};
  EXPECT_EQ(CheckTarget(options_).code, kSourceUnreadable) << "without waiting for --wait";
}

// Packages read from the download folder itself stay where they are, whatever the receipt.
TEST_F(ReceiptTest, APackageInTheDownloadFolderItselfNeverMakesTheTargetNotCurrent) {
  Deploy();
  fs::create_directories(download_);
  WriteFile(download_ / "LATER.QLB", "read in place");
  options_.sources = {download_.string()};

  EXPECT_EQ(CheckTarget(options_).code, kDelivered);
}

// The program's own folder is never a name of a listing: not of a source, nor of a target.
TEST_F(ReceiptTest, TheReceiptsFolderIsNeitherDeliveredNorListed) {
  Deploy();
  fs::copy(target_ / ".quelb-deploy", source_ / ".quelb-deploy");
  Change(source_ / "A.TXT", "A.TXT changed");

  const std::map<Text, NameResult> results = Deploy();

  EXPECT_EQ(results.count(".quelb-deploy"), 0u);
  EXPECT_EQ(results.count("release.json"), 0u);
  EXPECT_EQ(WouldDeliver(), std::vector<Text>{});
  const std::optional<Receipt> receipt = ReadReceipt(options_.target);
  ASSERT_TRUE(receipt);
  for (const Delivery& delivery : receipt->deliveries) {
    for (const RecordedFile& program : delivery.programs) EXPECT_EQ(program.name, "AP.exe");
  }
}

}  // namespace
}  // namespace quelb::testing
