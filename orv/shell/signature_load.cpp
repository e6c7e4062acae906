#include "shell/signature_load.h"

#include <system_error>
#include <utility>

#include "sigmatch/sigmatch.h"

namespace orv {

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
