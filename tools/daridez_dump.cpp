// daridez-dump: a trace dump file as text, one TAB-separated line per row.
#include <cstdio>

#include "tools/DumpCommand.h"
#include "tools/ToolsPlatform.h"

int main(int argc, char** argv) {
    daridez::UseBinaryStandardStreams();
    daridez::DumpCommand command;
    return command.run(argc - 1, argv + 1, stdout, stderr);
}
