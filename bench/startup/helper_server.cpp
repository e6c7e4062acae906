#include "helper_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace startupbench {
namespace {

constexpr int kReportFd = 3;

}  // namespace

HelperServer::HelperServer(const std::string& program, const std::vector<std::string>& arguments) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe: " + std::string(strerror(errno)));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], kReportFd);
  // Its chatter stays out of the bench's table.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> argvPointers;
  for (std::string& a : argv) argvPointers.push_back(a.data());
  argvPointers.push_back(nullptr);
  const int error =
      ::posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argvPointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (error != 0) {
    ::close(pipeFds[0]);
    m_pid = -1;
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::string line;
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd ready{pipeFds[0], POLLIN, 0};
    if (::poll(&ready, 1, 100) <= 0) continue;
    char buffer[256];
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    line.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(pipeFds[0]);
  if (line.find('\n') == std::string::npos) {
    end();
    throw std::runtime_error(program + " did not say where it listens");
  }
  m_address = line.substr(0, line.find('\n'));
}

HelperServer::~HelperServer() {
  end();
}

void HelperServer::end() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGTERM);
  for (int i = 0; i < 500; ++i) {
    if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
      m_pid = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(m_pid, SIGKILL);
  ::waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

VirtualScreen::VirtualScreen(const std::string& xvfb, const std::string& geometry)
    : m_server(xvfb, {"-displayfd", std::to_string(kReportFd), "-screen", "0", geometry,
                      "-nolisten", "tcp"}) {}

SessionBus::SessionBus(const std::string& dbusDaemon)
    : m_server(dbusDaemon, {"--session", "--nofork", "--nosyslog",
                            "--print-address=" + std::to_string(kReportFd)}) {}

}  // namespace startupbench
