#pragma once

namespace daridez {

// Standard input, output and error carry bytes as they are: on Windows their text mode
// would end input at the first 0x1A byte and turn every line end written into CR LF.
// Elsewhere the streams already do, and this does nothing.
void UseBinaryStandardStreams();

}  // namespace daridez
