// The Windows API, included the one way every source here needs it: without
// min and max macros over std::min and std::max, without the rarely used
// parts, and without wingdi.h, which declares a function Rectangle, the name
// of our record.
#ifndef BOXGRAPH_WINDOWS_API_H
#define BOXGRAPH_WINDOWS_API_H

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOGDI
#define NOGDI
#endif
#include <windows.h>
#endif

#endif
