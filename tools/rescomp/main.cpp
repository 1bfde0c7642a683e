// rescomp, the resource compiler: reads the sources under resources/ and
// writes the resource store, or appends a store to the program's executable.
//
//   rescomp build --out STORE [--loose DIR] SOURCES   compile every .rc and
//       .str file below SOURCES (files below SOURCES/kova/ are the platform
//       layer's own) into the standalone store STORE; with --loose also write
//       each resource as DIR/bin/bin.eng/<type><id>.bin
//   rescomp append EXE STORE                          append STORE to EXE
//
// Errors are printed as "file:line: error: message"; a run with errors
// writes nothing. SOURCE_DATE_EPOCH, when set, fixes the build time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "rescomp.h"

namespace {

constexpr size_t MAX_ERRORS_SHOWN = 50;

int usage() {
  fprintf(stderr,
          "usage: rescomp build --out STORE [--loose DIR] SOURCES\n"
          "       rescomp append EXE STORE\n");
  return 2;
}

int64_t buildTime() {
  const char* fixed = getenv("SOURCE_DATE_EPOCH");
  if (fixed && *fixed) {
    char* end = nullptr;
    long long v = strtoll(fixed, &end, 10);
    if (end && *end == 0 && v >= 0) return v;
  }
  return int64_t(time(nullptr));
}

bool hasSuffix(const std::string& s, const char* suffix) {
  size_t n = strlen(suffix);
  return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

// Every .rc and .str file below `dir`, sorted, so ids and tables never
// depend on the order the file system lists them in.
std::vector<std::string> sourceFiles(const std::string& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::string path = it->path().string();
    if (it->is_regular_file() && (hasSuffix(path, ".rc") || hasSuffix(path, ".str")))
      files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

int build(const std::string& sources, const std::string& out, const std::string& loose) {
  RcContext ctx;
  ctx.buildTime = buildTime();
  std::error_code ec;
  if (!std::filesystem::is_directory(sources, ec)) {
    fprintf(stderr, "rescomp: %s is not a folder\n", sources.c_str());
    return 1;
  }
  std::string platformDir = (std::filesystem::path(sources) / "kova").string() + "/";
  for (const std::string& file : sourceFiles(sources)) {
    bool platform = file.compare(0, platformDir.size(), platformDir) == 0;
    if (hasSuffix(file, ".rc"))
      RcCompileRcFile(&ctx, file, platform);
    else
      RcCompileStrFile(&ctx, file, platform);
  }
  RcCheckUnique(&ctx);
  if (!ctx.diag.errors.empty()) {
    for (size_t i = 0; i < ctx.diag.errors.size() && i < MAX_ERRORS_SHOWN; i++)
      fprintf(stderr, "%s\n", ctx.diag.errors[i].c_str());
    fprintf(stderr, "rescomp: %zu error(s); nothing written\n", ctx.diag.errors.size());
    return 1;
  }
  RcFinishResources(&ctx);
  std::string error;
  if (!RcWriteFileAtomically(out, RcLayoutStore(&ctx, 0), 0644, &error) ||
      (!loose.empty() && !RcWriteLoose(ctx, loose, &error))) {
    fprintf(stderr, "rescomp: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string command = argv[1];
  if (command == "append") {
    if (argc != 4) return usage();
    std::string error;
    if (!RcAppendStore(argv[2], argv[3], &error)) {
      fprintf(stderr, "rescomp: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (command != "build") return usage();
  std::string out, loose, sources;
  for (int i = 2; i < argc; i++) {
    std::string arg = argv[i];
    if (arg == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else if (arg == "--loose" && i + 1 < argc) {
      loose = argv[++i];
    } else if (sources.empty() && arg.compare(0, 2, "--") != 0) {
      sources = arg;
    } else {
      return usage();
    }
  }
  if (out.empty() || sources.empty()) return usage();
  return build(sources, out, loose);
}
