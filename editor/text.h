// Texts handed to the host: copies into its buffers, the one-line
// description and the help page's place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel::editor {

// The most the description writes, terminator included: the system's
// formatter never wrote more, so hosts size their buffers for it.
inline constexpr std::size_t kDescriptionLimit = 1024;

// Copies text into a buffer of size bytes, cut to size - 1 characters and
// terminated. A null buffer or a size below 1 receives nothing. Returns the
// characters copied.
std::size_t copyText(char* buffer, int32_t size, std::string_view text);

// Formats a description: each "%s" of the format becomes the value (a null
// value reads as empty), "%%" a single "%", anything else stays as it is.
std::string formatDescription(std::string_view format, const char* value);

// The help page beside the module: the module's folder, then the page's name.
std::string helpPagePath(std::string_view modulePath);

}  // namespace tessel::editor
