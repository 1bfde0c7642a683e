// The store's layout and files: the name tables, the order of the bodies, the
// directory and trailer, writing through a temporary file, the loose-file
// form and appending a store to the executable.
//
// Store: bodies in directory order, then the directory (16-byte entries:
// type, id, absolute body offset, body size; sorted by offset), then the
// trailer "TRES", directory offset, directory size. The platform layer's own
// name table comes first and the full table last, so a lookup from the
// directory's end finds the full one. Owns no state.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "rescomp.h"

namespace {

constexpr uint32_t TRAILER_BYTES = 12;
constexpr uint32_t ENTRY_BYTES = 16;

bool namedType(FourCC type) {
  return type == FCC("tSTR") || type == FCC("FORM") || type == FCC("ALRT") || type == FCC("BMAP") ||
         type == FCC("MBAR") || type == FCC("tver");
}

struct Row {
  FourCC type, name;
  uint32_t id;
};

RcResource nameTable(std::vector<Row> rows, bool platform) {
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
    return a.type != b.type ? a.type < b.type : a.id < b.id;
  });
  RcResource table{FCC("TTBL"), 1, 0, platform, {}, "(name table)"};
  RcPut32(&table.body, FCC("TTBL"));
  RcPut32(&table.body, uint32_t(rows.size() * 12));
  for (const Row& r : rows) {
    RcPut32(&table.body, r.type);
    RcPut32(&table.body, r.name);
    RcPut32(&table.body, r.id);
  }
  return table;
}

bool readWhole(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  std::string bytes = s.str();
  out->assign(bytes.begin(), bytes.end());
  return true;
}

// Where the executable image ends when `bytes` already carries a sound
// store; bytes.size() otherwise.
size_t imageEnd(const std::vector<uint8_t>& bytes) {
  size_t size = bytes.size();
  if (size < TRAILER_BYTES || Get32BE(&bytes[size - TRAILER_BYTES]) != FCC("TRES")) return size;
  uint64_t dirOffset = Get32BE(&bytes[size - 8]), dirSize = Get32BE(&bytes[size - 4]);
  if (dirSize % ENTRY_BYTES != 0 || dirOffset + dirSize != size - TRAILER_BYTES) return size;
  uint64_t start = dirOffset;
  for (uint64_t at = dirOffset; at < dirOffset + dirSize; at += ENTRY_BYTES) {
    uint64_t offset = Get32BE(&bytes[at + 8]), length = Get32BE(&bytes[at + 12]);
    if (offset + length > dirOffset) return size;
    start = std::min(start, offset);
  }
  return size_t(start);
}

}  // namespace

void RcCheckUnique(RcContext* ctx) {
  std::map<std::pair<FourCC, uint32_t>, const RcResource*> ids, names;
  for (const RcResource& r : ctx->resources) {
    auto [it, fresh] = ids.insert({{r.type, r.id}, &r});
    if (!fresh)
      ctx->diag.errors.push_back(r.where + ": error: " + RcFourCCText(r.type) + " " +
                                 std::to_string(r.id) + " is defined twice (first at " +
                                 it->second->where + ")");
    if (r.name == 0) continue;
    auto [nt, nameFresh] = names.insert({{r.type, r.name}, &r});
    if (!nameFresh)
      ctx->diag.errors.push_back(r.where + ": error: " + RcFourCCText(r.type) + " name '" +
                                 RcFourCCText(r.name) + "' is used twice (first at " +
                                 nt->second->where + ")");
  }
}

void RcFinishResources(RcContext* ctx) {
  std::vector<Row> all, platform;
  for (const RcResource& r : ctx->resources) {
    if (r.name == 0 || !namedType(r.type)) continue;
    all.push_back({r.type, r.name, r.id});
    if (r.platform) platform.push_back({r.type, r.name, r.id});
  }
  for (const auto& [name, id] : ctx->menuItemIds) all.push_back({FCC("MITM"), name, id});
  std::stable_sort(ctx->resources.begin(), ctx->resources.end(),
                   [](const RcResource& a, const RcResource& b) {
                     if (a.platform != b.platform) return a.platform;
                     return a.type != b.type ? a.type < b.type : a.id < b.id;
                   });
  if (!platform.empty()) ctx->resources.insert(ctx->resources.begin(), nameTable(platform, true));
  ctx->resources.push_back(nameTable(all, false));
}

std::vector<uint8_t> RcLayoutStore(RcContext* ctx, uint32_t base) {
  std::vector<uint8_t> out, dir;
  for (const RcResource& r : ctx->resources) {
    RcPut32(&dir, r.type);
    RcPut32(&dir, r.id);
    RcPut32(&dir, base + uint32_t(out.size()));
    RcPut32(&dir, uint32_t(r.body.size()));
    out.insert(out.end(), r.body.begin(), r.body.end());
  }
  uint32_t dirOffset = base + uint32_t(out.size());
  out.insert(out.end(), dir.begin(), dir.end());
  RcPut32(&out, FCC("TRES"));
  RcPut32(&out, dirOffset);
  RcPut32(&out, uint32_t(dir.size()));
  return out;
}

bool RcWriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           unsigned mode, std::string* error) {
  std::string temp = path + ".tmp-" + std::to_string(getpid());
  FILE* out = fopen(temp.c_str(), "wb");
  if (!out) {
    *error = "cannot create " + temp;
    return false;
  }
  bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  ok = fflush(out) == 0 && ok;
  ok = fsync(fileno(out)) == 0 && ok;
  ok = fclose(out) == 0 && ok;
  ok = ok && chmod(temp.c_str(), mode) == 0;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool RcWriteLoose(const RcContext& ctx, const std::string& dir, std::string* error) {
  std::string folder = dir + "/bin/bin.eng";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    *error = "cannot create " + folder;
    return false;
  }
  for (const RcResource& r : ctx.resources) {
    char name[32];
    snprintf(name, sizeof name, "%s%08x.bin", RcFourCCText(r.type).c_str(), unsigned(r.id));
    if (!RcWriteFileAtomically(folder + "/" + name, r.body, 0644, error)) return false;
  }
  return true;
}

bool RcAppendStore(const std::string& exe, const std::string& store, std::string* error) {
  std::vector<uint8_t> image, standalone;
  struct stat st;
  if (!readWhole(exe, &image) || stat(exe.c_str(), &st) != 0) {
    *error = "cannot read " + exe;
    return false;
  }
  if (!readWhole(store, &standalone) || imageEnd(standalone) != 0 ||
      standalone.size() < TRAILER_BYTES) {
    *error = store + " is not a store file made by rescomp";
    return false;
  }
  image.resize(imageEnd(image));  // a store appended earlier goes
  uint32_t base = uint32_t(image.size());
  size_t size = standalone.size();
  uint32_t dirOffset = Get32BE(&standalone[size - 8]), dirSize = Get32BE(&standalone[size - 4]);
  image.insert(image.end(), standalone.begin(), standalone.end());
  // Every offset moves by the image's size.
  for (uint32_t at = dirOffset; at < dirOffset + dirSize; at += ENTRY_BYTES) {
    uint8_t* entry = &image[base + at];
    Put32BE(entry + 8, Get32BE(entry + 8) + base);
  }
  Put32BE(&image[image.size() - 8], dirOffset + base);
  return RcWriteFileAtomically(exe, image, st.st_mode & 07777, error);
}
