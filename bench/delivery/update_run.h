// Update runs without a window, which both builds make: the delivery bench's own, and those of
// the Windows build's run program that the bench times under Wine.
#pragma once

#include <filesystem>
#include <string>

namespace delivery {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& why);

// Puts in place the operator of the bench, which accepts the completion message only.
void InstallOperator();

// A whole run from source into target that must deliver this many files.
void UpdateRun(const fs::path& source, const fs::path& target, int files);

}  // namespace delivery
