// The receipt a deploy leaves in the target once its release is in place: each name of the
// sources with what it became, so that the next deploy, and --check, can tell what would change
// nothing, and the names that failed and were left out.
// It is .quelb-deploy\release.json in the target, a hidden folder that neither program lists.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/delivery_watch.h"
#include "services/error.h"
#include "services/text.h"

namespace quelb::deploy {

// A file's size and its time of last change, in the platform's finest unit: nanoseconds since
// 1970 on POSIX, the 100 nanoseconds since 1601 of a Windows file time.
struct FileFacts {
  int64_t size = 0;
  int64_t modified = 0;
  bool operator==(const FileFacts&) const = default;
};

// The facts of the regular file at path; false when there is none or it cannot be looked at.
bool FactsOf(const Text& path, FileFacts& facts);

// A file as the receipt records it: a source's name in its folder, or a program's in the target.
struct RecordedFile {
  Text name;
  FileFacts facts;
  Text sha256;
};

// One name of a source and what it became: the copy with its facts after delivery, or the
// programs an archive unpacked into the target folder.
struct Delivery {
  Text sourceFolder;
  RecordedFile source;
  NameKind kind = NameKind::kOther;
  Text target;
  FileFacts became;
  std::vector<RecordedFile> programs;
};

// A name of a source that failed and was left out of the release with --keep-going, and is
// still to be delivered.
struct MissingFile {
  Text sourceFolder;
  Text name;
  NameKind kind = NameKind::kOther;
  ErrorNumber error = 0;
};

// The release an undo took away: its receipt's version and time.
struct UndoneRelease {
  Text version;
  Text written;
};

struct Receipt {
  Text version;
  // When it was written, UTC, as 2026-12-09T13:20:05Z.
  Text written;
  std::vector<Delivery> deliveries;
  std::vector<MissingFile> missing;
  // Set when the receipt was written by an undo, which took the deliveries of that release out.
  std::optional<UndoneRelease> undone;
};

// The receipt in the target; nothing when there is none, or it is damaged or of another form.
std::optional<Receipt> ReadReceipt(const Text& target);
// Writes the receipt whole, with this time and the program's version; false, with the error
// stored, when it cannot.
bool WriteReceipt(ErrorState& state, const Text& target, Receipt receipt);

// Writes the receipt into the target, once the release it describes is in place. The release
// stays in place when it cannot: the next deploy then finds the receipt before, whose records no
// longer match what they describe, and delivers those names again; the failure is told on
// standard error.
void LeaveReceipt(const Receipt& receipt, const Text& target);

// The receipt as it is stored, and back; nothing for a text that is no receipt of this form.
Text ReceiptText(const Receipt& receipt);
std::optional<Receipt> ReceiptFromText(const Text& text);

}  // namespace quelb::deploy
