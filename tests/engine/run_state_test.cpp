#include "engine/run_state.h"

#include <gtest/gtest.h>

namespace quelb {
namespace {

TEST(UpdateRunStateTest, AFreshRecordIsZeroed) {
  const UpdateRunState run;
  for (const Text* text :
       {&run.SourcePath, &run.TargetPath, &run.SourceMask, &run.FolderProbe, &run.FileList,
        &run.CurrentFile, &run.SourceHint, &run.ExpandCommand, &run.CountText, &run.DoneText}) {
    EXPECT_TRUE(text->empty());
  }
  EXPECT_EQ(run.MoreDisks, kFalse);
  EXPECT_EQ(run.MayProceed, kFalse);
  EXPECT_EQ(run.DiskCount, 0);
  EXPECT_EQ(run.FileCount.Scaled(), 0);
  EXPECT_EQ(run.FileTotal, 0);
  EXPECT_EQ(run.FileIndex, 0);
  EXPECT_EQ(run.LastError, 0);
  EXPECT_EQ(run.Answer, 0);
  EXPECT_EQ(run.PkwarePos, 0);
}

TEST(UpdateRunStateTest, TakingOneAwayAndAddingItBackIsExact) {
  for (double start : {0.0, 1.0, 11.0, 32767.0}) {
    UpdateRunState run;
    run.FileCount.Store(start);
    run.FileCount.Add(-1);
    run.FileCount.Add(1);
    EXPECT_EQ(run.FileCount.Scaled(), static_cast<int64_t>(start) * Counter::kScale);
    EXPECT_EQ(run.FileCount.Value(), start);
  }
}

}  // namespace
}  // namespace quelb
