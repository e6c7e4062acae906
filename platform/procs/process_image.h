#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "process_memory.h"

namespace orv::procs {

// One line of /proc/PID/maps.
struct Mapping {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::uint64_t offset = 0;
  std::uint64_t inode = 0;
  unsigned devMajor = 0;
  unsigned devMinor = 0;
  bool readable = false;
  // As the kernel shows it: a line break escaped as "\012", " (deleted)" after a removed file.
  std::string path;
};

// Identifies a file across /proc: its device and inode.
struct FileId {
  unsigned devMajor = 0;
  unsigned devMinor = 0;
  std::uint64_t inode = 0;
};

struct ImageBlock {
  std::uint64_t base = 0;
  std::uint64_t size = 0;
};

std::optional<Mapping> parseMapsLine(std::string_view line);
std::vector<Mapping> parseMaps(std::string_view text);

// Undoes the kernel's escaping of a line break in a mapped file's path.
std::string unescapeMapsPath(std::string_view path);

// A process run by Wine: its executable is one of Wine's loaders (wine, wine64, wine-preloader,
// wine64-preloader); the Windows program is an .exe file mapped into it.
bool isWineLoader(std::string_view executablePath);
// Wine's own ntdll, which every Wine process maps: "ntdll.so" (or "ntdll.dll.so" of older
// versions) in a folder "wine" of its installation.
bool isWineNtdll(std::string_view mapsPath);
// Whether the process is run by Wine: a loader by name that has Wine's ntdll mapped. A native
// program that is merely called "wine" is none, whatever .exe files it maps: taking one of
// those for its program would offer that file for deletion.
bool isWineProcess(std::string_view executablePath, const std::vector<Mapping>& maps);
// Whether the mapped file's name ends in ".exe", in any case.
bool isWindowsProgram(std::string_view mapsPath);

// The index of the mapping at which the image of `exe` starts (file offset 0), matched by
// device and inode, else by `exeMapsPath` (the path as maps would show it).
std::optional<std::size_t> findImageStart(const std::vector<Mapping>& maps, const FileId& exe,
                                          std::string_view exeMapsPath);
// The index of the first .exe mapped at file offset 0 (the program of a Wine process).
std::optional<std::size_t> findWindowsImageStart(const std::vector<Mapping>& maps);

// Length of the readable, gapless run of mappings from maps[first], at most `cap` bytes; with
// `sameFileOnly` only mappings of maps[first]'s file count.
std::uint64_t readableRun(const std::vector<Mapping>& maps, std::size_t first, bool sameFileOnly,
                          std::uint64_t cap);

// Reads `length` bytes at `offset` from the start of an image; false when they cannot be read.
using ImageReader = std::function<bool(std::uint64_t offset, void* out, std::size_t length)>;

// The SizeOfImage field of a PE image (DOS header "MZ", "PE\0\0", optional header of PE32 or
// PE32+), or nothing when the bytes are not such an image.
std::optional<std::uint64_t> peImageSize(const ImageReader& read);

// --- Reading the live system ----------------------------------------------------------------

std::optional<std::vector<std::uint32_t>> listProcessIds();
std::optional<ImageBlock> locateImage(std::uint32_t pid);
// The path of the process's program as we see it; nothing when that path would name another
// file here (the program was replaced, or runs in another mount namespace).
std::optional<std::string> executablePath(std::uint32_t pid);
using orv::readProcessMemory;

}  // namespace orv::procs
