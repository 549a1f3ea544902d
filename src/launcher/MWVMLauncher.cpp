#include "MWVMLauncher.h"

#include "environment/debug_log.h"

MWVMLauncher::MWVMLauncher() : m_processInfo{}, m_nApiVersion(0) {}

MWVMLauncher::MWVMLauncher(const MWVMLauncher& other)
    : m_processInfo(other.m_processInfo),
      m_pEurekaApp(other.m_pEurekaApp),
      m_nApiVersion(other.m_nApiVersion) {}

MWVMLauncher::~MWVMLauncher() { ReleaseEurekaApp(); }

MWVMLauncher& MWVMLauncher::operator=(const MWVMLauncher& other) {
  m_processInfo = other.m_processInfo;
  m_pEurekaApp = other.m_pEurekaApp;
  m_nApiVersion = other.m_nApiVersion;
  return *this;
}

void MWVMLauncher::SetDebugMode(KXSeDebugMode mode, int freshLog, std::wstring tag) {
  SetDebugLogMode(mode, freshLog, std::move(tag));
}

void MWVMLauncher::SetEurekaApp(IEurekaApplicationDisp* app) { m_pEurekaApp = app; }

void MWVMLauncher::ReleaseEurekaApp() { m_pEurekaApp.Reset(); }
