#pragma once

#include <QByteArray>
#include <memory>

#include "rasapi32.h"

namespace orv {

// A library opened with dlopen, closed when the handle goes.
class DynamicLibrary {
 public:
  explicit DynamicLibrary(const QByteArray& name);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  bool isLoaded() const { return m_handle != nullptr; }
  void* symbol(const char* name) const;

 private:
  void* m_handle = nullptr;
};

// The functions of the dial-up service, bound by name. An unbound function is null.
struct RasFunctions {
  decltype(&::RasDialA) RasDialA = nullptr;
  decltype(&::RasEnumConnectionsA) RasEnumConnectionsA = nullptr;
  decltype(&::RasEnumEntriesA) RasEnumEntriesA = nullptr;
  decltype(&::RasGetConnectStatusA) RasGetConnectStatusA = nullptr;
  decltype(&::RasGetErrorStringA) RasGetErrorStringA = nullptr;
  decltype(&::RasHangUpA) RasHangUpA = nullptr;
  decltype(&::RasGetEntryDialParamsA) RasGetEntryDialParamsA = nullptr;
  decltype(&::RasEditPhonebookEntryA) RasEditPhonebookEntryA = nullptr;
  decltype(&::RasGetEntryPropertiesA) RasGetEntryPropertiesA = nullptr;
  decltype(&::RasDeleteEntryA) RasDeleteEntryA = nullptr;
};

// The process-wide binding to the dial-up service: loaded on first use, tried once,
// and kept until the process ends.
class RasLibrary {
 public:
  // The library names tried, in order; ORV_RASAPI32 overrides the first (tests, packagers).
  static QByteArray serviceLibraryName();
  static constexpr const char* kFallbackLibraryName = "librnaph.so";

  // The one instance of the process.
  static RasLibrary& shared();
  // Starts over with a fresh, untried binding (tests of a missing library).
  static void resetShared(const QByteArray& serviceLibraryName);

  explicit RasLibrary(QByteArray serviceLibraryName);

  // Loads and binds on the first call; afterwards only answers. True when RasDialA is bound.
  bool ensureLoaded();
  bool tried() const { return m_tried; }
  bool entryFunctionsBound() const { return m_entryFunctions; }
  // The platform level that selects the record sizes; always the newest here.
  int level() const { return m_level; }
  const RasFunctions& functions() const { return m_functions; }

 private:
  QByteArray m_name;
  bool m_tried = false;
  bool m_entryFunctions = false;
  int m_level = 3;
  RasFunctions m_functions;
  std::unique_ptr<DynamicLibrary> m_service;
  std::unique_ptr<DynamicLibrary> m_fallback;
};

}  // namespace orv
