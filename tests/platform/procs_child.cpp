// A process for the tests of libprocs to look at. It writes one line when it is set up and
// ends when its standard input closes.
//   procs_child                  writes "ready"
//   procs_child FILE PAGES [LIB] maps FILE's first page as Wine maps a Windows program's header,
//                                PAGES readable anonymous pages right behind it and one page
//                                that cannot be read after those, and LIB's first page (as
//                                Wine maps its ntdll); writes the address of FILE in hex
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc >= 3) {
    const long page = ::sysconf(_SC_PAGESIZE);
    const long pages = std::atol(argv[2]);
    const std::size_t total = static_cast<std::size_t>((pages + 2) * page);
    auto* area =
        static_cast<char*>(::mmap(nullptr, total, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
    if (area == MAP_FAILED || fd < 0 ||
        ::mmap(area, page, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED)
      return 2;
    ::close(fd);
    if (pages > 0) {
      if (::mmap(area + page, pages * page, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) == MAP_FAILED)
        return 2;
      std::memset(area + page, 0x5A, pages * page);
    }
    if (argc >= 4) {
      const int lib = ::open(argv[3], O_RDONLY | O_CLOEXEC);
      if (lib < 0 || ::mmap(nullptr, page, PROT_READ, MAP_PRIVATE, lib, 0) == MAP_FAILED) return 2;
      ::close(lib);
    }
    std::printf("%lx\n", reinterpret_cast<unsigned long>(area));
  } else {
    std::printf("ready\n");
  }
  std::fflush(stdout);
  char buffer[256];
  while (::read(0, buffer, sizeof buffer) > 0) {
  }
  return 0;
}
