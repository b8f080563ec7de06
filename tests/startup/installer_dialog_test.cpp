#include "startup/installer_dialog.h"

#include <gtest/gtest.h>

#include "dialog/dialog_double.h"
#include "engine/engine.h"
#include "engine/process_values.h"
#include "services/message.h"
#include "support/guards.h"
#include "support/scripted_operator.h"
#include "support/temp_folder.h"

namespace quelb {
namespace {

using dialog::ControlKind;
using testing::DialogDouble;

class InstallerDialogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    testing::SetModalScript(nullptr);
    testing::ForgetDialogs();
    RunAborted = kFalse;
  }

  InstallerTexts texts_{"QUELB Accounting Software Installation   (7z)", "/src",   "C:\\QUELB", "",
                        "(For Networks, use its drive letter)",          "INSTALL"};
};

TEST_F(InstallerDialogTest, HoldsTheElevenControlsInCreationOrder) {
  const DialogDouble* dialog = testing::DoubleOf(BuildInstallerDialog(texts_));
  EXPECT_EQ(dialog->title, texts_.title);
  EXPECT_EQ(dialog->width, 350);
  EXPECT_EQ(dialog->height, 90);
  EXPECT_EQ(dialog->style, dialog::kDefaultDialogStyle | DS_CENTER);
  ASSERT_EQ(dialog->controls.size(), 11u);

  struct Expected {
    ControlKind kind;
    int id;
    Text text;
    int x, y, width, height;
  };
  const Expected expected[] = {
      {ControlKind::kLabel, -1, "Load from Drive:", 5, 6, 60, 9},
      {ControlKind::kTextBox, 400, "/src", 70, 5, 100, 12},
      {ControlKind::kLabel, -1, "Install in Drv/Dir", 5, 21, 60, 9},
      {ControlKind::kTextBox, 401, "C:\\QUELB", 70, 20, 100, 12},
      {ControlKind::kLabel, 402, "", 70, 35, 220, 10},
      {ControlKind::kLabel, -1, "", 70, 50, 220, 10},
      {ControlKind::kLabel, -1, "(Download path or Diskette or CDROM Drive)", 175, 6, 170, 9},
      {ControlKind::kLabel, -1, "(For Networks, use its drive letter)", 175, 21, 120, 9},
      {ControlKind::kEtchedLine, -1, "", 5, 68, 290, 1},
      {ControlKind::kButton, 2, "&Cancel", 250, 74, 40, 14},
      {ControlKind::kButton, 1, "INSTALL", 100, 74, 40, 14},
  };
  for (size_t i = 0; i < 11; ++i) {
    const dialog::ControlRecord& control = dialog->controls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1));
    EXPECT_EQ(control.kind, expected[i].kind);
    EXPECT_EQ(control.id, expected[i].id);
    EXPECT_EQ(control.text, expected[i].text);
    EXPECT_EQ(control.x, expected[i].x);
    EXPECT_EQ(control.y, expected[i].y);
    EXPECT_EQ(control.width, expected[i].width);
    EXPECT_EQ(control.height, expected[i].height);
  }
  EXPECT_EQ(dialog->controls[1].exStyle, WS_EX_CLIENTEDGE);
  EXPECT_EQ(dialog->controls[1].style & WS_BORDER, 0u);
}

TEST_F(InstallerDialogTest, CancelEndsTheDialogWithTwoAndNoRun) {
  testing::SetModalScript([](DialogDouble* dialog, dialog::DialogCallback callback) {
    EXPECT_EQ(callback(dialog, WM_COMMAND, IDCANCEL, 0), 0);
  });
  testing::ScriptedOperator operator_;
  RunInstallerDialog(texts_);
  DialogDouble* dialog = testing::CreatedDialogs().back();
  EXPECT_EQ(dialog->endResult, IDCANCEL);
  EXPECT_EQ(dialog->endCount, 1);
  EXPECT_TRUE(dialog->writes[IDC_STATUS].empty());
  EXPECT_TRUE(operator_.Boxes().empty());
}

TEST_F(InstallerDialogTest, OtherCommandsAndMessagesChangeNothing) {
  testing::SetModalScript([](DialogDouble* dialog, dialog::DialogCallback callback) {
    const uint32_t kEditChange = 0x300;
    EXPECT_EQ(callback(dialog, WM_COMMAND, (kEditChange << 16) | IDC_SOURCE, 0), 0);
    EXPECT_EQ(callback(dialog, WM_COMMAND, (kEditChange << 16) | IDC_TARGET, 0), 0);
    EXPECT_EQ(callback(dialog, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(dialog->ended);
  });
  RunInstallerDialog(texts_);
  EXPECT_EQ(testing::CreatedDialogs().back()->endCount, 1) << "ended once, by the double";
}

TEST_F(InstallerDialogTest, TheRunButtonWithAnyNotificationRunsTheUpdateAndEndsWithZero) {
  testing::TempFolder source, target;
  // The run makes the target current; declared after the folders, the guard leaves it first.
  const testing::CurrentFolderGuard currentFolder;
  testing::WriteFile(source / "README.TXT", "new");
  texts_.sourceDefault = source.Path().string();
  texts_.targetDefault = target.Path().string();
  testing::SetModalScript([](DialogDouble* dialog, dialog::DialogCallback callback) {
    callback(dialog, WM_COMMAND, (0x1234u << 16) | IDOK, 0);
  });
  testing::ScriptedOperator operator_;
  RunInstallerDialog(texts_);
  const auto endedIn = std::filesystem::current_path();

  DialogDouble* dialog = testing::CreatedDialogs().back();
  EXPECT_EQ(dialog->endResult, 0);
  EXPECT_EQ(dialog->endCount, 1);
  EXPECT_EQ(testing::ReadFile(target / "README.TXT"), "new");
  ASSERT_EQ(operator_.Boxes().size(), 1u);
  EXPECT_EQ(operator_.Boxes()[0].title, "Update is Completed");
  EXPECT_EQ(std::filesystem::canonical(endedIn), std::filesystem::canonical(target.Path()));
  EXPECT_EQ(RunAborted, kFalse);
}

}  // namespace
}  // namespace quelb
