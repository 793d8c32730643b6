// The system's side of texts: the code pages' tables from its converter, and
// on Windows a console that shows and types UTF-16, met through its wide calls.
#include "tools/console/console.h"
#include "tools/console/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#elif !defined(__EMSCRIPTEN__)
#include <iconv.h>
#endif

#include <algorithm>
#include <iostream>
#include <memory>

#include "tools/console/json_array.h"

namespace tessel::console {

namespace encoding {

#if defined(_WIN32)

std::optional<Table> systemTable(int codePage) {
  CPINFO info{};
  if (GetCPInfo(static_cast<UINT>(codePage), &info) == 0 || info.MaxCharSize != 1) return std::nullopt;
  Table table{};
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t wide[2] = {};
    const int n = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, &byte, 1, wide, 2);
    table[static_cast<std::size_t>(b)] = n == 1 ? static_cast<char32_t>(wide[0]) : kUndefined;
  }
  return table;
}

#elif defined(__EMSCRIPTEN__)

// The page does its own decoding; its C library's converter would add a fifth
// to the page for tables nothing there reads. Here texts are UTF-8 or bytes.
std::optional<Table> systemTable(int /*codePage*/) { return std::nullopt; }

#else

std::optional<Table> systemTable(int codePage) {
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t converter = iconv_open("UTF-32LE", name.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  Table table{};
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    unsigned char wide[8] = {};
    char* in = &byte;
    char* out = reinterpret_cast<char*>(wide);
    std::size_t inLeft = 1, outLeft = sizeof wide;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);  // a fresh state for each byte
    const bool one = iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0 &&
                     outLeft == sizeof wide - 4;
    table[static_cast<std::size_t>(b)] =
        one ? static_cast<char32_t>(wide[0] | wide[1] << 8 | wide[2] << 16 | wide[3] << 24) : kUndefined;
  }
  iconv_close(converter);
  return table;
}

#endif

}  // namespace encoding

namespace platform {

#if defined(_WIN32)

namespace {

// The bytes of s up to its last complete UTF-8 sequence.
std::size_t completeUtf8(const std::string& s) {
  std::size_t start = s.size();
  for (std::size_t back = 0; back < 4 && start > 0; ++back) {
    const auto u = static_cast<unsigned char>(s[start - 1]);
    if ((u & 0xc0) != 0x80) {
      const std::size_t need = u < 0x80 ? 1 : u >= 0xf0 ? 4 : u >= 0xe0 ? 3 : u >= 0xc0 ? 2 : 1;
      return s.size() - (start - 1) >= need ? s.size() : start - 1;
    }
    --start;
  }
  return s.size();
}

std::wstring wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool isConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

// UTF-8 in, UTF-16 to the console; a character cut between two writes waits for its rest.
class ConsoleText::Buffer : public std::streambuf {
 public:
  explicit Buffer(HANDLE handle) : handle_(handle) {}
  ~Buffer() override { sync(); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (pending_.size() >= kChunk) write(completeUtf8(pending_));
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<std::size_t>(n));
    if (pending_.size() >= kChunk) write(completeUtf8(pending_));
    return n;
  }
  int sync() override { return write(completeUtf8(pending_)) ? 0 : -1; }

 private:
  static constexpr std::size_t kChunk = 4096;
  bool write(std::size_t bytes) {
    const std::wstring text = wide(std::string_view(pending_).substr(0, bytes));
    pending_.erase(0, bytes);
    for (std::size_t done = 0; done < text.size();) {
      DWORD n = 0;
      const auto piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
      if (WriteConsoleW(handle_, text.data() + done, piece, &n, nullptr) == 0 || n == 0) return false;
      done += n;
    }
    return true;
  }
  HANDLE handle_;
  std::string pending_;
};

ConsoleText::ConsoleText() {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (isConsole(out)) {
    out_ = std::make_unique<Buffer>(out);
    oldOut_ = std::cout.rdbuf(out_.get());
  }
  if (isConsole(err)) {
    err_ = std::make_unique<Buffer>(err);
    oldErr_ = std::cerr.rdbuf(err_.get());
  }
}

ConsoleText::~ConsoleText() {
  if (out_) {
    std::cout.flush();
    std::cout.rdbuf(oldOut_);
  }
  if (err_) {
    std::cerr.flush();
    std::cerr.rdbuf(oldErr_);
  }
}

bool readTypedLine(std::string& line) {
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  if (!isConsole(in)) return static_cast<bool>(std::getline(std::cin, line));
  std::cout.flush();
  std::wstring typed;
  for (;;) {
    wchar_t buffer[512];
    DWORD n = 0;
    if (ReadConsoleW(in, buffer, 512, &n, nullptr) == 0) return false;
    if (n == 0) return !typed.empty() || cancelRequested();  // Ctrl-C ends the read with nothing
    typed.append(buffer, n);
    if (typed.back() == L'\n') break;
  }
  while (!typed.empty() && (typed.back() == L'\n' || typed.back() == L'\r')) typed.pop_back();
  if (typed.size() == 1 && typed[0] == L'\x1a') return false;  // Ctrl-Z, Enter: the end of input
  line = narrow(typed);
  return true;
}

std::vector<std::string> arguments(int argc, char** argv) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(CommandLineToArgvW(GetCommandLineW(), &count), LocalFree);
  if (!wide) return {argv + std::min(argc, 1), argv + argc};
  std::vector<std::string> out;
  for (int i = 1; i < count; ++i) out.push_back(narrow(wide.get()[i]));
  return out;
}

namespace {

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The wide text in the system's code page, when every character of it has its own byte there.
std::optional<std::string> inCodePage(const std::wstring& text) {
  if (text.empty()) return std::string();
  BOOL lost = FALSE;
  const auto size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &lost);
  if (n <= 0 || lost) return std::nullopt;
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, out.data(), n, nullptr, &lost);
  return lost ? std::nullopt : std::optional<std::string>(out);
}

std::optional<std::wstring> shortName(const std::wstring& path) {
  const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring out(n, L'\0');
  const DWORD got = GetShortPathNameW(path.c_str(), out.data(), n);
  if (got == 0 || got >= n) return std::nullopt;
  out.resize(got);
  return out;
}

}  // namespace

std::filesystem::path filePath(const std::string& name) {
  if (json::isUtf8(name)) return {wide(name)};
  const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), out.data(), n);
  return {out};
}

std::string systemName(const std::string& name) {
  // Bytes that are not UTF-8 came in the code page already, as a game would give them.
  if (isAscii(name) || !json::isUtf8(name)) return name;
  const std::wstring path = wide(name);
  if (auto named = inCodePage(path)) return *named;
  if (const auto whole = shortName(path))
    if (auto named = inCodePage(*whole)) return *named;
  // A file still to be made: its folder's short name, when its own name fits the code page.
  const std::filesystem::path p(path);
  if (p.has_parent_path()) {
    const auto folder = shortName(p.parent_path().wstring());
    const auto leaf = inCodePage(p.filename().wstring());
    if (folder && leaf)
      if (auto named = inCodePage(*folder)) return *named + "\\" + *leaf;
  }
  throw UserError(name + ": the module names files in the system's code page (" + std::to_string(GetACP()) +
                  "), which cannot hold this name, and there is no short name for it");
}

#else

std::vector<std::string> arguments(int argc, char** argv) { return {argv + std::min(argc, 1), argv + argc}; }

std::filesystem::path filePath(const std::string& name) { return {name}; }

std::string systemName(const std::string& name) { return name; }

ConsoleText::ConsoleText() = default;
ConsoleText::~ConsoleText() = default;

bool readTypedLine(std::string& line) { return static_cast<bool>(std::getline(std::cin, line)); }

#endif

}  // namespace platform

}  // namespace tessel::console
