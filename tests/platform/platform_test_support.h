#pragma once

// Temporary folders and child processes for the tests of the platform libraries.

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

extern char** environ;

namespace orv::test {

namespace fs = std::filesystem;

using orvtest::setImmutable;
using orvtest::TempDir;

inline std::string readWhole(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A child process with a pipe to its standard input and one from its standard output. It ends
// when its input closes; the destructor closes it and reaps the child.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {}) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envText(extraEnv);
    for (char** e = environ; *e; ++e) envText.emplace_back(*e);
    std::vector<char*> env;
    for (auto& e : envText) env.push_back(e.data());
    env.push_back(nullptr);
    if (::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), env.data()) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
  }
  ~Child() { finish(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return m_pid; }
  // The first line the child writes (it writes one when it is set up).
  std::string readLine() {
    std::string line;
    char c;
    while (::read(m_out, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  // Ends the child; its exit status as waitpid gives it.
  int finish() {
    if (m_in >= 0) ::close(m_in);
    if (m_out >= 0) ::close(m_out);
    m_in = m_out = -1;
    if (m_pid > 0) {
      while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
      }
      m_pid = -1;
    }
    return m_status;
  }

 private:
  pid_t m_pid = -1;
  int m_in = -1;
  int m_out = -1;
  int m_status = -1;
};

}  // namespace orv::test
