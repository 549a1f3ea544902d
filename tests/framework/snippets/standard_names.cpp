// The standard face beside a CPoint of the host's own.
#include <windows.h>

struct CPoint {
  long x, y;
};

#define KXVM_NO_GLOBAL_NAMES
#include "MWSettingsKey.h"
#include "check.h"

void StandardNamesSnippet() {
  MWSettingsKey key(L"Standard", KXHOST_KEY);
  key.AddValue(L"Origin", kxvm::CPoint(1, 2));
  kxvm::CPoint origin;
  key.GetValue(L"Origin", origin);
  CPoint own = {origin.x, origin.y};
  std::wstring name = key.GetName();
  CHECK(own.x == 1 && own.y == 2 && name == L"Standard" &&
        key.FindValue(L"Origin")->IsKindOf(RUNTIME_CLASS(MWPointValue)));
}
