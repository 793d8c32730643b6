// Reads a file's version resource back as Windows shows it in the file's
// properties:
//   version_info FILE [VERSION]
// prints the fixed numbers and the strings; with VERSION it fails unless both
// numbers and both version strings are that version (a fourth number of 0)
// and the name, description and copyright are there.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string text(const std::vector<char>& block, const char* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || length == 0) return "";
  return std::string(static_cast<const char*>(value), length - 1);  // the count includes the terminator
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: version_info FILE [VERSION]\n");
    return 2;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
  std::vector<char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  if (size == 0 || !GetFileVersionInfoA(argv[1], 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) ||
      fixedLength < sizeof *fixed) {
    std::fprintf(stderr, "version_info: %s has no version resource\n", argv[1]);
    return 1;
  }
  const auto numbers = [](DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
           std::to_string(LOWORD(low));
  };
  const std::string fileNumbers = numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  const std::string productNumbers = numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  const char* names[] = {"FileVersion",    "ProductVersion",   "ProductName", "FileDescription",
                         "LegalCopyright", "OriginalFilename", "CompanyName"};
  std::printf("file version %s\nproduct version %s\n", fileNumbers.c_str(), productNumbers.c_str());
  for (const char* name : names) std::printf("%s: %s\n", name, text(block, name).c_str());
  if (argc == 2) return 0;

  const std::string version = argv[2];
  int faults = 0;
  const auto expect = [&](bool ok, const char* what) {
    if (!ok) std::fprintf(stderr, "version_info: %s does not match %s\n", what, version.c_str());
    faults += ok ? 0 : 1;
  };
  expect(fileNumbers == version + ".0", "the file version number");
  expect(productNumbers == version + ".0", "the product version number");
  expect(text(block, "FileVersion") == version, "FileVersion");
  expect(text(block, "ProductVersion") == version, "ProductVersion");
  expect(text(block, "ProductName") == "Tessel", "ProductName");
  expect(!text(block, "FileDescription").empty(), "FileDescription (empty)");
  expect(text(block, "LegalCopyright").find("Tessel") != std::string::npos, "LegalCopyright");
  return faults == 0 ? 0 : 1;
}
