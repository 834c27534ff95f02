// A library whose export table the export check must reject: the pen's two
// names plus an undecorated alias, as __declspec(dllexport) on top of a .def
// would give.
#include <cstdint>

extern "C" __declspec(dllexport) int32_t ZVPen() { return 0; }
extern "C" __declspec(dllexport) int32_t _ZVPen() { return 0; }
extern "C" __declspec(dllexport) int32_t _ZVGetInfo() { return 1; }
