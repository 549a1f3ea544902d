// The calling thread's single-threaded COM apartment, left on every path.
#pragma once

#include <objbase.h>

namespace eureka {

class ScopedComApartment {
 public:
  ScopedComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ScopedComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

}  // namespace eureka
