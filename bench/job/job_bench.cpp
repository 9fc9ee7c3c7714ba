// A whole job, as a user starts it, against a plain copy of the same tree in
// the same run: 50 copies of the legacy corpus, on tmpfs and on a disk
// folder, with and without backups, on one thread and on every core.
//
// Environment: SW_BENCH_PROGRAM another slimwright to time (an older one
// without --jobs: set SW_BENCH_NO_JOBS=1); SW_BENCH_TMPFS and SW_BENCH_DISK
// the folders to work in (default /dev/shm and the system's temporary folder
// when it is no tmpfs); SW_BENCH_COPIES the number of corpus copies (50).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr long kTmpfsMagic = 0x01021994;

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

struct Outcome {
  double seconds = 0;
  long peakKb = 0;
  int status = -1;
};

// Runs a program to its end with its output discarded.
Outcome Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage ru {};
  ::wait4(pid, &status, 0, &ru);
  Outcome o;
  o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  o.peakKb = ru.ru_maxrss;
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return o;
}

struct Place {
  std::string name;
  fs::path root;
};

// The source tree and the program home, made once per place.
struct Setup {
  std::string program;
  bool noJobs = false;
  std::vector<Place> places;
  size_t treeBytes = 0;
  std::map<std::string, double> copyTime;  // per place, "copy" and "copy+sync"
  bool ok = false;
  std::string error;

  Setup() {
    program = Env("SW_BENCH_PROGRAM", SW_PROGRAM);
    noJobs = Env("SW_BENCH_NO_JOBS", "") == "1";
    const int copies = std::atoi(Env("SW_BENCH_COPIES", "50").c_str());
    std::string tmp = fs::temp_directory_path().string();
    struct statfs sf {};
    const bool tmpIsTmpfs = ::statfs(tmp.c_str(), &sf) == 0 && long(sf.f_type) == kTmpfsMagic;
    const std::string tmpfs = Env("SW_BENCH_TMPFS", "/dev/shm");
    const std::string disk = Env("SW_BENCH_DISK", tmpIsTmpfs ? "/var/tmp" : tmp);
    const std::string tag = "swjobbench" + std::to_string(::getpid());
    for (auto [name, base] : {std::pair<std::string, std::string>{"tmpfs", tmpfs}, {"disk", disk}}) {
      std::error_code ec;
      fs::path root = fs::path(base) / tag;
      fs::create_directories(root / "src", ec);
      if (ec) continue;
      for (int i = 0; i < copies; ++i) fs::copy(SW_CORPUS_DIR, root / "src" / ("c" + std::to_string(i)),
                                                fs::copy_options::recursive, ec);
      for (auto& e : fs::recursive_directory_iterator(root / "src"))
        if (e.is_regular_file()) fs::permissions(e.path(), fs::perms(0644));
      places.push_back({name, root});
    }
    if (places.empty()) {
      error = "no folder to work in";
      return;
    }
    for (auto& e : fs::recursive_directory_iterator(places[0].root / "src"))
      if (e.is_regular_file()) treeBytes += e.file_size();
    for (const auto& p : places) {
      fs::create_directories(p.root / "home");
      if (Run({program, "--home", (p.root / "home").string(), "preset", "safe"}).status != 0) {
        error = "the program could not write its preset: " + program;
        return;
      }
    }
    ok = true;
  }
  ~Setup() {
    std::error_code ec;
    for (const auto& p : places) fs::remove_all(p.root, ec);
  }
  const Place* Find(const std::string& name) const {
    for (const auto& p : places)
      if (p.name == name) return &p;
    return nullptr;
  }
  // A fresh copy of the tree to work on.
  fs::path Fresh(const Place& p) const {
    fs::remove_all(p.root / "web");
    Run({"cp", "-r", (p.root / "src").string(), (p.root / "web").string()});
    return p.root / "web";
  }
};

Setup& TheSetup() {
  static Setup s;
  return s;
}

void Report(benchmark::State& state, const Setup& s, double seconds, const std::string& against,
            const std::string& place) {
  state.counters["MB/s"] = benchmark::Counter(double(s.treeBytes) / 1e6 / seconds);
  auto it = s.copyTime.find(place + "/" + against);
  if (it != s.copyTime.end()) state.counters["x_" + against] = seconds / it->second;
}

// cp -r of the tree, and cp -r followed by sync.
void BM_Copy(benchmark::State& state, std::string place, bool sync) {
  Setup& s = TheSetup();
  const Place* p = s.Find(place);
  if (!s.ok || !p) return state.SkipWithError(s.ok ? "no such place" : s.error.c_str());
  double total = 0;
  for (auto _ : state) {
    std::error_code ec;
    fs::remove_all(p->root / "web", ec);
    Run({"sync"});
    const auto t0 = std::chrono::steady_clock::now();
    Run({"cp", "-r", (p->root / "src").string(), (p->root / "web").string()});
    if (sync) Run({"sync"});
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(secs);
    total += secs;
  }
  const double mean = total / double(state.iterations());
  s.copyTime[place + (sync ? "/copysync" : "/copy")] = mean;
  Report(state, s, mean, "copy", place);
}

// The whole job over a fresh copy of the tree.
void BM_Job(benchmark::State& state, std::string place, bool backups, bool allCores) {
  Setup& s = TheSetup();
  const Place* p = s.Find(place);
  if (!s.ok || !p) return state.SkipWithError(s.ok ? "no such place" : s.error.c_str());
  double total = 0;
  long peak = 0;
  for (auto _ : state) {
    const fs::path web = s.Fresh(*p);
    Run({"sync"});
    std::vector<std::string> args = {s.program, "--home", (p->root / "home").string(), "optimize", "--report",
                                     "none", "--yes"};
    if (!backups) args.push_back("--no-backups");
    if (!s.noJobs) {
      args.push_back("--jobs");
      args.push_back(allCores ? std::to_string(std::max(1u, std::thread::hardware_concurrency())) : "1");
    }
    args.push_back(web.string());
    const Outcome o = Run(args);
    if (o.status != 0 && o.status != 1) return state.SkipWithError("the job failed");
    state.SetIterationTime(o.seconds);
    total += o.seconds;
    peak = std::max(peak, o.peakKb);
  }
  const double mean = total / double(state.iterations());
  state.counters["peak_MB"] = benchmark::Counter(double(peak) / 1024.0);
  Report(state, s, mean, "copy", place);
  if (backups) Report(state, s, mean, "copysync", place);
}

void Register() {
  const int iterations = std::max(1, std::atoi(Env("SW_BENCH_ITERATIONS", "3").c_str()));
  auto setUp = [&](benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(iterations)->Unit(benchmark::kMillisecond);
  };
  for (const std::string place : {"tmpfs", "disk"}) {
    // The copies first: every job of the place is measured against them.
    setUp(benchmark::RegisterBenchmark(("Copy/" + place).c_str(), BM_Copy, place, false));
    setUp(benchmark::RegisterBenchmark(("CopySync/" + place).c_str(), BM_Copy, place, true));
    for (bool backups : {false, true})
      for (bool all : {false, true})
        setUp(benchmark::RegisterBenchmark(
            ("Job/" + place + (backups ? "/backups" : "/no-backups") + (all ? "/all-cores" : "/one-thread")).c_str(),
            BM_Job, place, backups, all));
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  // Few, long iterations: each is a whole job over the tree.
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
