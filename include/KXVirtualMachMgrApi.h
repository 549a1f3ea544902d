// Export decoration of the library's public classes.
#pragma once

#if defined(KXVM_BUILDING)
#define KXVM_API __declspec(dllexport)
#else
#define KXVM_API __declspec(dllimport)
#endif
