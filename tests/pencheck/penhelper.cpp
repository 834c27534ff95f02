// The library a gallery pen imports that Windows does not have, as a pen
// built against a compiler's runtime DLL imports that.
#include <cstdint>

extern "C" __declspec(dllexport) int32_t helperZero() { return 0; }
