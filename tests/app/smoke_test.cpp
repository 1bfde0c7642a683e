// Smoke tests of the real `brantel` program: it starts and stops under SDL's
// dummy video driver and under a virtual X display, writes its window
// placement on the way out, ends through its normal stop on SIGTERM, and a
// second copy ends at once leaving every file of the data folder as it was.
// Each test gives the program a fresh temporary home folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Smoke : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/brantel-smoke-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
    fs::create_directories(home_ / ".config");
  }
  void TearDown() override {
    for (pid_t pid : running_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  fs::path DataDir() const { return home_ / "Documents" / "brantel"; }
  fs::path StderrOf(int run) const { return home_ / ("stderr-" + std::to_string(run) + ".txt"); }

  // Starts `argv` with the test's home folder and `extra` variables; standard
  // error goes to StderrOf(run number). Returns the process id.
  pid_t Spawn(const std::vector<std::string>& argv,
              const std::map<std::string, std::string>& extra) {
    std::map<std::string, std::string> env;
    for (char** e = environ; *e; e++) {
      std::string kv = *e;
      size_t eq = kv.find('=');
      if (eq != std::string::npos) env[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    for (const char* drop : {"DISPLAY", "WAYLAND_DISPLAY", "BRANTEL_HEADLESS", "BRANTEL_SCREENSHOT",
                             "BRANTEL_QUIT_AFTER_MS", "XDG_DOCUMENTS_DIR"})
      env.erase(drop);
    env["HOME"] = home_.string();
    env["XDG_CONFIG_HOME"] = (home_ / ".config").string();
    env["XDG_DATA_HOME"] = (home_ / ".local/share").string();
    env["XDG_RUNTIME_DIR"] = home_.string();
    env["SDL_AUDIODRIVER"] = "dummy";
    env["SDL_FRAMEBUFFER_ACCELERATION"] = "0";
    // Under the sanitizers: libdbus, which SDL's X11 driver loads, keeps a
    // buffer until process end on purpose; that is not our leak.
    fs::path suppressions = home_ / "lsan.supp";
    std::ofstream(suppressions) << "leak:libdbus-1.so\n";
    env["LSAN_OPTIONS"] = "suppressions=" + suppressions.string();
    for (const auto& [k, v] : extra) env[k] = v;
    std::vector<std::string> envText;
    for (const auto& [k, v] : env) envText.push_back(k + "=" + v);
    std::string errPath = StderrOf(++runs_).string();
    pid_t pid = fork();
    if (pid == 0) {
      int fd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) dup2(fd, 2);
      std::vector<char*> args, envp;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
      args.push_back(nullptr);
      envp.push_back(nullptr);
      execvpe(args[0], args.data(), envp.data());
      _exit(127);
    }
    if (pid > 0) running_.push_back(pid);
    return pid;
  }

  // Waits for the process; its exit status, or -1 after `seconds`.
  int Wait(pid_t pid, int seconds = 30) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(running_, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  int RunProgram(const std::map<std::string, std::string>& extra,
                 const std::vector<std::string>& argv = {BRANTEL_APP_PATH}) {
    pid_t pid = Spawn(argv, extra);
    return pid > 0 ? Wait(pid) : -1;
  }

  // True once a running copy holds the instance lock of the data folder.
  bool WaitUntilRunning(int seconds = 20) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string lock = (DataDir() / "Instance_Lock_BrnL").string();
    while (std::chrono::steady_clock::now() < deadline) {
      int fd = open(lock.c_str(), O_RDONLY);
      if (fd >= 0) {
        bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
        if (!held) flock(fd, LOCK_UN);
        close(fd);
        if (held) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Every file of the data folder with its bytes.
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(DataDir()))
      if (entry.is_regular_file())
        files[fs::relative(entry.path(), DataDir()).string()] = ReadText(entry.path());
    return files;
  }

  // The placement file read by its own rules: four numbers, left and top 0
  // or more, width and height above 50.
  bool PlacementValid(int* width = nullptr, int* height = nullptr) const {
    std::istringstream in(ReadText(DataDir() / "Window_Preferences_BrnL").substr(0, 80));
    int l = -1, t = -1, w = 0, h = 0;
    if (!(in >> l >> t >> w >> h)) return false;
    if (width) *width = w;
    if (height) *height = h;
    return l >= 0 && t >= 0 && w > 50 && h > 50;
  }

  fs::path home_;
  int runs_ = 0;
  std::vector<pid_t> running_;
};

TEST_F(Smoke, StartsAndStopsUnderTheDummyDriver) {
  EXPECT_EQ(0, RunProgram({{"SDL_VIDEODRIVER", "dummy"}, {"BRANTEL_QUIT_AFTER_MS", "300"}}))
      << ReadText(StderrOf(1));
  EXPECT_TRUE(PlacementValid()) << ReadText(DataDir() / "Window_Preferences_BrnL");
  EXPECT_TRUE(fs::exists(DataDir() / "Saved_Preferences_BrnL"));
}

TEST_F(Smoke, SigtermEndsThroughTheNormalStop) {
  pid_t pid = Spawn({BRANTEL_APP_PATH}, {{"SDL_VIDEODRIVER", "dummy"}});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitUntilRunning()) << ReadText(StderrOf(1));
  kill(pid, SIGTERM);
  EXPECT_EQ(0, Wait(pid)) << ReadText(StderrOf(1));
  EXPECT_TRUE(PlacementValid());
}

TEST_F(Smoke, SecondCopyEndsAndLeavesTheFilesAsTheyWere) {
  // A first run leaves preferences and placement behind.
  ASSERT_EQ(0, RunProgram({{"SDL_VIDEODRIVER", "dummy"}, {"BRANTEL_QUIT_AFTER_MS", "100"}}));
  pid_t first = Spawn({BRANTEL_APP_PATH}, {{"SDL_VIDEODRIVER", "dummy"}});
  ASSERT_GT(first, 0);
  ASSERT_TRUE(WaitUntilRunning());
  std::map<std::string, std::string> before = Snapshot();
  EXPECT_TRUE(before.count("Window_Preferences_BrnL"));
  EXPECT_TRUE(before.count("Saved_Preferences_BrnL"));
  // The second copy gets no quit switch: it must end by itself.
  EXPECT_EQ(0, RunProgram({{"SDL_VIDEODRIVER", "dummy"}}));
  EXPECT_EQ(Snapshot(), before);
  // The first copy heard the second one, and still stops normally.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(first, SIGTERM);
  EXPECT_EQ(0, Wait(first));
  EXPECT_NE(ReadText(StderrOf(2)).find("second copy asked for the window"), std::string::npos)
      << ReadText(StderrOf(2));
}

TEST_F(Smoke, StartsAndStopsUnderAVirtualDisplay) {
  if (system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run missing";
  fs::path shot = home_ / "shot.png";
  // Xvfb must outlive its clients (-noreset), or SDL falls back to another
  // driver; x11 is forced so a fallback cannot pass unnoticed.
  std::map<std::string, std::string> env = {{"SDL_VIDEODRIVER", "x11"},
                                            {"BRANTEL_SCREENSHOT", shot.string()}};
  std::vector<std::string> argv = {"xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -noreset",
                                   BRANTEL_APP_PATH};
  int rc = RunProgram(env, argv);
  // xvfb-run -a can lose a race for a display number to another virtual
  // display starting at the same moment: one more try.
  if (rc != 0 && !fs::exists(shot)) rc = RunProgram(env, argv);
  ASSERT_EQ(0, rc) << ReadText(StderrOf(runs_));
  int w = 0, h = 0;
  EXPECT_TRUE(PlacementValid(&w, &h));
  // The screenshot is a PNG of the window's client area; without a window
  // manager the client area is the whole window.
  std::string png = ReadText(shot);
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  auto be32 = [&](size_t at) {
    return int((uint8_t(png[at]) << 24) | (uint8_t(png[at + 1]) << 16) |
               (uint8_t(png[at + 2]) << 8) | uint8_t(png[at + 3]));
  };
  EXPECT_EQ(be32(16), w);
  EXPECT_EQ(be32(20), h);
}

}  // namespace
