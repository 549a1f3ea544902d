// Message maps: a window class lists the messages it handles and the member
// that handles each; everything else goes to the base class's map and in the
// end to the default window procedure.
//
//   class MyWnd : public CWnd {
//    protected:
//     int OnCreate(LPCREATESTRUCTW cs);
//     KX_DECLARE_MESSAGE_MAP()
//   };
//   KX_BEGIN_MESSAGE_MAP(MyWnd, CWnd)
//     KX_ON_WM_CREATE()
//   KX_END_MESSAGE_MAP()
#pragma once

#include <windows.h>

namespace kx {

class CWnd;


struct MessageMapEntry {
  UINT message;
  LRESULT (*handler)(CWnd& wnd, WPARAM wParam, LPARAM lParam);  // null ends the map
};

struct MessageMap {
  const MessageMap* (*base)();  // null for the root
  const MessageMapEntry* entries;
};


#define KX_DECLARE_MESSAGE_MAP()                      \
 protected:                                           \
  static const ::kx::MessageMap* GetThisMessageMap(); \
  const ::kx::MessageMap* GetMessageMap() const override;

// The handlers are called from inside a member of theClass, so they may be
// protected or private.
#define KX_BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
  const ::kx::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::kx::MessageMap* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                           \
    using TheBaseClass = baseClass;                                                       \
    static const ::kx::MessageMapEntry entries[] = {
#define KX_END_MESSAGE_MAP()                                                       \
  { 0, nullptr }                                                                   \
  }                                                                                \
  ;                                                                                \
  static const ::kx::MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                                     \
  }

// int OnCreate(LPCREATESTRUCTW): -1 fails the creation.
#define KX_ON_WM_CREATE()                                                                     \
  {WM_CREATE, [](CWnd& wnd, WPARAM, LPARAM lParam) -> LRESULT {                               \
     return static_cast<ThisClass&>(wnd).OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam)); \
   }},

// void OnPaint()
#define KX_ON_WM_PAINT()                                \
  {WM_PAINT, [](CWnd& wnd, WPARAM, LPARAM) -> LRESULT { \
     static_cast<ThisClass&>(wnd).OnPaint();            \
     return 0;                                          \
   }},

// void OnTimer(UINT_PTR timerId)
#define KX_ON_WM_TIMER()                                                  \
  {WM_TIMER, [](CWnd& wnd, WPARAM wParam, LPARAM) -> LRESULT {            \
     static_cast<ThisClass&>(wnd).OnTimer(static_cast<UINT_PTR>(wParam)); \
     return 0;                                                            \
   }},

}  // namespace kx
