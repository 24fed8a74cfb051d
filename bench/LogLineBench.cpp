// The cost of one line of the log: a request entry (its caption and the request beneath it) added to the
// log tree and scrolled into view as the main window does, with 10 and with 100,000 entries already in
// the log. Prints the time per line for both, the tree's own steps per line, and the ratio of the two
// times against its limit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>

#include "app/TVLog.h"
#include "app/fMain.h"
#include "bench/BenchSupport.h"
#include "ui/Application.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

constexpr int kFew = 10;
constexpr int kMany = 100'000;
// Lines added between two trims of the tree back to its size.
constexpr int kBatch = 100;

// The log pane of the main window: the tree at its default height, scrolling to every new line.
class LogPane {
public:
    explicit LogPane(int entries)
    {
        tree->SetBounds(0, 0, 600, TFormMain::LogPaneHeight);
        tree->SetAutoExpand(true);
        scrolling->SetChecked(true);
        tree->OnAddition = [this](ui::TObject*, ui::TTreeNode* node) { TTVLog::ScrollToAdded(*tree, node, *scrolling); };
        for (int i = 0; i < entries; ++i) AddLine();
    }
    void AddLine() { log.AddText("<<<< 17.05.2024 13:45:10", "+typepan", 0xFF0000); }
    void Trim(int entries)
    {
        ui::TTreeNodes& nodes = tree->Items();
        while (nodes.RootCount() > entries) nodes.Delete(nodes.Root(nodes.RootCount() - 1));
    }
    std::uint64_t Steps() const { return tree->Items().Steps(); }

private:
    ui::ApplicationScope scope;
    ui::TForm* form = ui::Create<ui::TForm>(&scope.App(), "FormMain");
    ui::TTreeView* tree = ui::Create<ui::TTreeView>(form, "tvLog", form);
    ui::TCheckBox* scrolling = ui::Create<ui::TCheckBox>(form, "cbScrolling", form);
    TTVLog log{*tree};
};

// Per size of the log: nanoseconds and tree steps per line, of the last (the reported) run.
std::map<int, std::pair<double, double>> perLine;

void AddLogLine(benchmark::State& state)
{
    const int entries = static_cast<int>(state.range(0));
    LogPane pane(entries);
    std::uint64_t steps = 0;
    std::chrono::steady_clock::duration adding{};
    for (auto _ : state) {
        const std::uint64_t before = pane.Steps();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBatch; ++i) pane.AddLine();
        adding += std::chrono::steady_clock::now() - start;
        steps += pane.Steps() - before;
        state.PauseTiming();
        pane.Trim(entries);
        state.ResumeTiming();
    }
    const auto lines = static_cast<double>(state.iterations()) * kBatch;
    state.SetItemsProcessed(static_cast<std::int64_t>(lines));
    perLine[entries] = {std::chrono::duration<double, std::nano>(adding).count() / lines,
                        static_cast<double>(steps) / lines};
}
BENCHMARK(AddLogLine)->Arg(kFew)->Arg(kMany)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto [few, fewSteps] = perLine[kFew];
    const auto [many, manySteps] = perLine[kMany];
    if (few <= 0 || many <= 0) {
        std::fprintf(stderr, "no result\n");
        return 1;
    }
    std::printf("one log line: %.1f ns after %d lines, %.1f ns after %d lines; tree steps per line %.1f and %.1f\n",
                few, kFew, many, kMany, fewSteps, manySteps);
    benchsupport::Figure("log line after 100,000 lines", many, few, " ns", "<= 1.20", 1);
    return 0;
}
