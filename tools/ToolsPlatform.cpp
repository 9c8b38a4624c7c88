#include "tools/ToolsPlatform.h"

#include <cstdio>
#include <initializer_list>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace daridez {

void UseBinaryStandardStreams() {
#if defined(_WIN32)
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        ::_setmode(::_fileno(stream), _O_BINARY);
    }
#endif
}

}  // namespace daridez
