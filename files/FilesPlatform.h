#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>

namespace daridez {

// The calls on the file system whose form differs between Windows and the others, so
// that the files' classes read the same on every system. A failed call leaves the
// reason in errno.

// What stands at a path before it is replaced.
struct FoundFile {
    enum Kind { Missing, Regular, Other, Unknown } kind = Unknown;
    unsigned mode = 0;  // the permission bits of a regular file
    bool writable = false;
};

FoundFile InspectFile(const std::string& path);
// A new file for writing only, binary; keepMode gives it mode (where files have one)
// before any byte is written. A descriptor, or -1.
int CreateNewFile(const std::string& path, bool keepMode, unsigned mode);
int OpenExistingFile(const std::string& path);
// Writes part or all of bytes; what was written, or -1.
long long WriteSome(int fd, const char* bytes, std::size_t size);
int SyncFile(int fd);
int CloseFile(int fd);
// Renames from to to, replacing a file there.
bool RenameReplacing(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
// Makes a rename in path's folder lasting where the system can.
void SyncFolderOf(const std::string& path);
// path with every symbolic link along its last component followed; path itself when it
// is no link or a link loop makes it unresolvable.
std::string FollowLinks(const std::string& path);

// A new file only (nullptr with errno EEXIST when one is there), appended to in binary,
// not handed to child processes.
std::FILE* CreateNewAppendFile(const std::string& path);
std::tm LocalTime(std::time_t time);
// The file's data on the disk, not only handed to the system.
int SyncData(std::FILE* file);
// True where the file chooser takes patterns as written ("*.*" for every file).
bool TakesWindowsPatterns();

}  // namespace daridez
