// The file picker's folder listing and path steps: entries through the
// caller's filter, folders first and sorted without regard to case, the
// ".." entry below the top, volume-rooted folder paths, and the repair of
// typed names. Owns no state.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gui_pick_file.h"

namespace {

bool entryBefore(const PickEntry& a, const PickEntry& b) {
  if (a.isFolder != b.isFolder) return a.isFolder;
  int c = strcasecmp(a.name.c_str(), b.name.c_str());
  return c != 0 ? c < 0 : a.name < b.name;
}

bool endsWithNoCase(const std::string& s, const char* tail) {
  size_t n = strlen(tail);
  return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

}  // namespace

Err PickListFolder(int16_t volume, const std::string& dir, FilePickFilter filter, void* user,
                   std::vector<PickEntry>* out) {
  out->clear();
  std::vector<PickEntry> found;
  DirIter it = nullptr;
  Err err = DIR_Open(&it, volume, dir.c_str());
  if (err == 0) {
    char name[FIL_LIST_NAME_MAX + 1];
    uint32_t attributes = 0;
    while (DIR_Next(it, name, &attributes, nullptr, nullptr)) {
      bool folder = (attributes & FIL_ATTR_DIRECTORY) != 0;
      if (filter && !filter(user, name, folder)) continue;
      found.push_back(PickEntry{name, folder});
    }
    DIR_Close(&it);
  }
  std::sort(found.begin(), found.end(), entryBefore);
  if (dir != "/") out->push_back(PickEntry{"..", true});
  out->insert(out->end(), found.begin(), found.end());
  return err;
}

std::string PickRootedDir(int16_t volume, const char* dir) {
  if (!dir || !dir[0]) return "/";
  if (dir[0] == '/') return dir;
  char top[FIL_PATH_BYTES], path[FIL_PATH_BYTES];
  if (FIL_BuildPath(volume, top, "/", nullptr, true) != 0 ||
      FIL_BuildPath(volume, path, dir, nullptr, true) != 0)
    return "/";
  size_t n = strlen(top);
  if (strncmp(path, top, n) != 0) return "/";
  std::string rooted = "/" + std::string(path + n);
  while (rooted.size() > 1 && rooted.back() == '/') rooted.pop_back();
  return rooted;
}

std::string PickChild(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string PickParent(const std::string& dir) {
  size_t slash = dir.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return dir.substr(0, slash);
}

bool PickIsJpegName(const std::string& name) {
  return endsWithNoCase(name, ".jpg") || endsWithNoCase(name, ".jpe") ||
         endsWithNoCase(name, ".jpeg");
}

bool PickRepairName(int16_t volume, std::string* name) {
  if (name->empty() || name->size() > size_t(FIL_LIST_NAME_MAX) || *name == "." || *name == "..")
    return false;
  char buffer[FIL_LIST_NAME_MAX + 1];
  snprintf(buffer, sizeof buffer, "%s", name->c_str());
  if (!FIL_NameValid(volume, buffer, false)) (void)FIL_NameValid(volume, buffer, true);
  *name = buffer;
  return FIL_NameValid(volume, buffer, false) && *name != "." && *name != "..";
}
