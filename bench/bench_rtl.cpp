// Loading a settings file of about 3 MB (one section of 100,000 keys) and reading every key:
// a placement file of many windows or an old settings file grows to this.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/rtl/Files.h"
#include "platform/rtl/IniFile.h"

using namespace kvz;

namespace {

constexpr int kKeys = 100000;

std::string Key(int i) { return "Nastavenia_Okno" + std::to_string(i); }

const std::filesystem::path& LargeFile() {
    static const std::filesystem::path path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvz-bench-XXXXXX").string();
        const std::filesystem::path folder = ::mkdtemp(pattern.data());
        std::string text = "[ZirtSettings]\r\n";
        for (int i = 0; i < kKeys; ++i) text += Key(i) + "=Some value of a window " + std::to_string(i) + "\r\n";
        WriteFileDurably(folder / "Zirt.ini", text);
        return folder / "Zirt.ini";
    }();
    return path;
}

void BM_IniLoadAndReadEveryKey(benchmark::State& state) {
    const std::filesystem::path& path = LargeFile();
    for (auto _ : state) {
        IniFile ini(path);
        size_t total = 0;
        for (int i = 0; i < kKeys; i += static_cast<int>(state.range(0))) total += ini.ReadString("zirtsettings", Key(i), "").size();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_IniLoadAndReadEveryKey)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
