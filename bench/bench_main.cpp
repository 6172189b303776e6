// Entry point of g719_bench. Runs the registered benchmarks like
// BENCHMARK_MAIN, and exits with status 1 when a benchmark reported an error
// (a missing test signal, or an instance that cannot be created) or when no
// benchmark matched the filter, so that a short smoke run can fail a test.
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

// Passes everything to the display reporter and counts the failed runs.
class ErrorCountingReporter : public benchmark::BenchmarkReporter {
 public:
  explicit ErrorCountingReporter(benchmark::BenchmarkReporter *display) : display_(display) {}

  bool ReportContext(const Context &context) override { return display_->ReportContext(context); }

  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.error_occurred) errors_++;
    }
    display_->ReportRuns(runs);
  }

  void Finalize() override { display_->Finalize(); }

  int errors() const { return errors_; }

 private:
  benchmark::BenchmarkReporter *display_;  // owned by the library
  int errors_ = 0;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ErrorCountingReporter reporter(benchmark::CreateDefaultDisplayReporter());
  const std::size_t ran = benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (ran == 0) {
    std::fprintf(stderr, "g719_bench: no benchmark matched the filter\n");
    return 1;
  }
  if (reporter.errors() > 0) {
    std::fprintf(stderr, "g719_bench: %d benchmark run(s) reported an error\n", reporter.errors());
    return 1;
  }
  return 0;
}
