// Tick cost of every Effect on a 1024 x 594 surface with a fixed seed, next to the cost of
// writing the pixels that tick changed straight into an image, measured in the same run.
#include "BenchSupport.h"

#include "effects/Effects.h"

#include <QGuiApplication>
#include <QImage>

#include <atomic>
#include <cstdlib>

namespace {

// Every pixel write of one tick, in order, overwrites included: runs along rows with
// their values. Recorded on a twin of the timed host that draws the same pictures.
class PixelWrites {
public:
    void clear() {
        runs_.clear();
        values_.clear();
    }

    // Takes the written pixels of rect: those whose alpha a write restored.
    void takeFrom(QImage& image, const QRect& rect) {
        const QRect r = rect.intersected(image.rect());
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            int x = r.left();
            while (x <= r.right()) {
                if (qAlpha(row[x]) == 0) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x <= r.right() && qAlpha(row[x]) != 0) {
                    ++x;
                }
                runs_.push_back({y, start, x - start, values_.size()});
                values_.insert(values_.end(), row + start, row + x);
                for (int i = start; i < x; ++i) {
                    row[i] &= 0x00FFFFFFu;
                }
            }
        }
    }

    // The direct write: each run through its row's scanLine pointer.
    void write(QImage& target) const {
        for (const Run& r : runs_) {
            auto* row = reinterpret_cast<QRgb*>(target.scanLine(r.y));
            std::copy_n(values_.data() + r.offset, r.count, row + r.x);
        }
    }

    std::size_t pixels() const { return values_.size(); }

private:
    struct Run {
        int y;
        int x;
        int count;
        std::size_t offset;
    };
    std::vector<Run> runs_;
    std::vector<QRgb> values_;
};

// Drawing always writes opaque pixels, so a pixel whose alpha is cleared shows when
// something writes it, whatever colour it had.
void clearAlpha(QImage& image) {
    auto* p = reinterpret_cast<QRgb*>(image.bits());
    const auto n = static_cast<std::size_t>(image.sizeInBytes()) / sizeof(QRgb);
    for (std::size_t i = 0; i < n; ++i) {
        p[i] &= 0x00FFFFFFu;
    }
}

void setAlpha(QImage& image) {
    auto* p = reinterpret_cast<QRgb*>(image.bits());
    const auto n = static_cast<std::size_t>(image.sizeInBytes()) / sizeof(QRgb);
    for (std::size_t i = 0; i < n; ++i) {
        p[i] |= 0xFF000000u;
    }
}

// Reads a word of every cache line, so the picture is in the cache for what follows.
void touch(const QImage& image) {
    const auto* p = reinterpret_cast<const uint32_t*>(image.constBits());
    const auto n = static_cast<std::size_t>(image.sizeInBytes()) / sizeof(uint32_t);
    uint32_t sum = 0;
    for (std::size_t i = 0; i < n; i += 16) {
        sum += p[i];
    }
    static std::atomic<uint32_t> sink;
    sink.store(sum, std::memory_order_relaxed);
}

// One host with its Effects and its own generator.
struct Lane {
    Lane(const bench::EffectEntry& effect, PemSoundsModule::Link& sound) : entry(effect) {
        host = std::make_unique<bench::BenchHost>(QSize(1024, 594), sound);
        effects = std::make_unique<Effects>(*host);
        effects->click(entry.button);
    }

    // Saturated Rainbow and Meteorites stop at the right edge: start them again, as a
    // press of their button would.
    void tick() {
        effects->tick(entry.timer);
        if (!host->timerEnabled(entry.timer)) {
            effects->click(entry.button);
        }
    }

    const bench::EffectEntry& entry;
    std::unique_ptr<bench::BenchHost> host;
    std::unique_ptr<Effects> effects;
};

struct EffectCost {
    double tickUs;
    double tickP99Us;
    double directUs;
    double pixelsWritten;
    bool sameDrawing;
};

EffectCost measure(const bench::EffectEntry& entry, int ticks, int warmUp) {
    bench::RecorderScope recorder;
    Lane timed(entry, recorder.link());
    Lane recorded(entry, recorder.link());
    platform::DrawingSurface& pic = recorded.host->MyPic();
    // The surface's image, written behind its back only between and around its calls.
    auto& image = const_cast<QImage&>(pic.image());

    PixelWrites writes;
    // Announced once per clean-to-changed step: taking the change makes it clean again,
    // so every drawing call announces itself with the rect it drew in.
    pic.setChangeNotifier([&] { writes.takeFrom(image, pic.takeDirty()); });
    (void)pic.takeDirty();

    auto keepLogShort = [&] {
        if (recorder.log().events.size() > 30000) {
            recorder.log().clear();
        }
    };
    for (int i = 0; i < warmUp; ++i) {
        timed.tick();
        recorded.tick();
        keepLogShort();
    }

    const QImage& timedImage = timed.host->MyPic().image();
    QImage scratch(timedImage.size(), QImage::Format_RGB32);
    std::vector<double> tickTimes;
    std::vector<double> directTimes;
    std::vector<double> pixelCounts;
    bool same = true;
    for (int i = 0; i < ticks; ++i) {
        // The twin's tick first, with its writes recorded.
        writes.clear();
        clearAlpha(image);
        recorded.tick();
        // Anything written outside the announced rects is a write too.
        writes.takeFrom(image, image.rect());
        setAlpha(image);

        // The direct write starts from the same picture, in a copy; each timed part
        // runs right after its own picture has been read through, so both find the
        // cache in the same state.
        std::memcpy(scratch.bits(), timedImage.constBits(),
                    static_cast<std::size_t>(scratch.sizeInBytes()));
        touch(timedImage);
        const auto t0 = bench::Clock::now();
        timed.tick();
        const auto t1 = bench::Clock::now();
        tickTimes.push_back(bench::microsecondsBetween(t0, t1));

        touch(scratch);
        const auto d0 = bench::Clock::now();
        writes.write(scratch);
        const auto d1 = bench::Clock::now();
        directTimes.push_back(bench::microsecondsBetween(d0, d1));
        pixelCounts.push_back(static_cast<double>(writes.pixels()));
        if (i % 16 == 0) {
            same = same && image == timedImage && scratch == timedImage;
        }
        keepLogShort();
    }
    pic.setChangeNotifier({});
    return {bench::median(tickTimes), bench::percentile(tickTimes, 0.99),
            bench::median(directTimes), bench::median(pixelCounts), same};
}

// The three Effects made of thick points must stay close to writing their pixels.
bool ratioBudgeted(const char* name) {
    const std::string n = name;
    return n == "cosmic_sines" || n == "trigonometric_trajectories" || n == "meteorites";
}

} // namespace

int main(int argc, char** argv) {
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    int ticks = smoke ? 12 : 3000;
    if (const auto given = bench::option(argc, argv, "--ticks")) {
        ticks = std::max(1, std::atoi(given->c_str()));
    }

    bench::Report report("effects");
    report.note("median over " + std::to_string(ticks) +
                " ticks on 1024 x 594; baseline: writing every pixel the tick wrote, in order");
    // --only NAME measures one Effect, for profiling.
    const auto only = bench::option(argc, argv, "--only");
    for (const auto& entry : bench::timedEffects()) {
        if (only && *only != entry.name) {
            continue;
        }
        const EffectCost cost = measure(entry, ticks, smoke ? 3 : 20);
        bench::Figure f;
        f.name = std::string("tick_") + entry.name;
        f.value = cost.tickUs;
        f.unit = "us";
        f.baseline = cost.directUs;
        f.valueBudget = bench::below(100.0);
        if (ratioBudgeted(entry.name)) {
            f.ratioBudget = bench::atMost(2.0);
        }
        if (!cost.sameDrawing) {
            report.note(f.name + ": the recorded writes do not reproduce the timed drawing");
        }
        report.add(f);
        report.add(f.name + "_pixels_written", cost.pixelsWritten, "pixels");
        // The slow ticks are what make the fast timers miss their turn.
        report.add(f.name + "_p99", cost.tickP99Us, "us");
    }
    report.write();
    return 0;
}
