// Test fixture for brantel-tool: runs the built program in a child process
// (HOME, XDG_CONFIG_HOME and TMPDIR inside the test folder, so no run touches
// the real home) and captures its exit code and output; plus a small JSON
// reader for `pdb info --json`. The reader takes what the tool writes:
// objects, arrays, strings (\u escapes up to 00FF become one byte each),
// numbers and null.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "kova_fixture.h"
#include "pdb_builder.h"

struct JsonValue {
  enum Kind { NUL, NUMBER, STRING, ARRAY, OBJECT } kind = NUL;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> fields;
  bool isNull() const { return kind == NUL; }
  // A missing field reads as null.
  const JsonValue& operator[](const std::string& key) const {
    static const JsonValue missing;
    auto it = fields.find(key);
    return it == fields.end() ? missing : it->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& s) : s_(s) {}

  bool Document(JsonValue* v) {
    if (!Value(v)) return false;
    Blank();
    return at_ == s_.size();
  }

 private:
  void Blank() {
    while (at_ < s_.size() && strchr(" \t\r\n", s_[at_])) at_++;
  }
  bool Eat(char c) {
    Blank();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  bool String(std::string* out) {
    if (!Eat('"')) return false;
    while (at_ < s_.size() && s_[at_] != '"') {
      char c = s_[at_++];
      if (c != '\\') {
        out->push_back(c);
        continue;
      }
      if (at_ >= s_.size()) return false;
      char e = s_[at_++];
      if (e == 'u') {
        if (at_ + 4 > s_.size()) return false;
        unsigned long code = strtoul(s_.substr(at_, 4).c_str(), nullptr, 16);
        if (code > 0xFF) return false;
        out->push_back(char(code));
        at_ += 4;
      } else if (e == '"' || e == '\\' || e == '/') {
        out->push_back(e);
      } else {
        return false;
      }
    }
    return Eat('"');
  }
  bool Value(JsonValue* v) {
    Blank();
    if (at_ >= s_.size()) return false;
    char c = s_[at_];
    if (c == '"') return v->kind = JsonValue::STRING, String(&v->text);
    if (c == '{') {
      v->kind = JsonValue::OBJECT;
      at_++;
      if (Eat('}')) return true;
      do {
        std::string key;
        JsonValue field;
        if (!String(&key) || !Eat(':') || !Value(&field)) return false;
        v->fields[key] = field;
      } while (Eat(','));
      return Eat('}');
    }
    if (c == '[') {
      v->kind = JsonValue::ARRAY;
      at_++;
      if (Eat(']')) return true;
      do {
        v->items.emplace_back();
        if (!Value(&v->items.back())) return false;
      } while (Eat(','));
      return Eat(']');
    }
    if (s_.compare(at_, 4, "null") == 0) return at_ += 4, true;
    size_t used = 0;
    std::string rest = s_.substr(at_, 32);
    if (rest.empty() || !(isdigit(uint8_t(rest[0])) || rest[0] == '-')) return false;
    v->kind = JsonValue::NUMBER;
    v->number = std::stod(rest, &used);
    at_ += used;
    return true;
  }

  const std::string& s_;
  size_t at_ = 0;
};

inline bool JsonParse(const std::string& text, JsonValue* out) {
  return JsonReader(text).Document(out);
}

struct ToolRun {
  int exitCode = -1;  // -1: ended by a signal
  std::string out, err;
};

class ToolTest : public KovaTest {
 protected:
  void SetUp() override {
    KovaTest::SetUp();
    home_ = TempDir() + "/home";
    std::filesystem::create_directories(home_);
  }

  std::vector<std::string> DefaultEnv() const {
    return {"HOME=" + home_, "XDG_CONFIG_HOME=" + home_ + "/.config", "TMPDIR=" + TempDir()};
  }

  // Runs brantel-tool with `args` in the environment `env` (DefaultEnv()
  // when empty) and waits for it. A sanitizer report exits with 86.
  ToolRun Run(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    if (env.empty()) env = DefaultEnv();
    // A sanitizer report must not pass for the tool's own exit code 1.
    env.push_back("ASAN_OPTIONS=exitcode=86");
    env.push_back("UBSAN_OPTIONS=exitcode=86");
    std::string outPath = TempDir() + "/tool.out", errPath = TempDir() + "/tool.err";
    std::vector<char*> argv{const_cast<char*>(BRANTEL_TOOL_PATH)}, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
        _exit(127);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    int status = 0;
    EXPECT_EQ(pid, waitpid(pid, &status, 0));
    ToolRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Text(ReadHostFile(outPath));
    r.err = Text(ReadHostFile(errPath));
    return r;
  }

  static std::string Text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

  // Writes `bytes` as a file in the test folder and returns its path.
  std::string Put(const std::string& name, const PdbBytes& bytes) {
    std::string path = TempDir() + "/" + name;
    WriteHostFile(path, bytes);
    return path;
  }

  // `pdb info PATH --json`, parsed; the run must succeed.
  JsonValue Info(const std::string& path) {
    ToolRun r = Run({"pdb", "info", path, "--json"});
    EXPECT_EQ(0, r.exitCode) << r.err;
    JsonValue v;
    EXPECT_TRUE(JsonParse(r.out, &v)) << r.out;
    return v;
  }

  // Runs an editing verb that must succeed silently; returns the file parsed.
  PdbImage Edit(const std::vector<std::string>& args, const std::string& path) {
    ToolRun r = Run(args);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("", r.err);
    PdbImage image = PdbParse(ReadHostFile(path));
    EXPECT_TRUE(image.ok) << image.error;
    return image;
  }

  std::string home_;
};

// The real handheld files in tests/data (names only).
inline std::vector<std::string> ToolRealFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(BRANTEL_FIXTURES_DIR))
    if (e.path().extension() == ".pdb") names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Three records with flags, categories and unique IDs, and both info blocks.
inline PdbBuilder ToolThreeRecords() {
  return PdbBuilder()
      .Name("Contacts")
      .Record("alpha", 0x40, 0x000101)
      .Record("be", 0x05, 0x000102)
      .Record("gamma!", 0xB3, 0xABCDEF)
      .AppInfo("categories")
      .SortInfo("order");
}
