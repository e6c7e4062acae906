#include "shell/signature_load.h"

#include <system_error>
#include <utility>

#include "sigmatch/sigmatch.h"

namespace orv {
namespace {

// Held from main's start until the window takes it over; at the latest the program's end waits
// for it.
std::unique_ptr<SignatureLoad> g_ahead;

}  // namespace

void SignatureLoad::startAhead(QByteArray path) {
  g_ahead.reset();
  if (!path.isEmpty()) g_ahead = std::make_unique<SignatureLoad>(std::move(path));
}

std::unique_ptr<SignatureLoad> SignatureLoad::takeOver(QByteArray path) {
  std::unique_ptr<SignatureLoad> ahead = std::exchange(g_ahead, nullptr);
  if (ahead && ahead->m_path == path) return ahead;
  ahead.reset();  // waits for a load of another file
  return std::make_unique<SignatureLoad>(std::move(path));
}

SignatureLoad::SignatureLoad(QByteArray path) : m_path(std::move(path)) {
  try {
    m_loading = std::async(std::launch::async,
                           [path = m_path] { return InitDialersDatabase(path.constData()); });
  } catch (const std::system_error&) {
    // No thread to be had: count() loads in place.
  }
}

SignatureLoad::~SignatureLoad() {
  if (m_loading.valid()) m_loading.wait();
}

int32_t SignatureLoad::count() {
  if (!m_done) {
    m_count = m_loading.valid() ? m_loading.get() : InitDialersDatabase(m_path.constData());
    m_done = true;
  }
  return m_count;
}

}  // namespace orv
