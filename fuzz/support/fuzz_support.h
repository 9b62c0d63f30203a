// What the targets share: a scratch folder of the process and a hook that keeps reports quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Drops every report (the readers warn on most inputs; the fuzzer's output is what matters).
void SilenceReports();

// A private folder made on first use and removed when the process exits.
const std::string &ScratchFolder();

// Replaces `path` with exactly `size` bytes; false on any failure.
bool WriteFileBytes(const std::string &path, const void *data, size_t size);

// The input as a NUL-terminated text (an embedded NUL ends what C readers see).
std::string AsText(const uint8_t *data, size_t size);

}  // namespace fuzzsupport
