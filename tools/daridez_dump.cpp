// daridez-dump: a trace dump file as text, one TAB-separated line per row.
#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/DumpCommand.h"

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The same bytes as everywhere: no line end turned into CR LF, no pcapng mangled.
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
    daridez::DumpCommand command;
    return command.run(argc - 1, argv + 1, stdout, stderr);
}
