// SHA-256 digests, made by a library that the platform keeps: nettle on Linux, the CryptoAPI
// of advapi32 on Windows (SHA-256 there since XP SP3). They are built as a library of their
// own, quelb_digest, which only the unattended program links, so that setup carries none of
// it. Failures are stored as every service stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "services/error.h"
#include "services/text.h"

namespace quelb {

// A digest as text: 64 small hexadecimal digits.
inline constexpr size_t kSha256TextLength = 64;

// The digest of the bytes; empty, with the error stored, when the platform's library fails.
Text Sha256OfBytes(ErrorState& state, std::string_view bytes);

// The digest of the file's bytes, read a piece at a time, so that memory stays bounded
// whatever the file's size. The path is taken as every service takes it, and the file is only
// read. Empty, with the error stored, when it cannot be read whole: 53 for a missing file, 76
// for a missing folder, 70 for a folder or, on Windows, a file that another process writes.
// The count of bytes digested goes to size, when given, if the file was read whole.
Text Sha256OfFile(ErrorState& state, const Text& path, int64_t* size = nullptr);

}  // namespace quelb
