#include "editor/text.h"

#include <algorithm>
#include <cstring>

#include "editor/resource.h"

namespace tessel::editor {

std::size_t copyText(char* buffer, int32_t size, std::string_view text) {
  if (buffer == nullptr || size < 1) return 0;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

std::string formatDescription(std::string_view format, const char* value) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == '%')) {
      if (format[++i] == '%') {
        out += '%';
      } else if (value != nullptr) {
        out += value;
      }
    } else {
      out += format[i];
    }
  }
  return out;
}

std::string helpPagePath(std::string_view modulePath) {
  const std::size_t slash = modulePath.find_last_of("\\/");
  std::string path(slash == std::string_view::npos ? std::string_view{} : modulePath.substr(0, slash + 1));
  return path + TESSEL_HELP_PAGE;
}

}  // namespace tessel::editor
