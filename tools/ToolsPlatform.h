#pragma once

#include <string>

namespace daridez {

// Standard input, output and error carry bytes as they are: on Windows their text mode
// would end input at the first 0x1A byte and turn every line end written into CR LF.
// Elsewhere the streams already do, and this does nothing.
void UseBinaryStandardStreams();

// A capture's way out opened for writing, as a descriptor of the C library that writes
// bytes untranslated: a FIFO (the open waits for its reader) or a file that exists; on
// Windows Wireshark's named pipe (\\.\pipe\...), or any other path as a new file. -1
// with error set ("PATH: reason") when it cannot be opened.
int OpenCaptureOutput(const std::string& path, std::string& error);

// Whether the extcap's personal installation is a copy of the program: Windows gives
// ordinary users no links, elsewhere a link follows the program's updates.
bool InstallsByCopy();

}  // namespace daridez
