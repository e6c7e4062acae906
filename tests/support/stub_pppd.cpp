// A stand-in for pppd in the tests, started as `pppd call NAME [options...]` by the dial-up
// service or by a test playing a dialer. What it does is written in its peer file
// ($ORV_PPP_DIR/peers/NAME) on a line "#stub-pppd: MODE":
//   stay         (also without such a line) runs until SIGTERM, then ends with status 5,
//                as pppd does; the link comes up at once
//   ignore-term  like stay, but ignores SIGTERM; only SIGKILL ends it
// "The link is up" means what it means for pppd: "ppp-NAME.pid" in $ORV_PPP_RUN_DIR holds the
// pid. Every stub also leaves "stub-PID.pid" there once its signals are set, so that a test
// can wait for it and its fixture can end every stub it caused.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

volatile sig_atomic_t g_terminate = 0;

void onTerminate(int) {
  g_terminate = 1;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Writes `content` so that a reader never sees half of it.
void writeWhole(const std::string& path, const std::string& content) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << content;
  }
  std::rename(temp.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string entry;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "call") == 0) entry = argv[i + 1];
  if (entry.empty()) return 2;  // pppd's status for an option error

  std::string mode = "stay";
  std::ifstream peer(environment("ORV_PPP_DIR") + "/peers/" + entry);
  for (std::string line; std::getline(peer, line);) {
    if (line.rfind("#stub-pppd:", 0) != 0) continue;
    std::istringstream words(line.substr(11));
    words >> mode;
  }

  if (mode == "ignore-term") {
    signal(SIGTERM, SIG_IGN);
  } else {
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigaction(SIGTERM, &action, nullptr);
  }
  const std::string runDir = environment("ORV_PPP_RUN_DIR");
  const std::string pid = std::to_string(getpid());
  const std::string linkFile = runDir + "/ppp-" + entry + ".pid";
  const std::string stubFile = runDir + "/stub-" + pid + ".pid";
  writeWhole(linkFile, pid + "\nppp0\n");
  writeWhole(stubFile, pid + "\n");

  while (!g_terminate) pause();
  std::remove(linkFile.c_str());
  std::remove(stubFile.c_str());
  return 5;  // pppd: "the link was terminated because it received a signal"
}
