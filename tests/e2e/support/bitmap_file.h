#pragma once
// Files of bytes and 24-bit BMP pictures, as the tests make and read them:
// wallpapers of one colour or a pattern, and the snapshots Zelvane writes.
#include <windows.h>

#include <functional>
#include <string>

namespace e2e {

bool writeBytes(const std::wstring& path, const std::string& bytes);
// Empty when the file cannot be read.
std::string readBytes(const std::wstring& path);
// A 24-bit BMP of w x h whose pixel (x, y from the top) is colour(x, y).
std::string makeBmp(int w, int h, const std::function<COLORREF(int, int)>& colour);
// Pixel (x, y from the top) of a 24-bit BMP file's bytes, or CLR_INVALID.
COLORREF bmpPixel(const std::string& bmp, int x, int y);

}  // namespace e2e
