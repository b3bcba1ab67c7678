#pragma once
// What every benchmark shares: its figures, the table and JSON they go to, process
// measurements, a repeatable random source and a screenless host for the Effects.

#include "doubles/RecordingMidiOut.h"
#include "effects/EffectHost.h"
#include "effects/EffectTable.h"
#include "music/FormState.h"
#include "music/NotePlayer.h"
#include "music/PemSoundsModule.h"
#include "music/SoundCard.h"
#include "music/Tunes.h"
#include "platform/DrawingSurface.h"
#include "platform/Random.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double microsecondsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::micro>(b - a).count();
}

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline bool hasFlag(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], flag) == 0) {
            return true;
        }
    }
    return false;
}

// The value after --name, if given.
inline std::optional<std::string> option(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::string(argv[i + 1]);
        }
    }
    return std::nullopt;
}

inline double median(std::vector<double> v) {
    if (v.empty()) {
        return 0.0;
    }
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// The value below which the given fraction of v lies.
inline double percentile(std::vector<double> v, double fraction) {
    if (v.empty()) {
        return 0.0;
    }
    const auto at =
        std::min(v.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(v.size())));
    const auto it = v.begin() + static_cast<std::ptrdiff_t>(at);
    std::nth_element(v.begin(), it, v.end());
    return *it;
}

// CPU seconds of every thread of this process so far.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

// Resident set size now, in KiB.
inline double residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4.0;
}

struct Budget {
    enum class Kind { AtMost, Below, AtLeast };
    Kind kind;
    double limit;

    bool met(double v) const {
        switch (kind) {
        case Kind::AtMost:
            return v <= limit;
        case Kind::Below:
            return v < limit;
        case Kind::AtLeast:
            return v >= limit;
        }
        return false;
    }
    std::string text() const {
        const char* op = kind == Kind::AtMost ? "<=" : kind == Kind::Below ? "<" : ">=";
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s %g", op, limit);
        return buf;
    }
};

inline Budget atMost(double v) {
    return {Budget::Kind::AtMost, v};
}
inline Budget below(double v) {
    return {Budget::Kind::Below, v};
}
inline Budget atLeast(double v) {
    return {Budget::Kind::AtLeast, v};
}

struct Figure {
    std::string name;
    double value = 0.0;
    std::string unit;
    std::optional<double> baseline; // compared as ratio = value / baseline
    std::optional<Budget> valueBudget;
    std::optional<Budget> ratioBudget;

    std::optional<double> ratio() const {
        if (!baseline) {
            return std::nullopt;
        }
        return value / *baseline;
    }
    bool hasBudget() const { return valueBudget || ratioBudget; }
    bool met() const {
        return (!valueBudget || valueBudget->met(value)) &&
               (!ratioBudget || (ratio() && ratioBudget->met(*ratio())));
    }
    std::string budgetText() const {
        std::string t;
        if (valueBudget) {
            t = "value " + valueBudget->text();
        }
        if (ratioBudget) {
            t += (t.empty() ? "" : ", ") + std::string("ratio ") + ratioBudget->text();
        }
        return t;
    }
};

inline std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

inline std::string jsonNumber(double v) {
    if (!std::isfinite(v)) {
        return "null";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

// Collects one benchmark's figures: printed as they come, written as
// bench-results-<suite>.json in the working folder at the end.
class Report {
public:
    explicit Report(std::string suite) : suite_(std::move(suite)) {
        std::printf("%-44s %12s %-8s %12s %8s  %s\n", "figure", "value", "unit", "baseline",
                    "ratio", "budget");
        std::fflush(stdout);
    }

    const Figure& add(Figure f) {
        std::string baseline;
        std::string ratio;
        if (f.baseline) {
            char b[32];
            char r[32];
            std::snprintf(b, sizeof b, "%12.3f", *f.baseline);
            std::snprintf(r, sizeof r, "%8.2f", *f.ratio());
            baseline = b;
            ratio = r;
        }
        std::string verdict;
        if (f.hasBudget()) {
            verdict = f.budgetText() + (f.met() ? "  met" : "  MISSED");
        }
        std::printf("%-44s %12.3f %-8s %12s %8s  %s\n", f.name.c_str(), f.value, f.unit.c_str(),
                    baseline.c_str(), ratio.c_str(), verdict.c_str());
        std::fflush(stdout);
        figures_.push_back(std::move(f));
        return figures_.back();
    }

    const Figure& add(std::string name, double value, std::string unit,
                      std::optional<Budget> budget = std::nullopt) {
        Figure f;
        f.name = std::move(name);
        f.value = value;
        f.unit = std::move(unit);
        f.valueBudget = budget;
        return add(std::move(f));
    }

    void note(const std::string& text) {
        std::printf("  (%s)\n", text.c_str());
        std::fflush(stdout);
    }

    bool allMet() const {
        return std::all_of(figures_.begin(), figures_.end(),
                           [](const Figure& f) { return f.met(); });
    }

    // Replaces the suite's file: one array of objects.
    void write() const {
        const std::string path = "bench-results-" + suite_ + ".json";
        std::ofstream out(path, std::ios::trunc);
        out << "[\n";
        for (std::size_t i = 0; i < figures_.size(); ++i) {
            const Figure& f = figures_[i];
            out << "  {\"name\": " << jsonString(f.name) << ", \"value\": " << jsonNumber(f.value)
                << ", \"unit\": " << jsonString(f.unit);
            if (f.baseline) {
                out << ", \"baseline\": " << jsonNumber(*f.baseline)
                    << ", \"ratio\": " << jsonNumber(*f.ratio());
            }
            if (f.hasBudget()) {
                out << ", \"budget\": " << jsonString(f.budgetText())
                    << ", \"met\": " << (f.met() ? "true" : "false");
            }
            out << "}" << (i + 1 < figures_.size() ? "," : "") << "\n";
        }
        out << "]\n";
        std::printf("wrote %s\n", path.c_str());
    }

private:
    std::string suite_;
    std::vector<Figure> figures_;
};

// The program's generator with reseeds that repeat from run to run: the n-th reseed
// always gives the same sequence, so every run draws the same pictures.
class FixedSeedRandom final : public platform::RandomSource {
public:
    explicit FixedSeedRandom(uint64_t seed = 20240601) : seed_(seed), generator_(seed) {}
    float next() override { return generator_.next(); }
    void reseed() override { generator_.seedWith(seed_ + 0x9E3779B97F4A7C15ULL * ++reseeds_); }

private:
    uint64_t seed_;
    uint64_t reseeds_ = 0;
    platform::ClockSeededRandom generator_;
};

// Device 0 is a recorder, opened as start-up opens it, for the life of this object.
class RecorderScope {
public:
    RecorderScope() {
        int16_t device = 0;
        card_.OpenCard(device);
    }
    ~RecorderScope() { card_.CloseCard(); }
    RecorderScope(const RecorderScope&) = delete;
    RecorderScope& operator=(const RecorderScope&) = delete;

    platform::MidiRecording& log() { return *log_; }
    bool opened() const { return card_.Opened(); }
    // Where the tones of a bench sound.
    PemSoundsModule::Link& link() { return link_; }

private:
    std::shared_ptr<platform::MidiRecording> log_ = std::make_shared<platform::MidiRecording>();
    platform::MidiOutRegistry devices_{{platform::recordingDevice(log_)}};
    PemSoundsModule::Link link_{devices_, {}};
    SoundCard card_{link_};
};

// The main window's part the Effects see, without a screen: the real state, surface and
// note player, numbers of its own that repeat from run to run, notes through the link given,
// which outlives it; timers are flags; a pause returns at once.
class BenchHost final : public EffectHost {
public:
    BenchHost(QSize size, PemSoundsModule::Link& sound) : surface_(size) {
        state_.Output = &sound;
        PrepareFormState(state_, surface_.ScaleWidth(), surface_.ScaleHeight(), random_);
        caption_ = VersionCaption();
    }

    FormState& state() override { return state_; }
    platform::DrawingSurface& MyPic() override { return surface_; }
    platform::RandomSource& random() override { return random_; }
    void PlayNote() override { ::PlayNote(state_); }
    QString caption() const override { return caption_; }
    void setCaption(const QString& text) override { caption_ = text; }
    QString buttonCaption(EffectButton button) const override {
        return QString::fromLatin1(effectDesign(button).caption);
    }
    void AddTuneToCaption() override { caption_ = Tunes::AddTuneToCaption(caption_, 0); }
    void setTimerEnabled(EffectTimer timer, bool enabled) override {
        timers_[static_cast<std::size_t>(timer)] = enabled;
    }
    bool timerEnabled(EffectTimer timer) const override {
        return timers_[static_cast<std::size_t>(timer)];
    }
    void Pause(int16_t) override {}
    bool unloaded() const override { return false; }

private:
    FixedSeedRandom random_;
    FormState state_;
    platform::DrawingSurface surface_;
    QString caption_;
    std::array<bool, EffectTimerCount> timers_{};
};

// The nine timer-driven Effects: a name for the figures, the timer and the button that
// starts it.
struct EffectEntry {
    const char* name;
    EffectTimer timer;
    EffectButton button;
};

inline const std::array<EffectEntry, EffectTimerCount>& timedEffects() {
    static const std::array<EffectEntry, EffectTimerCount> all = [] {
        // In the order of EffectTimer.
        const char* const names[EffectTimerCount] = {
            "einstein_waves", "saturated_rainbow", "meteorites",
            "jagged_maze",    "black_holes",       "spectral_flood",
            "exploding_suns", "cosmic_sines",      "trigonometric_trajectories"};
        std::array<EffectEntry, EffectTimerCount> entries{};
        for (int i = 0; i < EffectTimerCount; ++i) {
            const auto timer = static_cast<EffectTimer>(i);
            entries[static_cast<std::size_t>(i)] = {names[i], timer, effectDesign(timer).button};
        }
        return entries;
    }();
    return all;
}

} // namespace bench
