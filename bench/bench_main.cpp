// Entry point of tav_bench: the usual console output, then a table that pairs
// each "<case>/tav" run with the reference run of the same case
// ("<case>/opencv", "<case>/memcpy", ...) and prints the two throughputs and
// their ratio.
#include <benchmark/benchmark.h>

#if defined(TAV_HAVE_OPENCV)
#include <opencv2/core.hpp>
#endif

#include <stdio.h>
#include <string.h>

#include "simd/isa.h"

#include <map>
#include <string>
#include <vector>

namespace {

// Google Benchmark renamed the skip fields of a run (error_occurred and
// error_message, later skipped and skip_message); accept either spelling.
template <class Run>
auto skipMessage(const Run& run, int) -> decltype(run.error_message, std::string()) {
    return run.error_occurred ? (run.error_message.empty() ? "skipped" : run.error_message) : "";
}
template <class Run>
auto skipMessage(const Run& run, long) -> decltype(run.skip_message, std::string()) {
    return run.skipped ? (run.skip_message.empty() ? "skipped" : run.skip_message) : "";
}

// Runs a "<case>/tav" run is paired with: another implementation
// ("opencv"), a copy that moves the same bytes ("memcpy"), or the library
// itself with one setting changed ("no_pipeline", "no_stats",
// "one_thread", "edge": the edge-directed method in place of the one
// measured), so the ratio is what that setting costs or gains.
bool isReferenceSide(const std::string& side) {
    for (const char* name : {"opencv", "memcpy", "no_pipeline", "no_stats", "one_thread", "edge"})
        if (side == name) return true;
    return false;
}

struct CaseRates {
    double tav = -1.0;          // Mpix/s, < 0 when not measured
    double other = -1.0;
    std::string otherName;      // the reference side's name
    std::string tavNote;        // skip message, if any
};

class PairingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            std::string name = run.run_name.str();
            // Options such as UseRealTime() append their own name parts.
            for (const char* suffix : {"/real_time", "/manual_time"}) {
                const std::string tail(suffix);
                if (name.size() > tail.size() &&
                    name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
                    name.resize(name.size() - tail.size());
            }
            const size_t slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            const std::string caseName = name.substr(0, slash);
            const std::string side = name.substr(slash + 1);
            if (side != "tav" && !isReferenceSide(side)) continue;
            if (!cases_.count(caseName)) order_.push_back(caseName);
            CaseRates& rates = cases_[caseName];
            const std::string skipped = skipMessage(run, 0);
            double rate = -1.0;
            if (skipped.empty()) {
                auto it = run.counters.find("Mpix/s");
                if (it != run.counters.end()) rate = it->second.value;
            }
            if (side == "tav") {
                rates.tav = rate;
                rates.tavNote = skipped;
            } else {
                rates.other = rate;
                rates.otherName = side;
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (order_.empty()) return;
        FILE* out = stdout;
        int nameWidth = 52;  // wider for longer case names, so the columns stay aligned
        for (const std::string& caseName : order_)
            if ((int)caseName.size() > nameWidth) nameWidth = (int)caseName.size();
        fprintf(out, "\n%-*s %12s %12s %8s  %s\n", nameWidth, "case", "tav Mpix/s", "other Mpix/s", "ratio",
                "other");
        for (const std::string& caseName : order_) {
            const CaseRates& r = cases_[caseName];
            char tav[32], other[32], ratio[32];
            format(tav, sizeof tav, r.tav);
            format(other, sizeof other, r.other);
            if (r.tav > 0 && r.other > 0)
                snprintf(ratio, sizeof ratio, "%.2f", r.tav / r.other);
            else
                snprintf(ratio, sizeof ratio, "-");
            fprintf(out, "%-*s %12s %12s %8s  %s%s%s\n", nameWidth, caseName.c_str(), tav, other, ratio,
                    r.otherName.c_str(), r.tavNote.empty() ? "" : "  tav skipped: ",
                    r.tavNote.c_str());
        }
        fflush(out);
    }

private:
    static void format(char* text, size_t size, double rate) {
        if (rate < 0)
            snprintf(text, size, "-");
        else
            snprintf(text, size, "%.1f", rate);
    }

    std::map<std::string, CaseRates> cases_;
    std::vector<std::string> order_;
};

}  // namespace

// --tav_isa=plain|sse2|avx2|neon caps the library's instruction set (the
// detected one by default), so that one build measures AVX2 on and off.
// Returns false for an unknown name.
bool applyIsaOption(int& argc, char** argv) {
    const char* prefix = "--tav_isa=";
    int kept = 1;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], prefix, strlen(prefix)) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const char* name = argv[i] + strlen(prefix);
        const struct {
            const char* name;
            tav::simd::Isa isa;
        } kIsas[] = {{"plain", tav::simd::Isa::Plain},
                     {"sse2", tav::simd::Isa::Sse2},
                     {"avx2", tav::simd::Isa::Avx2},
                     {"neon", tav::simd::Isa::Neon}};
        bool known = false;
        for (const auto& entry : kIsas) {
            if (strcmp(name, entry.name) == 0) {
                tav::simd::setIsaCap(entry.isa);
                known = true;
            }
        }
        if (!known) {
            fprintf(stderr, "unknown instruction set '%s' (plain, sse2, avx2, neon)\n", name);
            ok = false;
        }
    }
    argc = kept;
    return ok;
}

int main(int argc, char** argv) {
    if (!applyIsaOption(argc, argv)) return 1;
    printf("tav instruction set: %d (0 plain, 1 sse2, 2 avx2, 3 neon)\n",
           static_cast<int>(tav::simd::activeIsa()));
#if defined(TAV_HAVE_OPENCV)
    // Every comparison is single-threaded, like the library.
    cv::setNumThreads(1);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PairingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
