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

int main(int argc, char** argv) {
  DWORD ignored = 0;
  const DWORD size = argc == 2 || argc == 3 ? GetFileVersionInfoSizeA(argv[1], &ignored) : 0;
  std::vector<char> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(argv[1], 0, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed) {
    std::fprintf(stderr, "usage: version_info FILE [VERSION], FILE with a version resource\n");
    return 2;
  }
  const auto text = [&](const char* name) {
    void* value = nullptr;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || length == 0) return std::string();
    return std::string(static_cast<const char*>(value), length - 1);  // the count includes the terminator
  };
  const auto numbers = [](DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
           std::to_string(LOWORD(low));
  };
  const std::string file = numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  const std::string product = numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS);
  std::printf("file version %s\nproduct version %s\n", file.c_str(), product.c_str());
  for (const char* name : {"FileVersion", "ProductVersion", "ProductName", "FileDescription", "LegalCopyright",
                           "OriginalFilename", "CompanyName"}) {
    std::printf("%s: %s\n", name, text(name).c_str());
  }
  if (argc == 2) return 0;
  const std::string version = argv[2];
  const bool ok = file == version + ".0" && product == version + ".0" && text("FileVersion") == version &&
                  text("ProductVersion") == version && text("ProductName") == "Tessel" &&
                  !text("FileDescription").empty() && text("LegalCopyright").find("Tessel") != std::string::npos;
  if (!ok) std::fprintf(stderr, "version_info: the resource above does not match %s\n", version.c_str());
  return ok ? 0 : 1;
}
