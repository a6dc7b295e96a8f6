// Where the files a scene or an object names are found: the path as written
// (with '\', drive letters or Amiga volumes) relative to the content
// directory, then relative to the scene's folder, then by bare file name in
// the scene's folder and its Objects/ or Images/ neighbours.
#pragma once

#include <string>
#include <vector>

enum class ContentKind { Object, Image };

// The written path made relative and '/'-separated: backslashes become '/',
// a drive letter ("C:") or an Amiga volume ("Work:") and leading '/' go.
std::string PortablePath(const std::string& written);

// The file name part of a written path (after its last '\', '/' or ':').
std::string BareFileName(const std::string& written);

// The folder of a path with its '/' ("" for a bare name, "/" for the root).
std::string FolderOf(const std::string& path);

struct ContentSearch {
    std::string written;             // the path as the scene or object gives it
    std::vector<std::string> tried;  // every place looked at, in order
    std::string found;               // the first that exists ("" when none)
};

// Looks for a file a scene names. sceneFolder ends in '/' ("" means the
// current directory); contentDir ("" when not given) replaces the search for
// the nearest folder at or above sceneFolder from which the path exists.
// exists(path) answers whether a file is there (without regard to case in the
// program; tests pass their own).
ContentSearch FindContent(const std::string& written, ContentKind kind, const std::string& sceneFolder,
                          const std::string& contentDir, bool (*exists)(const std::string&));

// "tried A, B, C" from a search, for the failure line.
std::string TriedPlaces(const ContentSearch& search);

// exists() over the platform's case-insensitive lookup; true for files only.
bool ContentFileExists(const std::string& path);
