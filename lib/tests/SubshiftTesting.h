// Helpers shared by the subshift library tests: the throwing checked
// allocation, and capturing a dump as text.
#ifndef BOXGRAPH_SUBSHIFT_TESTING_H
#define BOXGRAPH_SUBSHIFT_TESTING_H

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "ThrowingAlloc.h"

namespace subshift_testing {

using alloc_testing::AllocFailed;
using alloc_testing::ThrowingAlloc;

// Everything write(stream) writes, as a string.
template <class Write>
std::string captured(Write write)
{
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    write(stream);
    fclose(stream);
    std::string text(buffer, size);
    free(buffer);
    return text;
}

}  // namespace subshift_testing

#endif
