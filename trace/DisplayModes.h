#pragma once

namespace daridez {

// The three display modes of the list, owned by the main window. Rows are rendered
// in these forms when they are made; a switch re-renders every row once.
struct DisplayModes {
    bool relativeTime = true;  // "rel. TimeStamp" / "abs. TimeStamp"
    bool protectedId = true;   // "[ID]" (the byte as received) / "(id)" (its low 6 bits)
    bool hexData = true;       // "05h" / "005"
};

}  // namespace daridez
