// Photographs a window as the screen shows it and writes it as NAME.bmp and
// NAME.png in the working folder.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tessel::test {

inline uint32_t crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : data) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

inline std::string bigEndian(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

inline std::string chunk(const char* type, const std::string& data) {
  const std::string body = type + data;
  return bigEndian(static_cast<uint32_t>(data.size())) + body + bigEndian(crc32(body));
}

// RGB rows, top first, as a PNG whose image data is stored without compression.
inline std::string png(int width, int height, const std::vector<unsigned char>& rgb) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(&rgb[static_cast<std::size_t>(y) * width * 3]),
               static_cast<std::size_t>(width) * 3);
  }
  std::string z = "\x78\x01";
  uint32_t a = 1;
  uint32_t b = 0;
  for (const char c : raw) {
    a = (a + static_cast<unsigned char>(c)) % 65521;
    b = (b + a) % 65521;
  }
  for (std::size_t at = 0; at < raw.size(); at += 65535) {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n == raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z += raw.substr(at, n);
  }
  z += bigEndian((b << 16) | a);
  const std::string header = bigEndian(static_cast<uint32_t>(width)) + bigEndian(static_cast<uint32_t>(height)) +
                             std::string("\x08\x02\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", z) + chunk("IEND", "");
}

// "" when written; otherwise what went wrong.
inline std::string photograph(HWND window, const std::string& name) {
  // The caption is drawn as active even without a window manager to activate it.
  SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  // Drawing reaches the screen a little later; give it time before reading it back.
  GdiFlush();
  for (int i = 0; i < 30; ++i) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(10);
  }
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return "the window has no size";
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  std::vector<unsigned char> bgr(stride * static_cast<std::size_t>(height));
  const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgr.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (lines != height) return "the screen could not be read";

  std::vector<unsigned char> rgb;
  bool uniform = true;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &bgr[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3];
      rgb.insert(rgb.end(), {p[2], p[1], p[0]});
      uniform = uniform && std::equal(p, p + 3, bgr.data());
    }
  }
  if (uniform) return "the picture is one colour: nothing was drawn";
  std::ofstream(name + ".png", std::ios::binary) << png(width, height, rgb);

  BITMAPFILEHEADER file{};
  info.bmiHeader.biHeight = height;
  std::string bottomUp;
  for (int y = height - 1; y >= 0; --y) {
    bottomUp.append(reinterpret_cast<const char*>(&bgr[static_cast<std::size_t>(y) * stride]), stride);
  }
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + bottomUp.size());
  std::ofstream out(name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out << bottomUp;
  return out ? "" : "the files could not be written";
}

}  // namespace tessel::test
