// Private seams of the file picker: the folder listing and path steps
// (gui_pick_file_list.cpp) and the dialog (gui_pick_file.cpp). A folder is
// kept as the volume-rooted path the file layer takes ("/" the top,
// "/Pictures/2024" below it).
#pragma once

#include <string>
#include <vector>

#include "kova_picker.h"

struct PickEntry {
  std::string name;
  bool isFolder;
};

// Lists (volume, dir) through the filter: folders first, each group sorted
// without regard to case; ".." first when `dir` is below the top. Returns 0
// or the listing's error (then `out` holds only "..", if anything).
Err PickListFolder(int16_t volume, const std::string& dir, FilePickFilter filter, void* user,
                   std::vector<PickEntry>* out);
// The volume-rooted form of a request's folder: null or "" is the top; a
// folder in another notation ("!", relative) is turned into the path below
// the volume's top when it lies there, else the top.
std::string PickRootedDir(int16_t volume, const char* dir);
// `dir` with `name` appended, and `dir` one level up ("/" stays "/").
std::string PickChild(const std::string& dir, const std::string& name);
std::string PickParent(const std::string& dir);
// True for names ending in ".jpg", ".jpe" or ".jpeg", in any case.
bool PickIsJpegName(const std::string& name);
// Repairs a typed name for saving: forbidden characters become "_". False
// when nothing usable is left ("", ".", "..").
bool PickRepairName(int16_t volume, std::string* name);
