// A minimal LV2 UI host for the editor tests: loads the UI library the way a host does (dlopen,
// lv2ui_descriptor, an X11 parent window, idle calls) and checks what a user never sees fail.
//
// usage: tonvera_lv2_editor_check UI_LIBRARY PLUGIN_URI UI_URI MODE
//   budget N   open N editors side by side; print the first open's time and memory, then the median
//              time and the mean memory of the others (time: wall clock, and this process's processor
//              time, which other work on a busy machine does not inflate)
//   cycle N    open, run, close N times (every other time the parent window goes first); fail when the
//              process grows beyond the first rounds
//   nodisplay  without $DISPLAY the UI declines (no crash, no editor)
//   twice      two editors of one plug-in at once both work and close
#include <X11/Xlib.h>
#include <lv2/ui/ui.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Host {
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    Display* display = nullptr;
    Window parent = 0;
    std::string pluginURI, bundle;
    int writes = 0;
};

void Write(LV2UI_Controller controller, uint32_t, uint32_t, uint32_t, const void*) {
    ++static_cast<Host*>(controller)->writes;
}

int Resize(LV2UI_Feature_Handle, int, int) {
    return 0;
}

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

LV2UI_Handle Open(Host& host) {
    static LV2UI_Resize resize = {nullptr, Resize};
    LV2_Feature parent = {LV2_UI__parent, reinterpret_cast<void*>(host.parent)};
    LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parent, &resizeFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = host.descriptor->instantiate(host.descriptor, host.pluginURI.c_str(),
                                                   host.bundle.c_str(), Write, &host, &widget, features);
    if (ui && !widget) {
        std::printf("FAIL the editor gave no window\n");
        std::exit(1);
    }
    return ui;
}

void Run(Host& host, LV2UI_Handle ui, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        host.idle->idle(ui);
        usleep(2000);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s UI_LIBRARY PLUGIN_URI UI_URI budget N|cycle N|nodisplay|twice\n",
                     argv[0]);
        return 2;
    }
    const std::string mode = argv[4];
    const int count = argc > 5 ? std::atoi(argv[5]) : 1;
    Host host;
    host.pluginURI = argv[2];
    host.bundle = argv[1];
    host.bundle = host.bundle.substr(0, host.bundle.rfind('/') + 1);
    if (mode == "nodisplay") unsetenv("DISPLAY");

    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    auto entry =
        library ? reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2ui_descriptor"))
                : nullptr;
    for (uint32_t i = 0; entry && entry(i); ++i)
        if (!std::strcmp(entry(i)->URI, argv[3])) host.descriptor = entry(i);
    if (!host.descriptor) {
        std::printf("FAIL %s offers no %s\n", argv[1], argv[3]);
        return 1;
    }
    host.idle =
        static_cast<const LV2UI_Idle_Interface*>(host.descriptor->extension_data(LV2_UI__idleInterface));
    if (!host.idle) {
        std::printf("FAIL no idle interface\n");
        return 1;
    }

    if (mode == "nodisplay") {
        host.parent = 1; // any id: there is no server to ask
        LV2UI_Handle ui = Open(host);
        if (ui) {
            host.descriptor->cleanup(ui);
            std::printf("FAIL an editor opened without a display\n");
            return 1;
        }
        std::printf("PASS no display: the editor declines\n");
        return 0;
    }

    host.display = XOpenDisplay(nullptr);
    if (!host.display) {
        std::printf("FAIL no X display\n");
        return 1;
    }
    host.parent = XCreateSimpleWindow(host.display, DefaultRootWindow(host.display), 0, 0, 800, 400, 0, 0, 0);
    XMapWindow(host.display, host.parent);
    XSync(host.display, False);

    if (mode == "twice") {
        LV2UI_Handle a = Open(host), b = Open(host);
        if (!a || !b) {
            std::printf("FAIL a second editor of one plug-in did not open\n");
            return 1;
        }
        Run(host, a, 5);
        Run(host, b, 5);
        host.descriptor->cleanup(a);
        Run(host, b, 5);
        host.descriptor->cleanup(b);
        std::printf("PASS two editors of one plug-in\n");
    } else if (mode == "budget") {
        std::vector<LV2UI_Handle> open;
        std::vector<double> ms, cpuMs;
        std::vector<long> kib;
        for (int i = 0; i < count; ++i) {
            const long rss = ResidentKiB();
            const double cpu0 = CpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            LV2UI_Handle ui = Open(host);
            if (!ui) {
                std::printf("FAIL the editor did not open\n");
                return 1;
            }
            Run(host, ui, 1); // the first paint belongs to opening
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            cpuMs.push_back(CpuMs() - cpu0);
            kib.push_back(ResidentKiB() - rss);
            open.push_back(ui);
        }
        // The first open pays for what all editors share. Of the others the mean memory and the median
        // time: one open delayed by another process on a busy machine does not count.
        auto median = [](std::vector<double> v) {
            std::sort(v.begin() + 1, v.end());
            return v.size() > 1 ? v[(v.size() + 1) / 2] : v[0];
        };
        long rest = 0;
        for (size_t i = 1; i < kib.size(); ++i)
            rest += kib[i];
        std::printf("first %.1f ms (cpu %.1f) %ld KiB, then per editor %.1f ms (cpu %.1f) %ld KiB\n", ms[0],
                    cpuMs[0], kib[0], median(ms), median(cpuMs),
                    kib.size() > 1 ? rest / long(kib.size() - 1) : kib[0]);
        for (LV2UI_Handle ui : open)
            host.descriptor->cleanup(ui);
    } else if (mode == "cycle") {
        long settled = 0;
        const Window shared = host.parent;
        for (int i = 0; i < count; ++i) {
            // Every other round the host destroys its window before it closes the editor, as hosts
            // that tear down their own widgets first do.
            const bool orphan = i % 2 == 1;
            if (orphan) {
                host.parent = XCreateSimpleWindow(host.display, DefaultRootWindow(host.display), 0, 0, 400,
                                                  400, 0, 0, 0);
                XMapWindow(host.display, host.parent);
                XSync(host.display, False);
            }
            LV2UI_Handle ui = Open(host);
            if (!ui) {
                std::printf("FAIL round %d: the editor did not open\n", i + 1);
                return 1;
            }
            Run(host, ui, 3);
            if (orphan) {
                XDestroyWindow(host.display, host.parent);
                XSync(host.display, False);
                Run(host, ui, 2);
                host.parent = shared;
            }
            host.descriptor->cleanup(ui);
            if (i == std::min(4, count - 1)) settled = ResidentKiB();
        }
        const long grown = ResidentKiB() - settled;
        // Allocator noise stays far below one editor's size.
        std::printf("%s %d rounds, grew %ld KiB after the first five\n", grown < 512 ? "PASS" : "FAIL", count,
                    grown);
        if (grown >= 512) return 1;
    }
    XDestroyWindow(host.display, host.parent);
    XCloseDisplay(host.display);
    dlclose(library);
    return 0;
}
