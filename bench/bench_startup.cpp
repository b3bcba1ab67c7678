// Start-up: from process start to the splash on screen, and from the splash closing to the
// main window on screen; all of it should be the jingle's second and little more.
//
// In-process: this program starts itself again as the program (Main with a recording
// device, offscreen) and reports when the windows paint. The real binary: with an X server
// (--display or ZELPHOR_BENCH_DISPLAY) and the binary (--zelphor or ZELPHOR_BENCH_BINARY),
// it is started there and its windows are watched until their first paint shows; it needs
// a reachable audio server, or its error box waits for a click.
#include "ProgramBench.h"

#include "platform/MidiOut.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#ifdef ZELPHOR_BENCH_XCB
#include <xcb/xcb.h>
#endif

#include <cstdlib>
#include <memory>

namespace {

using Nanos = long long;

Nanos nowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               bench::Clock::now().time_since_epoch())
        .count();
}

double msBetween(Nanos a, Nanos b) {
    return static_cast<double>(b - a) / 1e6;
}

struct StartTimes {
    // Known only for the program in our own child: main entered, application object made.
    Nanos entered = 0;
    Nanos applicationReady = 0;
    Nanos splashShown = 0;
    Nanos splashClosed = 0;
    Nanos mainShown = 0;
    bool complete() const { return splashShown && splashClosed && mainShown; }
};

// --- The program in a child process of ours -----------------------------------------

class PaintWatcher : public QObject {
public:
    StartTimes times;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type == QEvent::Paint && watched->inherits("frmSplash") && !times.splashShown) {
            times.splashShown = nowNanos();
        } else if (type == QEvent::Hide && watched->inherits("frmSplash") && !times.splashClosed) {
            times.splashClosed = nowNanos();
        } else if (type == QEvent::Paint && watched->inherits("frmGraphicsPlay") &&
                   static_cast<QWidget*>(watched)->isVisible() && !times.mainShown) {
            // Visible: the window is also rendered once, hidden, while the jingle plays.
            times.mainShown = nowNanos();
        }
        return false;
    }
};

int childMain(int argc, char** argv) {
    const Nanos entered = nowNanos();
    const bool synth = bench::hasFlag(argc, argv, "--synth");
    // Device 0 opens while the application object is made, as in the program's own start.
    auto program = std::make_unique<bench::Program>(
        synth ? bench::Program::Device::Synthesizer : bench::Program::Device::Recorder,
        platform::realClock(), bench::Program::Start::Later);
    bench::chooseOffscreenScreen();
    QApplication app(argc, argv);
    const Nanos applicationReady = nowNanos();
    PaintWatcher watcher;
    app.installEventFilter(&watcher);
    program->start();
    const bool failed = !program->boxes().isEmpty();
    for (int i = 0; i < 100 && !failed && !watcher.times.mainShown; ++i) {
        bench::runEventLoop(std::chrono::milliseconds(10));
    }
    program.reset();
    if (failed) {
        return 1;
    }
    app.removeEventFilter(&watcher);
    std::printf("times %lld %lld %lld %lld %lld\n", entered, applicationReady,
                watcher.times.splashShown, watcher.times.splashClosed, watcher.times.mainShown);
    return 0;
}

// Runs argv with extra environment, its output read line by line into lines.
struct Child {
    pid_t pid = -1;
    int output = -1;
};

Child spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return {};
    }
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        for (const auto& e : env) {
            putenv(const_cast<char*>(e.c_str()));
        }
        std::vector<char*> argvOut;
        for (const auto& a : args) {
            argvOut.push_back(const_cast<char*>(a.c_str()));
        }
        argvOut.push_back(nullptr);
        execv(argvOut[0], argvOut.data());
        _exit(127);
    }
    close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

std::optional<StartTimes> inProcessRun(Nanos& started, bool synth) {
    started = nowNanos();
    Child child = spawn(synth ? std::vector<std::string>{"/proc/self/exe", "--child", "--synth"}
                              : std::vector<std::string>{"/proc/self/exe", "--child"},
                        {});
    if (child.pid < 0) {
        return std::nullopt;
    }
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(child.output, buf, sizeof buf)) > 0) {
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(child.output);
    int status = 0;
    waitpid(child.pid, &status, 0);
    StartTimes t;
    const auto at = out.find("times ");
    if (at == std::string::npos ||
        std::sscanf(out.c_str() + at, "times %lld %lld %lld %lld %lld", &t.entered,
                    &t.applicationReady, &t.splashShown, &t.splashClosed, &t.mainShown) != 5 ||
        !t.complete()) {
        return std::nullopt;
    }
    return t;
}

// --- The real binary on an X server -----------------------------------------------------

#ifdef ZELPHOR_BENCH_XCB
// True once a row across the window's middle (or across the panel of the main window)
// holds more than one colour: mapped but not yet painted, a window shows one colour.
bool painted(xcb_connection_t* c, xcb_window_t window, int width, int y) {
    auto* image = xcb_get_image_reply(c,
                                      xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0,
                                                    static_cast<int16_t>(y),
                                                    static_cast<uint16_t>(width), 1, ~0u),
                                      nullptr);
    if (image == nullptr) {
        return false;
    }
    bool varied = false;
    if (image->depth >= 24 && xcb_get_image_data_length(image) >= width * 4) {
        const auto* px = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
        for (int i = 1; i < width && !varied; ++i) {
            varied = (px[i] & 0xFFFFFF) != (px[0] & 0xFFFFFF);
        }
    }
    free(image);
    return varied;
}

std::optional<StartTimes> xRun(const std::string& binary, const std::string& display,
                               Nanos& started, std::string& why) {
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> c(nullptr, xcb_disconnect);
    // A server that resets once its last client has gone takes a moment to come back.
    for (int attempt = 0; attempt < 20; ++attempt) {
        c.reset(xcb_connect(display.c_str(), &screenNumber));
        if (!xcb_connection_has_error(c.get())) {
            break;
        }
        usleep(100000);
    }
    if (xcb_connection_has_error(c.get())) {
        why = "no X server at " + display;
        return std::nullopt;
    }
    const xcb_setup_t* setup = xcb_get_setup(c.get());
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    const xcb_window_t root = it.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c.get(), root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c.get());

    started = nowNanos();
    Child child = spawn({binary}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
    if (child.pid < 0) {
        why = "could not start " + binary;
        return std::nullopt;
    }
    close(child.output);

    struct Watched {
        xcb_window_t window = 0;
        int width = 0;
        int row = 0;
    };
    StartTimes t;
    Watched splash;
    Watched main;
    const Nanos deadline = started + 20'000'000'000LL;
    pollfd pfd{xcb_get_file_descriptor(c.get()), POLLIN, 0};
    while (!t.mainShown && why.empty() && nowNanos() < deadline) {
        xcb_generic_event_t* e = xcb_poll_for_event(c.get());
        if (e == nullptr) {
            if (xcb_connection_has_error(c.get())) {
                why = "lost the X server";
                break;
            }
            // Mapped windows are looked at until their first paint shows.
            if (splash.window && !t.splashShown && !t.splashClosed &&
                painted(c.get(), splash.window, splash.width, splash.row)) {
                t.splashShown = nowNanos();
            }
            if (main.window && painted(c.get(), main.window, main.width, main.row)) {
                t.mainShown = nowNanos();
            }
            poll(&pfd, 1, 2);
            continue;
        }
        const uint8_t type = e->response_type & 0x7F;
        if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
            auto* g =
                xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), map->window), nullptr);
            if (g != nullptr) {
                // The splash is 674 x 223; the main window covers the screen and has its
                // panel along the bottom.
                if (g->width < 800 && g->height < 300 && !splash.window) {
                    splash = {map->window, g->width, g->height / 2};
                } else if (g->width >= 800 && g->height >= 600) {
                    main = {map->window, g->width, g->height - 60};
                } else if (splash.window) {
                    why = "another window (the device's error box?) appeared";
                }
                free(g);
            }
        } else if ((type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY) && splash.window &&
                   !t.splashClosed) {
            const auto* unmap = reinterpret_cast<xcb_unmap_notify_event_t*>(e);
            if (unmap->window == splash.window) {
                t.splashClosed = nowNanos();
            }
        }
        free(e);
    }
    kill(child.pid, SIGTERM);
    int status = 0;
    waitpid(child.pid, &status, 0);
    if (!t.complete()) {
        if (why.empty()) {
            why = "the windows did not all show within 20 s";
        }
        return std::nullopt;
    }
    return t;
}
#endif

struct Summary {
    std::vector<double> toMainFunction;
    std::vector<double> applicationObject;
    std::vector<double> toSplash;
    std::vector<double> splashToMain;
    std::vector<double> total;

    void add(Nanos started, const StartTimes& t) {
        if (t.entered && t.applicationReady) {
            toMainFunction.push_back(msBetween(started, t.entered));
            applicationObject.push_back(msBetween(t.entered, t.applicationReady));
        }
        toSplash.push_back(msBetween(started, t.splashShown));
        splashToMain.push_back(msBetween(t.splashClosed, t.mainShown));
        total.push_back(msBetween(started, t.mainShown));
    }

    void report(bench::Report& r, const std::string& how) const {
        if (!toMainFunction.empty()) {
            // Loading and linking the libraries, then the application object.
            r.add("startup_to_main_function_" + how, bench::median(toMainFunction), "ms");
            r.add("startup_application_object_" + how, bench::median(applicationObject), "ms");
        }
        r.add("startup_to_splash_" + how, bench::median(toSplash), "ms");
        r.add("startup_splash_closed_to_main_" + how, bench::median(splashToMain), "ms");
        r.add("startup_to_main_" + how, bench::median(total), "ms");
        // The jingle takes its second by design; the rest is ours.
        r.add("startup_beyond_jingle_" + how, bench::median(total) - 1000.0, "ms",
              bench::below(150.0));
    }
};

} // namespace

int main(int argc, char** argv) {
    if (bench::hasFlag(argc, argv, "--child")) {
        return childMain(argc, argv);
    }
    const bool smoke = bench::hasFlag(argc, argv, "--smoke");
    const int runs = smoke ? 1 : 5;
    bench::Report report("startup");

    Summary inProcess;
    for (int i = 0; i < runs; ++i) {
        Nanos started = 0;
        if (const auto t = inProcessRun(started, false)) {
            inProcess.add(started, *t);
        }
    }
    if (inProcess.total.empty()) {
        report.note("the program did not start in a child process");
        report.write();
        return 1;
    }
    report.note("offscreen, recording device, " + std::to_string(inProcess.total.size()) +
                " runs: first paint of each window");
    inProcess.report(report, "offscreen");

    // The same with the built-in synthesizer, when an audio server answers: the difference
    // is what opening it costs.
    if (!smoke) {
        Summary withSynth;
        for (int i = 0; i < runs; ++i) {
            Nanos started = 0;
            if (const auto t = inProcessRun(started, true)) {
                withSynth.add(started, *t);
            }
        }
        if (withSynth.total.empty()) {
            report.note("offscreen with the built-in synthesizer: device 0 did not open");
        } else {
            report.note("offscreen, built-in synthesizer, " +
                        std::to_string(withSynth.total.size()) + " runs");
            withSynth.report(report, "offscreen_synth");
        }
    }

    auto fromEnv = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v && *v ? std::optional<std::string>(v) : std::nullopt;
    };
    auto binary = bench::option(argc, argv, "--zelphor");
    if (!binary) {
        binary = fromEnv("ZELPHOR_BENCH_BINARY");
    }
    auto display = bench::option(argc, argv, "--display");
    if (!display) {
        display = fromEnv("ZELPHOR_BENCH_DISPLAY");
    }
    if (binary && display && !smoke) {
#ifdef ZELPHOR_BENCH_XCB
        Summary real;
        std::string why;
        for (int i = 0; i < runs && why.empty(); ++i) {
            Nanos started = 0;
            if (const auto t = xRun(*binary, *display, started, why)) {
                real.add(started, *t);
            }
        }
        if (!why.empty()) {
            report.note("the real binary: " + why);
        }
        if (!real.total.empty()) {
            report.note("the real binary on " + *display + ", built-in synthesizer, " +
                        std::to_string(real.total.size()) + " runs: first paint of each window");
            real.report(report, "x11");
        }
#else
        report.note("built without xcb: no figures for the real binary");
#endif
    }
    report.write();
    return 0;
}
