// Capturing what a dump writes to a stdio stream, as a string.
#ifndef BOXGRAPH_TESTING_CAPTURE_H
#define BOXGRAPH_TESTING_CAPTURE_H

#include <stdio.h>

#include <string>

#include "TempFiles.h"

namespace capture {

// Everything write(stream) writes, through a temporary file (portable where
// memory streams are not).
template <class Write>
std::string captured(Write write)
{
    FILE* stream = tempfiles::open();
    if (stream == nullptr)
        return "<no temporary file>";
    write(stream);
    std::string text;
    rewind(stream);
    for (int c; (c = fgetc(stream)) != EOF;)
        text += static_cast<char>(c);
    fclose(stream);
    return text;
}

}  // namespace capture

#endif
