// afxdisp.h: included by add-ins through their precompiled header; the
// framework stand-in has nothing of it beyond afxwin.h.
#ifndef __AFXDISP_H__
#define __AFXDISP_H__

#ifndef AFX_STANDIN_SHOW_WARNINGS
#pragma GCC system_header  // as afx.h
#endif

#include "afxwin.h"

#endif  // __AFXDISP_H__
