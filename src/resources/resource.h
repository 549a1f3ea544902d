// Resource ids of the library.
#pragma once

#define IDS_KX_APP_TITLE 1001
#define IDS_KX_ERR_NOT_LOCATED 1023
#define IDS_KX_ERR_CREATE_PROCESS 1024
#define IDS_KX_ERR_EXE_MISSING 1030
#define IDS_KX_LOADING 1033

#define IDI_KX_ICON 101
#define IDB_KX_SPLASH 132
