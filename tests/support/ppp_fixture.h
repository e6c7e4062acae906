#pragma once

// A private pppd world for tests: a ppp folder with peers, a chat scripts folder beside it,
// a run folder, and the stub pppd (stub_pppd.cpp) in place of the real one, all named to
// the dial-up service through its environment variables. Tests that use it link the CMake
// target `ppp_test_fixture` (which builds the stub) and depend on `rasapi32` when they reach
// the service through the program's connector.
//
//   PppFixture ppp;
//   ppp.writeDialPeer("isp", "0190123456", "alice");
//   StubPppd& dialer = ppp.startDialer("isp");      // `pppd call isp`, as a dialer would
//   ... the service now lists a connection "isp" with handle dialer.pid() ...

#include <dirent.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace orvtest {

// A stub pppd started by the test itself (not by the service): killed and reaped when it goes.
class StubPppd {
 public:
  StubPppd(const std::string& program, const std::string& entry) {
    std::vector<std::string> args{program, "call", entry};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
      m_pid = -1;
  }
  ~StubPppd() {
    if (m_pid > 0 && !m_reaped) {
      ::kill(m_pid, SIGKILL);
      waitForEnd(60000);
    }
  }
  StubPppd(const StubPppd&) = delete;
  StubPppd& operator=(const StubPppd&) = delete;

  pid_t pid() const { return m_pid; }
  std::uint32_t handle() const { return static_cast<std::uint32_t>(m_pid); }

  // Waits up to `limitMs` for the stub to end; true when it has (it is then reaped).
  bool waitForEnd(int limitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!m_reaped) {
      if (::waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
        m_reaped = true;
        break;
      }
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  // Ended, but left unreaped: what another program's pppd looks like after it ended.
  bool hasEnded() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == m_pid;
  }
  bool killedBy(int signal) const {
    return m_reaped && WIFSIGNALED(m_status) && WTERMSIG(m_status) == signal;
  }
  int exitStatus() const { return m_reaped && WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }

 private:
  pid_t m_pid = -1;
  int m_status = 0;
  bool m_reaped = false;
};

class PppFixture {
 public:
  PppFixture() : m_root("orv-ppp") {
    namespace fs = std::filesystem;
    fs::create_directories(pppDir() + "/peers");
    fs::create_directories(chatDir());
    fs::create_directories(runDir());
    // The stub runs under a name of this world alone (the kernel keeps 15 bytes of it): the
    // service takes a process named "pppd" for a pppd wherever it comes from, so a stub of
    // that name would be judged, and hung up, by the dial-up monitor of any other test
    // running at the same time, and theirs by this one's.
    const std::string folder = m_root.path().filename().string();
    m_stub =
        root() + "/stub" + folder.substr(folder.size() - std::min<std::size_t>(6, folder.size()));
    fs::create_symlink(ORV_STUB_PPPD, m_stub);
    set("ORV_PPP_DIR", pppDir());
    set("ORV_PPP_RUN_DIR", runDir());
    set("ORV_PPPD", m_stub);
  }
  ~PppFixture() {
    endStubs();
    m_dialers.clear();
    for (const auto& [name, old] : m_saved) {
      if (old)
        ::setenv(name.c_str(), old->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }
  PppFixture(const PppFixture&) = delete;
  PppFixture& operator=(const PppFixture&) = delete;

  std::string root() const { return m_root.path().string(); }
  std::string pppDir() const { return root() + "/ppp"; }
  std::string peersDir() const { return pppDir() + "/peers"; }
  std::string chatDir() const { return root() + "/chatscripts"; }
  std::string runDir() const { return root() + "/run"; }

  std::string writePeer(const std::string& name, const std::string& content) const {
    return write(peersDir() + "/" + name, content);
  }
  std::string writeChatScript(const std::string& name, const std::string& content) const {
    return write(chatDir() + "/" + name, content);
  }
  std::string writeSecrets(const std::string& file, const std::string& content) const {
    return write(pppDir() + "/" + file, content);
  }

  // A peer as Debian's tools write one: a modem, a chat script that dials `number`, and
  // the user's name. `stubMode` tells the stub pppd how to behave (see stub_pppd.cpp).
  std::string writeDialPeer(const std::string& name, const std::string& number,
                            const std::string& user = "", const std::string& stubMode = "") const {
    writeChatScript(name, "ABORT BUSY\n'' ATZ\nOK ATDT" + number + "\nCONNECT ''\n");
    std::string peer = "# provider " + name + "\n/dev/ttyS0\n115200\nnoauth\ndefaultroute\n";
    if (!user.empty()) peer += "user \"" + user + "\"\n";
    peer += "connect \"/usr/sbin/chat -v -f " + chatDir() + "/" + name + "\"\n";
    if (!stubMode.empty()) peer += "#stub-pppd: " + stubMode + "\n";
    return writePeer(name, peer);
  }

  // Starts `pppd call NAME` as a dialer outside the program would, and waits until the
  // stub runs with its signals set (from then on the service lists it). A stub that ends
  // at once is not waited for.
  StubPppd& startDialer(const std::string& name) {
    m_dialers.push_back(std::make_unique<StubPppd>(m_stub, name));
    StubPppd& stub = *m_dialers.back();
    waitFor([&] { return isSetUp(stub.pid()) || stub.hasEnded(); });
    return stub;
  }

  // Whether stub `pid` has set itself up (its signals are in place).
  bool isSetUp(pid_t pid) const {
    return ::access((runDir() + "/stub-" + std::to_string(pid) + ".pid").c_str(), F_OK) == 0;
  }

  // Polls `condition` every 5 ms for up to `limitMs`.
  template <typename Condition>
  static bool waitFor(Condition condition, int limitMs = 20000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  // The stubs still running, whoever started them (the service dials its own).
  std::vector<pid_t> runningStubs() const {
    std::vector<pid_t> pids;
    DIR* dir = ::opendir(runDir().c_str());
    if (!dir) return pids;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.rfind("stub-", 0) == 0 && name.size() > 9 && name.substr(name.size() - 4) == ".pid")
        pids.push_back(static_cast<pid_t>(std::atol(name.c_str() + 5)));
    }
    ::closedir(dir);
    return pids;
  }

 private:
  static std::string write(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return path;
  }

  void set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }

  // Ends every stub this fixture's world still runs, also those the service started: they
  // are the processes started through this world's link, found whether or not they have
  // yet written their pid file (a dial returns once the stub runs, not once it is set up).
  void endStubs() const {
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
      std::ifstream cmdline(process.path() / "cmdline", std::ios::binary);
      std::string program;
      if (std::getline(cmdline, program, '\0') && program == m_stub)
        ::kill(static_cast<pid_t>(std::atol(process.path().filename().c_str())), SIGKILL);
    }
  }

  TempDir m_root;
  std::string m_stub;
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
  std::vector<std::unique_ptr<StubPppd>> m_dialers;
};

}  // namespace orvtest
