#include "bitmap_file.h"

#include <cstdint>

namespace e2e {

bool writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == bytes.size();
}

std::string readBytes(const std::wstring& path) {
    // Shared every way: Zelvane may be writing or replacing the file meanwhile.
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(f);
    return bytes;
}

namespace {

void put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

}  // namespace

// A 24-bit BMP of w x h whose pixel (x, y from the top) is colour(x, y).
std::string makeBmp(int w, int h, const std::function<COLORREF(int, int)>& colour) {
    const int row = (3 * w + 3) & ~3;
    std::string s(54 + static_cast<std::size_t>(row) * h, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<std::uint32_t>(s.size()));
    put32(s, 10, 54);
    put32(s, 14, 40);
    put32(s, 18, static_cast<std::uint32_t>(w));
    put32(s, 22, static_cast<std::uint32_t>(h));
    s[26] = 1;
    s[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            const std::size_t at = 54 + static_cast<std::size_t>(h - 1 - y) * row + 3 * x;
            s[at] = static_cast<char>(GetBValue(c));
            s[at + 1] = static_cast<char>(GetGValue(c));
            s[at + 2] = static_cast<char>(GetRValue(c));
        }
    return s;
}

// Pixel (x, y from the top) of a 24-bit BMP file's bytes, or CLR_INVALID.
COLORREF bmpPixel(const std::string& s, int x, int y) {
    if (s.size() < 54 || s[0] != 'B' || s[1] != 'M') return CLR_INVALID;
    const auto get32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
        return v;
    };
    const int w = static_cast<int>(get32(18)), h = static_cast<int>(get32(22));
    const int row = (3 * w + 3) & ~3;
    const std::size_t at = 54 + static_cast<std::size_t>(h - 1 - y) * row + 3 * x;
    if (x < 0 || y < 0 || x >= w || y >= h || at + 2 >= s.size()) return CLR_INVALID;
    return RGB(static_cast<unsigned char>(s[at + 2]), static_cast<unsigned char>(s[at + 1]),
               static_cast<unsigned char>(s[at]));
}

}  // namespace e2e
