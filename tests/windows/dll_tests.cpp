// Tessaly.dll as the editor meets it: loaded by the system loader, its
// exports found by name, its resource read, and a whole stroke drawn through
// a PenContext laid out byte by byte at the documented offsets. Uses none of
// the pen's own headers: everything here is what the editor can see.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pen_button_rows.h"
#include "zorvel_windows.h"

namespace {

using GetInfoFn = int32_t(__cdecl*)(void* info);
using PenFn = int32_t(__cdecl*)(HWND window, UINT message, WPARAM keyFlags, LPARAM param,
                                void* ctx);

// The library, loaded once for the whole program as the editor would.
HMODULE library() {
  static HMODULE module = LoadLibraryA("Tessaly.dll");
  return module;
}
GetInfoFn getInfo() {
  return reinterpret_cast<GetInfoFn>(
      reinterpret_cast<void*>(GetProcAddress(library(), "_ZVGetInfo")));
}
PenFn pen() {
  return reinterpret_cast<PenFn>(reinterpret_cast<void*>(GetProcAddress(library(), "_ZVPen")));
}

void put32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
uint32_t get32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
uint32_t addressOf(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Bytes with guard bytes on both sides that nothing may touch.
class Guarded {
 public:
  static constexpr std::size_t kGuard = 32;
  static constexpr uint8_t kGuardByte = 0xA5;
  Guarded(std::size_t size, uint8_t fill) : bytes_(size + 2 * kGuard, kGuardByte) {
    std::memset(data(), fill, size);
  }
  uint8_t* data() { return bytes_.data() + kGuard; }
  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != kGuardByte || bytes_[bytes_.size() - 1 - i] != kGuardByte) return false;
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// A bitmap as the editor keeps it: a 40-byte header and bottom-up rows of
// width rounded up to 4 bytes, each part guarded.
struct Bitmap {
  int32_t width, height;
  Guarded header{40, 0};
  Guarded bits;
  Bitmap(int32_t w, int32_t h, uint8_t fill)
      : width(w), height(h), bits(static_cast<std::size_t>(stride() * h), fill) {
    put32(header.data(), 40);
    put32(header.data() + 4, static_cast<uint32_t>(w));
    put32(header.data() + 8, static_cast<uint32_t>(h));
  }
  int32_t stride() const { return (width + 3) & ~3; }
  uint8_t& at(int32_t x, int32_t y) { return bits.data()[(height - 1 - y) * stride() + x]; }
  bool guardsIntact() const { return header.guardsIntact() && bits.guardsIntact(); }
};

TEST(Library, LoadsAndExportsThePenByName) {
  ASSERT_NE(library(), nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(library(), path, MAX_PATH);
  EXPECT_NE(std::string(path).find("Tessaly.dll"), std::string::npos) << path;
  EXPECT_NE(getInfo(), nullptr);
  EXPECT_NE(pen(), nullptr);
  for (const char* absent : {"ZVPen", "ZVGetInfo", "DllMain", "__ZVPen", "exportedPen"})
    EXPECT_EQ(GetProcAddress(library(), absent), nullptr) << absent;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
  return TRUE;
}

TEST(Library, TheEntryAnswersTrueForThreadsComingAndGoing) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      reinterpret_cast<const uint8_t*>(library()) + dos->e_lfanew);
  using EntryFn = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
  const auto entry = reinterpret_cast<EntryFn>(reinterpret_cast<uintptr_t>(library()) +
                                               nt->OptionalHeader.AddressOfEntryPoint);
  EXPECT_EQ(entry(library(), DLL_THREAD_ATTACH, nullptr), TRUE);
  EXPECT_EQ(entry(library(), DLL_THREAD_DETACH, nullptr), TRUE);
}

TEST(PenButton, IsAJapaneseTaggedSixteenColourBitmapOfThePicture) {
  // The only language of PEN_BUTTON is Japanese.
  std::vector<WORD> languages;
  EnumResourceLanguagesA(library(), MAKEINTRESOURCEA(2), "PEN_BUTTON", collectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{0x0411});

  HRSRC found = FindResourceExA(library(), MAKEINTRESOURCEA(2), "PEN_BUTTON",
                                MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(SizeofResource(library(), found), 40u + 16 * 4 + 240);
  const auto* dib = static_cast<const uint8_t*>(LockResource(LoadResource(library(), found)));
  ASSERT_NE(dib, nullptr);
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof header);
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 20);
  EXPECT_EQ(header.biHeight, 20);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 4);
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(header.biSizeImage, 240u);
  EXPECT_EQ(header.biClrUsed, 16u);

  const uint8_t palette[16][3] = {// red, green, blue
                                  {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                  {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                  {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                  {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  for (int i = 0; i < 16; ++i) {
    const uint8_t* quad = dib + 40 + 4 * i;  // blue, green, red, 0
    EXPECT_EQ(quad[2], palette[i][0]) << "colour " << i;
    EXPECT_EQ(quad[1], palette[i][1]) << "colour " << i;
    EXPECT_EQ(quad[0], palette[i][2]) << "colour " << i;
    EXPECT_EQ(quad[3], 0) << "colour " << i;
  }

  ASSERT_EQ(sizeof kPenButtonRows / sizeof kPenButtonRows[0], 20u);
  const uint8_t* pixels = dib + 40 + 64;
  for (int y = 0; y < 20; ++y) {
    const uint8_t* row = pixels + (19 - y) * 12;  // bottom-up, 12 bytes a row
    ASSERT_EQ(std::strlen(kPenButtonRows[y]), 20u);
    for (int x = 0; x < 20; ++x) {
      const int expected = std::stoi(std::string(1, kPenButtonRows[y][x]), nullptr, 16);
      const int actual = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
      EXPECT_EQ(actual, expected) << "pixel (" << x << ", " << y << ")";
    }
    EXPECT_EQ(row[10], 0);
    EXPECT_EQ(row[11], 0);
  }

  HANDLE image = LoadImageA(library(), "PEN_BUTTON", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  ASSERT_NE(image, nullptr);
  BITMAP info{};
  ASSERT_NE(GetObjectA(image, sizeof info, &info), 0);
  EXPECT_EQ(info.bmWidth, 20);
  EXPECT_EQ(info.bmHeight, 20);
  DeleteObject(image);
}

TEST(GetInfo, FillsEveryFieldButTheEditorsTwo) {
  uint8_t record[32 + 16];
  std::memset(record, 0xCC, sizeof record);
  ASSERT_EQ(getInfo()(record), 1);
  EXPECT_EQ(get32(record + 0), 0xCCCCCCCCu);
  EXPECT_EQ(get32(record + 16), 0xCCCCCCCCu);
  for (std::size_t i = 32; i < sizeof record; ++i) EXPECT_EQ(record[i], 0xCC) << i;
  EXPECT_EQ(get32(record + 4), 0x01002008u);

  auto text = [&](std::size_t offset) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(get32(record + offset)));
  };
  // The strings are the library's own.
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(library());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      reinterpret_cast<const uint8_t*>(library()) + dos->e_lfanew);
  const uintptr_t base = reinterpret_cast<uintptr_t>(library());
  for (std::size_t offset : {8u, 12u, 20u, 24u, 28u}) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(text(offset));
    EXPECT_TRUE(at >= base && at < base + nt->OptionalHeader.SizeOfImage) << offset;
  }
  EXPECT_STREQ(text(8), "Tessaly");
  EXPECT_STREQ(text(28), "Tessaly");
  EXPECT_NE(text(8), text(28));
  const unsigned char description[] = {0x92, 0xB7, 0x95, 0xFB, 0x8C, 0x60, 0x82, 0xCC,
                                       0x83, 0x73, 0x83, 0x4E, 0x83, 0x5A, 0x83, 0x8B,
                                       0x82, 0xC5, 0x95, 0x60, 0x89, 0xE6, 0x00};
  EXPECT_EQ(std::memcmp(text(12), description, sizeof description), 0);
  const std::string copyright = text(20);
  EXPECT_FALSE(copyright.empty());
  EXPECT_EQ(copyright.find_first_of("\r\n"), std::string::npos);
  EXPECT_STREQ(text(24), TESSALY_VERSION);

  uint8_t again[32];
  std::memset(again, 0, sizeof again);
  ASSERT_EQ(getInfo()(again), 1);
  EXPECT_EQ(std::memcmp(again + 4, record + 4, 12), 0);
  EXPECT_EQ(std::memcmp(again + 20, record + 20, 12), 0);
}

// The version resource, as Windows reads it for the file's properties: the
// numbers and texts of what ZVGetInfo hands the editor, the strings converted
// from its code page.
TEST(VersionResource, SaysWhichTessalyThisIs) {
  uint8_t record[32] = {};
  ASSERT_EQ(getInfo()(record), 1);
  auto text = [&](std::size_t offset) {
    const char* bytes =
        reinterpret_cast<const char*>(static_cast<uintptr_t>(get32(record + offset)));
    const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, -1, &wide[0], length);
    wide.pop_back();  // the NUL
    return wide;
  };

  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(library(), path, MAX_PATH), 0u);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  ASSERT_NE(size, 0u);
  std::vector<uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // "0.01" is 0.1.0.0: each part of the text a number.
  uint32_t numbers[4] = {};
  const std::string version =
      reinterpret_cast<const char*>(static_cast<uintptr_t>(get32(record + 24)));
  for (std::size_t i = 0, start = 0; i < 4 && start <= version.size(); ++i) {
    const std::size_t dot = std::min(version.find('.', start), version.size());
    numbers[i] = static_cast<uint32_t>(std::stoul(version.substr(start, dot - start)));
    start = dot + 1;
  }
  EXPECT_EQ(fixed->dwFileVersionMS, numbers[0] << 16 | numbers[1]);
  EXPECT_EQ(fixed->dwFileVersionLS, numbers[2] << 16 | numbers[3]);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileFlags, 0u);

  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const auto* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0411);  // Japanese
  EXPECT_EQ(translation[1], 1200);    // UTF-16

  auto field = [&](const wchar_t* name) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    void* found = nullptr;
    UINT characters = 0;
    if (!VerQueryValueW(block.data(), key.c_str(), &found, &characters)) return std::wstring(L"?");
    return std::wstring(static_cast<const wchar_t*>(found));
  };
  EXPECT_EQ(field(L"ProductName"), text(8));
  EXPECT_EQ(field(L"FileDescription"), text(12));
  EXPECT_EQ(field(L"LegalCopyright"), text(20));
  EXPECT_EQ(field(L"FileVersion"), text(24));
  EXPECT_EQ(field(L"ProductVersion"), text(24));
  EXPECT_EQ(field(L"OriginalFilename"), L"Tessaly.dll");
  EXPECT_EQ(text(12).size(), 11u);  // the description's characters, not its bytes
}

}  // namespace

// Calls fn(args[0], ..., args[4]) as a cdecl caller does and reports how many
// argument bytes are still on the stack when fn returns: 20 when fn leaves
// their removal to the caller (cdecl), 0 when it removes them (stdcall).
extern "C" int32_t callCountingStackBytes(void* fn, const uint32_t* args, uint32_t* bytesLeft);
asm(".text\n"
    ".globl _callCountingStackBytes\n"
    "_callCountingStackBytes:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl %esp, %edi\n"  // the stack pointer before the arguments
    "  pushl 16(%esi)\n"
    "  pushl 12(%esi)\n"
    "  pushl 8(%esi)\n"
    "  pushl 4(%esi)\n"
    "  pushl (%esi)\n"
    "  call *8(%ebp)\n"
    "  movl %edi, %ecx\n"
    "  subl %esp, %ecx\n"
    "  movl 16(%ebp), %edx\n"
    "  movl %ecx, (%edx)\n"
    "  movl %edi, %esp\n"  // the caller's clean-up
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");

namespace {

int32_t __cdecl cdeclOfFive(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return 1; }
int32_t __stdcall stdcallOfFive(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return 2; }

TEST(PenCall, TheCallerRemovesTheArguments) {
  // The measurement tells the two conventions apart.
  const uint32_t none[5] = {};
  uint32_t left = 0;
  EXPECT_EQ(callCountingStackBytes(reinterpret_cast<void*>(cdeclOfFive), none, &left), 1);
  EXPECT_EQ(left, 20u);
  EXPECT_EQ(callCountingStackBytes(reinterpret_cast<void*>(stdcallOfFive), none, &left), 2);
  EXPECT_EQ(left, 0u);

  uint8_t record[76] = {};
  const uint32_t args[5] = {0, 0x0007 /* WM_SETFOCUS */, 0, 0, addressOf(record)};
  uint32_t bytesLeft = 0xFFFFFFFF;
  EXPECT_EQ(callCountingStackBytes(reinterpret_cast<void*>(pen()), args, &bytesLeft), 0);
  EXPECT_EQ(bytesLeft, 20u);
  uint8_t info[32] = {};
  const uint32_t infoArgs[5] = {addressOf(info), 0, 0, 0, 0};
  EXPECT_EQ(callCountingStackBytes(reinterpret_cast<void*>(getInfo()), infoArgs, &bytesLeft), 1);
  EXPECT_EQ(bytesLeft, 20u);
}

// Byte offsets of the PenContext fields.
enum : std::size_t {
  kCanvasHeader = 4,
  kCanvasBits = 8,
  kMaskBits = 12,
  kPickBits = 16,
  kBrushHeader = 20,
  kBrushBits = 24,
  kStateFlags = 28,
  kPrimary = 32,
  kSecondary = 36,
  kToneLevel = 48,
  kCursorX = 52,
  kCursorY = 56,
  kChangedLeft = 60,
  kRecordSize = 76
};

TEST(PenCall, AStrokeThroughTheLibraryInTheEditorsWindows) {
  zorvel_windows::Tree tree;
  ASSERT_TRUE(tree.complete());
  tree.select("4x2 pixels");

  Bitmap canvas(16, 8, 0), pick(16, 8, 0), brush(1, 1, 0);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 16; ++x) pick.at(x, y) = static_cast<uint8_t>(16 * y + x);
  Guarded record(kRecordSize, 0xCC);  // host fields keep their 0xCC
  uint8_t* r = record.data();
  put32(r + kCanvasHeader, addressOf(canvas.header.data()));
  put32(r + kCanvasBits, addressOf(canvas.bits.data()));
  put32(r + kMaskBits, 0xDEADBEEF);  // stale: PCF_MASK is clear
  put32(r + kPickBits, addressOf(pick.bits.data()));
  put32(r + kBrushHeader, addressOf(brush.header.data()));
  put32(r + kBrushBits, addressOf(brush.bits.data()));
  put32(r + kStateFlags, 0x00000100);
  put32(r + kPrimary, 0x0A);
  put32(r + kSecondary, 0x10B);  // only the low byte is painted
  put32(r + kToneLevel, 6);
  auto send = [&](UINT message, WPARAM keyFlags, int32_t x, int32_t y) {
    put32(r + kCursorX, static_cast<uint32_t>(x));
    put32(r + kCursorY, static_cast<uint32_t>(y));
    EXPECT_EQ(pen()(tree.view, message, keyFlags, 0x12345678, r), 0);
  };
  auto changed = [&] {
    std::vector<int32_t> rect(4);
    std::memcpy(rect.data(), r + kChangedLeft, 16);
    return rect;
  };
  auto rows = [&] {
    std::vector<std::string> out;
    for (int32_t y = 0; y < 8; ++y) {
      std::string row;
      for (int32_t x = 0; x < 16; ++x)
        row += canvas.at(x, y) == 0      ? '.'
               : canvas.at(x, y) == 0x0A ? 'A'
               : canvas.at(x, y) == 0x0B ? 'B'
                                         : '?';
      out.push_back(row);
    }
    return out;
  };

  send(WM_LBUTTONDOWN, MK_LBUTTON, 1, 1);
  EXPECT_EQ(changed(), (std::vector<int32_t>{2, 2, 3, 3}));
  send(WM_MOUSEMOVE, MK_LBUTTON, 9, 4);
  EXPECT_EQ(changed(), (std::vector<int32_t>{2, 2, 11, 5}));
  send(WM_MOUSEMOVE, MK_LBUTTON, 12, 4);
  EXPECT_EQ(changed(), (std::vector<int32_t>{10, 5, 14, 6}));
  send(WM_LBUTTONUP, 0, 12, 4);
  EXPECT_EQ(rows(),
            (std::vector<std::string>{"................", "................", "AAAABBBB........",
                                      "AAAABBBB........", "........BBBBAAAA", "........BBBBAAAA",
                                      "................", "................"}));
  EXPECT_EQ(get32(r + kStateFlags), 0x03000100u);

  // Right clicks: Shift picks into the secondary colour; off the canvas
  // nothing is picked.
  send(WM_RBUTTONDOWN, MK_SHIFT, 3, 7);
  EXPECT_EQ(get32(r + kSecondary), 16u * 7 + 3);
  EXPECT_EQ(get32(r + kPrimary), 0x0Au);
  EXPECT_EQ(get32(r + kStateFlags), 0x07000100u);
  put32(r + kStateFlags, 0);
  send(WM_RBUTTONDOWN, 0, 16, 0);
  send(WM_RBUTTONDOWN, 0, -1, 0);
  EXPECT_EQ(get32(r + kPrimary), 0x0Au);
  EXPECT_EQ(get32(r + kStateFlags), 0u);

  for (std::size_t offset : {0u, 40u, 44u}) EXPECT_EQ(get32(r + offset), 0xCCCCCCCCu) << offset;
  EXPECT_EQ(get32(r + kMaskBits), 0xDEADBEEFu);
  EXPECT_TRUE(record.guardsIntact());
  EXPECT_TRUE(canvas.guardsIntact());
  EXPECT_TRUE(pick.guardsIntact());
  EXPECT_TRUE(brush.guardsIntact());
}

}  // namespace
