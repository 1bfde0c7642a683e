// Start-up of the real program: process start to the main window shown and
// the program stopped again, with the resource store appended. The program
// runs on SDL's dummy video driver with BRANTEL_QUIT_AFTER_MS=1, so the
// measured run is start, first window, normal stop (an upper bound of the
// time to the window). The floor is starting and ending a trivial process.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs `argv` with `env` and waits for it; false when it failed.
bool runProcess(const char* path, std::vector<std::string> env) {
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* argv[] = {const_cast<char*>(path), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, path, nullptr, nullptr, argv, envp.data()) != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string tempHome() {
  char pattern[] = "/tmp/brantel-bench-XXXXXX";
  return mkdtemp(pattern) ? pattern : "/tmp";
}

void BM_ProgramStartToWindowAndStop(benchmark::State& state) {
  std::string home = tempHome();
  std::vector<std::string> env = {"HOME=" + home, "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
                                  "SDL_FRAMEBUFFER_ACCELERATION=0", "BRANTEL_QUIT_AFTER_MS=1"};
  for (auto _ : state)
    if (!runProcess(BRANTEL_APP_PATH, env)) state.SkipWithError("the program did not run");
  std::string cleanup = "rm -rf '" + home + "'";
  (void)system(cleanup.c_str());
}

void BM_FloorTrivialProcess(benchmark::State& state) {
  for (auto _ : state)
    if (!runProcess("/bin/true", {})) state.SkipWithError("/bin/true did not run");
}

}  // namespace

BENCHMARK(BM_ProgramStartToWindowAndStop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorTrivialProcess)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
