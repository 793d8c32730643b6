// Photographs a window as the screen shows it and writes it as NAME.png in
// the working folder.
#pragma once

#include <windows.h>
// after windows.h, which they need
#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel::test {

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
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::string fault = lines != height ? "the screen could not be read"
                      : std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels[0]; })
                          ? "the picture is one colour: nothing was drawn"
                          : "";
  if (fault.empty()) {
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    // The system's PNG encoder.
    const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const std::wstring file(name.begin(), name.end());
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
      fault = "no picture encoder";
    } else {
      if (Gdiplus::Bitmap(bitmap, nullptr).Save((file + L".png").c_str(), &png, nullptr) != Gdiplus::Ok) {
        fault = "the file could not be written";
      }
      Gdiplus::GdiplusShutdown(token);
    }
  }
  DeleteObject(bitmap);
  return fault;
}

}  // namespace tessel::test
