// A file that remembers a folder, for the next Open dialog.
//
// The file is 260 bytes: the folder as a zero-terminated string at offset 0,
// zeros after it. It lives in the folder given to SetRecentFolderHome, as
// "<home>/<file name>".
#pragma once

// Remembers the folder (not copied: it must stay valid while it is used).
void SetRecentFolderHome(const char* folder);
// Stores the folder that contains path (path with its last component cut
// off). 1 when all 260 bytes were written. 0, touching no file, when no home
// is set, the file name cannot be formed or path is 260 characters or more;
// 0 when the file cannot be written.
int SaveRecentFolder(const char* path, const char* fileName);
// Reads the folder into destination (260 characters). 1 when it names an
// existing folder. 0 when no home is set, the name cannot be formed, or the
// file cannot be opened; 0 with destination unchanged when the file is
// shorter than 260 bytes or its record has no terminator; 0 with the folder
// in destination when that folder no longer exists.
int LoadRecentFolder(char* destination, const char* fileName);
// Cuts the last component off path in place, leaving the folder that holds
// it: "/a/b/c" -> "/a/b", "/a" -> "/", "a" -> "", "/a/b/" -> "/a/b". 1 when
// something was cut.
int RemoveFileSpec(char* path);
