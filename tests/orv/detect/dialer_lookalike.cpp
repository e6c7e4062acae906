// A harmless program that looks like a dialer to the heuristic check: its image holds the name
// of a dialling function and a premium-rate number. It dials nothing and waits until killed.
//
//   dialer_lookalike                      waits
//   dialer_lookalike --exec-on-usr1 PROG  on SIGUSR1 turns into PROG (same id, another program)

#include <csignal>
#include <cstring>

#include <unistd.h>

namespace {

__attribute__((used)) volatile const char kDialFunction[] = "RasDialA";
__attribute__((used)) volatile const char kNumber[] = "0190-555 01 23";

const char* g_nextProgram = nullptr;

void becomeNextProgram(int) {
  char* const argv[] = {const_cast<char*>(g_nextProgram), const_cast<char*>("100000"), nullptr};
  ::execve(g_nextProgram, argv, environ);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--exec-on-usr1") == 0) {
    g_nextProgram = argv[2];
    std::signal(SIGUSR1, becomeNextProgram);
  }
  // Touch the texts so that no optimisation can prove them unused.
  if (kDialFunction[0] != 'R' || kNumber[0] != '0') return 1;
  for (;;) ::pause();
}
