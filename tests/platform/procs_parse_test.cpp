#include "process_image.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orv::procs;

TEST(ProcsMaps, ParsesEveryKindOfLine) {
  const struct {
    const char* line;
    bool valid;
    Mapping expected;
  } cases[] = {
      {"55d0c8a00000-55d0c8a02000 r--p 00000000 fe:00 247134                     /usr/bin/cat",
       true,
       {0x55d0c8a00000, 0x55d0c8a02000, 0, 247134, 0xfe, 0, true, "/usr/bin/cat"}},
      {"7f00-8000 -w-p 00001000 08:1f 12 /a b/with  spaces.exe (deleted)",
       true,
       {0x7f00, 0x8000, 0x1000, 12, 8, 0x1f, false, "/a b/with  spaces.exe (deleted)"}},
      {"1000-2000 rw-p 00000000 00:00 0 ", true, {0x1000, 0x2000, 0, 0, 0, 0, true, ""}},
      {"1000-2000 rw-p 00000000 00:00 0                          [heap]",
       true,
       {0x1000, 0x2000, 0, 0, 0, 0, true, "[heap]"}},
      {"2000-1000 r--p 00000000 00:00 0", false, {}},
      {"garbage", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    const auto m = parseMapsLine(c.line);
    ASSERT_EQ(m.has_value(), c.valid) << c.line;
    if (!m) continue;
    EXPECT_EQ(m->start, c.expected.start) << c.line;
    EXPECT_EQ(m->end, c.expected.end) << c.line;
    EXPECT_EQ(m->offset, c.expected.offset) << c.line;
    EXPECT_EQ(m->inode, c.expected.inode) << c.line;
    EXPECT_EQ(m->devMajor, c.expected.devMajor) << c.line;
    EXPECT_EQ(m->devMinor, c.expected.devMinor) << c.line;
    EXPECT_EQ(m->readable, c.expected.readable) << c.line;
    EXPECT_EQ(m->path, c.expected.path) << c.line;
  }
  EXPECT_EQ(parseMaps("1000-2000 r--p 0 00:01 5 /x\nbad\n2000-3000 r--p 0 00:01 5 /x").size(), 2U);
  EXPECT_EQ(unescapeMapsPath("/a\\012b\\01.exe"), "/a\nb\\01.exe");
}

TEST(ProcsMaps, RecognisesWineAndWindowsPrograms) {
  for (const char* loader :
       {"/usr/bin/wine", "/usr/lib/wine/wine64", "/opt/wine-preloader", "wine64-preloader"})
    EXPECT_TRUE(isWineLoader(loader)) << loader;
  for (const char* other : {"/usr/bin/winecfg", "/usr/bin/wineserver", "/home/u/wine/app", ""})
    EXPECT_FALSE(isWineLoader(other)) << other;
  for (const char* ntdll : {"/usr/lib/x86_64-linux-gnu/wine/x86_64-unix/ntdll.so",
                            "/opt/w/lib/wine/ntdll.dll.so", "/p/files/lib/wine/i386-unix/ntdll.so"})
    EXPECT_TRUE(isWineNtdll(ntdll)) << ntdll;
  for (const char* other : {"/tmp/ntdll.so", "/usr/lib/wine/x86_64-windows/ntdll.dll",
                            "/home/u/winetricks/ntdll.so", "ntdll.so", ""})
    EXPECT_FALSE(isWineNtdll(other)) << other;
  for (const char* exe : {"/c/Setup.EXE", "/c/a.exe (deleted)", "/x/y z.Exe"})
    EXPECT_TRUE(isWindowsProgram(exe)) << exe;
  for (const char* other : {"/c/a.dll", "[heap]", "/.exe", "a.exe", "/c/a.exe.bak", ""})
    EXPECT_FALSE(isWindowsProgram(other)) << other;
}

TEST(ProcsMaps, ImageRunEndsAtAGapAnUnreadableOrAnotherFile) {
  auto map = [](std::uint64_t start, std::uint64_t end, bool readable, std::uint64_t inode,
                const char* path, std::uint64_t offset = 0) {
    Mapping m;
    m.start = start;
    m.end = end;
    m.readable = readable;
    m.inode = inode;
    m.offset = offset;
    m.path = path;
    return m;
  };
  const std::vector<Mapping> maps = {
      map(0x1000, 0x2000, true, 9, "/lib.so"),
      map(0x10000, 0x11000, true, 7, "/prog"),
      map(0x11000, 0x13000, true, 7, "/prog", 0x1000),
      map(0x13000, 0x14000, true, 0, ""),  // bss behind the program
      map(0x14000, 0x15000, false, 0, ""),
      map(0x15000, 0x16000, true, 0, ""),
      map(0x20000, 0x21000, true, 7, "/prog", 0x3000),  // after a gap
  };
  const FileId prog{0, 0, 7};
  ASSERT_EQ(findImageStart(maps, prog, "/prog"), 1U);
  EXPECT_EQ(findImageStart(maps, FileId{0, 0, 99}, "/prog"), 1U) << "by path when ids differ";
  EXPECT_FALSE(findImageStart(maps, FileId{0, 0, 99}, "/other"));
  EXPECT_EQ(readableRun(maps, 1, true, ~0ULL), 0x3000U);
  EXPECT_EQ(readableRun(maps, 1, false, ~0ULL), 0x4000U);
  EXPECT_EQ(readableRun(maps, 1, false, 0x2800), 0x2800U);
  EXPECT_EQ(readableRun(maps, 4, false, ~0ULL), 0U);
  EXPECT_EQ(readableRun(maps, 99, false, ~0ULL), 0U);
}

TEST(ProcsMaps, ReadsTheImageSizeOfPeHeadersOnly) {
  auto pe = [](std::uint16_t magic, std::uint32_t size, std::uint32_t at = 0x80) {
    std::string bytes(0x200, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    std::memcpy(&bytes[0x3C], &at, 4);
    if (at + 84 <= bytes.size()) {
      std::memcpy(&bytes[at], "PE\0\0", 4);
      std::memcpy(&bytes[at + 24], &magic, 2);
      std::memcpy(&bytes[at + 80], &size, 4);
    }
    return bytes;
  };
  const struct {
    std::string bytes;
    std::optional<std::uint64_t> size;
    const char* what;
  } cases[] = {
      {pe(0x10B, 0x5000), 0x5000, "PE32"},
      {pe(0x20B, 0x123000), 0x123000, "PE32+"},
      {pe(0x107, 0x5000), std::nullopt, "ROM image magic"},
      {pe(0x10B, 0), std::nullopt, "empty image"},
      {pe(0x10B, 0x5000, 0x10), std::nullopt, "header inside the DOS header"},
      {pe(0x10B, 0x5000, 0x7FFFFFFF), std::nullopt, "header far away"},
      {std::string(0x200, 'x'), std::nullopt, "not MZ"},
      {"MZ", std::nullopt, "cut short"},
  };
  for (const auto& c : cases) {
    const auto read = [&](std::uint64_t offset, void* out, std::size_t length) {
      if (offset > c.bytes.size() || length > c.bytes.size() - offset) return false;
      std::memcpy(out, c.bytes.data() + offset, length);
      return true;
    };
    EXPECT_EQ(peImageSize(read), c.size) << c.what;
  }
}
