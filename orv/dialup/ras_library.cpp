#include "dialup/ras_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include "sigmatch/sigmatch.h"

namespace orv {

DynamicLibrary::DynamicLibrary(const QByteArray& name)
    : m_handle(dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL)) {}

DynamicLibrary::~DynamicLibrary() {
  if (m_handle) dlclose(m_handle);
}

void* DynamicLibrary::symbol(const char* name) const {
  return m_handle ? dlsym(m_handle, name) : nullptr;
}

namespace {

std::unique_ptr<RasLibrary>& sharedSlot() {
  static std::unique_ptr<RasLibrary> library;
  return library;
}

template <typename F>
void bind(const DynamicLibrary& library, const char* name, F& target) {
  target = reinterpret_cast<F>(library.symbol(name));
}

}  // namespace

QByteArray RasLibrary::serviceLibraryName() {
  const QByteArray overridden = qgetenv("ORV_RASAPI32");
  if (!overridden.isEmpty()) return overridden;
  // The service lives next to the program's other libraries. Asking for the bare name
  // would search from wherever dlopen is called (a sanitizer runtime intercepts it), so the
  // folder of an already loaded library of ours comes first.
  static const QByteArray kName = QByteArrayLiteral("librasapi32.so");
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&InitDialersDatabase), &info) && info.dli_fname) {
    QByteArray folder(info.dli_fname);
    folder.truncate(folder.lastIndexOf('/') + 1);
    if (!folder.isEmpty() && ::access((folder + kName).constData(), F_OK) == 0)
      return folder + kName;
  }
  return kName;
}

RasLibrary& RasLibrary::shared() {
  if (!sharedSlot()) sharedSlot() = std::make_unique<RasLibrary>(serviceLibraryName());
  return *sharedSlot();
}

void RasLibrary::resetShared(const QByteArray& serviceLibraryName) {
  sharedSlot() = std::make_unique<RasLibrary>(serviceLibraryName);
}

RasLibrary::RasLibrary(QByteArray serviceLibraryName) : m_name(std::move(serviceLibraryName)) {}

bool RasLibrary::ensureLoaded() {
  if (m_tried) return m_functions.RasDialA != nullptr;
  m_tried = true;
  m_functions.RasDialA = nullptr;

  m_service = std::make_unique<DynamicLibrary>(m_name);
  if (!m_service->isLoaded()) return false;
  const DynamicLibrary& lib = *m_service;
  bind(lib, "RasDialA", m_functions.RasDialA);
  bind(lib, "RasEnumConnectionsA", m_functions.RasEnumConnectionsA);
  bind(lib, "RasEnumEntriesA", m_functions.RasEnumEntriesA);
  bind(lib, "RasGetConnectStatusA", m_functions.RasGetConnectStatusA);
  bind(lib, "RasGetErrorStringA", m_functions.RasGetErrorStringA);
  bind(lib, "RasHangUpA", m_functions.RasHangUpA);
  bind(lib, "RasGetEntryDialParamsA", m_functions.RasGetEntryDialParamsA);
  bind(lib, "RasEditPhonebookEntryA", m_functions.RasEditPhonebookEntryA);

  // The entry functions come from the service when it has the country list, otherwise
  // from the older companion library, when there is one.
  const DynamicLibrary* entryLibrary = nullptr;
  if (lib.symbol("RasGetCountryInfoA")) {
    entryLibrary = &lib;
  } else {
    m_fallback = std::make_unique<DynamicLibrary>(kFallbackLibraryName);
    if (m_fallback->isLoaded()) entryLibrary = m_fallback.get();
  }
  if (entryLibrary) {
    bind(*entryLibrary, "RasGetEntryPropertiesA", m_functions.RasGetEntryPropertiesA);
    bind(*entryLibrary, "RasDeleteEntryA", m_functions.RasDeleteEntryA);
    m_entryFunctions = true;
  }
  return m_functions.RasDialA != nullptr;
}

}  // namespace orv
