#pragma once

#include <unistd.h>

#include <utility>

namespace orv {

// Owns a file descriptor and closes it when it goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    std::swap(m_fd, other.m_fd);
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (m_fd >= 0) ::close(m_fd);
  }

  int get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }
  // Closes now; the result tells whether the last writes reached the file.
  int close() { return m_fd >= 0 ? ::close(std::exchange(m_fd, -1)) : 0; }

 private:
  int m_fd = -1;
};

}  // namespace orv
