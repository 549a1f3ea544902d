#include "framework/resource_chain.h"

#include <algorithm>
#include <vector>

#include "framework/lock.h"

namespace kx {

namespace {

struct Chain {
  Lock lock;
  std::vector<HMODULE> modules;
};

Chain& TheChain() {
  static Chain* chain = new Chain;  // outlives every static destructor
  return *chain;
}

std::vector<HMODULE> SearchOrder() {
  std::vector<HMODULE> order{::GetModuleHandleW(nullptr)};
  Chain& chain = TheChain();
  AutoLock hold(chain.lock);
  for (HMODULE m : chain.modules)
    if (std::find(order.begin(), order.end(), m) == order.end()) order.push_back(m);
  return order;
}

// Strings live in blocks of 16; each entry is a length then UTF-16 units.
bool FindStringIn(HMODULE module, UINT id, std::wstring& out) {
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), RT_STRING);
  if (!info) return false;
  HGLOBAL data = ::LoadResource(module, info);
  const auto* p = static_cast<const WCHAR*>(data ? ::LockResource(data) : nullptr);
  if (!p) return false;
  const WCHAR* end = p + ::SizeofResource(module, info) / sizeof(WCHAR);
  for (UINT i = 0; i < id % 16; ++i) {
    if (p >= end) return false;
    p += 1 + *p;
  }
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  out.assign(p + 1, *p);
  return true;
}

}  // namespace

void AddResourceModule(HMODULE module) {
  Chain& chain = TheChain();
  AutoLock hold(chain.lock);
  chain.modules.push_back(module);
}

void RemoveResourceModule(HMODULE module) {
  Chain& chain = TheChain();
  AutoLock hold(chain.lock);
  std::erase(chain.modules, module);
}

HMODULE FindResourceModule(LPCWSTR name, LPCWSTR type) {
  for (HMODULE m : SearchOrder())
    if (::FindResourceW(m, name, type)) return m;
  return nullptr;
}

std::wstring LoadResString(UINT id) {
  std::wstring text;
  for (HMODULE m : SearchOrder())
    if (FindStringIn(m, id, text)) break;
  return text;
}

}  // namespace kx
