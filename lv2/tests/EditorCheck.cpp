// A minimal LV2 UI host for the editor tests: loads the UI library the way a host does (dlopen,
// lv2ui_descriptor, an X11 parent window, idle calls) and checks what a user never sees fail.
//
// usage: tonvera_lv2_editor_check UI_LIBRARY PLUGIN_URI UI_URI MODE
//   nodisplay  without $DISPLAY the UI declines (no crash, no editor)
//   cycle N    N rounds of two editors of the plug-in at once, opened, run and closed (every other
//              round the parent window goes first); fail when the process grows beyond the first rounds
//   budget N   open N editors side by side; print the first open's processor time and memory, then the
//              median time and the mean memory of the others (processor time: other work on a busy
//              machine does not inflate it)
#include <X11/Xlib.h>
#include <lv2/ui/ui.h>
#include <algorithm>
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
};

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

// An editor in the host's parent window; null when the UI declines. Exits when it gives no window.
LV2UI_Handle Open(Host& host) {
    static LV2UI_Resize resize = {nullptr, [](LV2UI_Feature_Handle, int, int) { return 0; }};
    LV2_Feature parent = {LV2_UI__parent, reinterpret_cast<void*>(host.parent)};
    LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parent, &resizeFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    auto write = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
    LV2UI_Handle ui = host.descriptor->instantiate(host.descriptor, host.pluginURI.c_str(),
                                                   host.bundle.c_str(), write, &host, &widget, features);
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

Window NewWindow(Display* display, int width) {
    const Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, 400, 0, 0, 0);
    XMapWindow(display, w);
    XSync(display, False);
    return w;
}

int Cycle(Host& host, int count) {
    long settled = 0;
    const Window shared = host.parent;
    for (int i = 0; i < count; ++i) {
        // Every other round the host destroys its window before it closes the editors, as hosts
        // that tear down their own widgets first do.
        const bool orphan = i % 2 == 1;
        if (orphan) host.parent = NewWindow(host.display, 400);
        LV2UI_Handle a = Open(host), b = Open(host);
        if (!a || !b) {
            std::printf("FAIL round %d: two editors of one plug-in did not open\n", i + 1);
            return 1;
        }
        Run(host, a, 3);
        Run(host, b, 3);
        host.descriptor->cleanup(a);
        Run(host, b, 2);
        if (orphan) {
            XDestroyWindow(host.display, host.parent);
            XSync(host.display, False);
            Run(host, b, 2);
            host.parent = shared;
        }
        host.descriptor->cleanup(b);
        if (i == std::min(4, count - 1)) settled = ResidentKiB();
    }
    const long grown = ResidentKiB() - settled;
    // Allocator noise stays far below one editor's size.
    std::printf("%s %d rounds of two editors, grew %ld KiB after the first five\n",
                grown < 512 ? "PASS" : "FAIL", count, grown);
    return grown < 512 ? 0 : 1;
}

int Budget(Host& host, int count) {
    std::vector<LV2UI_Handle> open;
    std::vector<double> ms;
    std::vector<long> kib;
    for (int i = 0; i < count; ++i) {
        const long rss = ResidentKiB();
        const double cpu0 = CpuMs();
        LV2UI_Handle ui = Open(host);
        if (!ui) {
            std::printf("FAIL the editor did not open\n");
            return 1;
        }
        Run(host, ui, 1); // the first paint belongs to opening
        ms.push_back(CpuMs() - cpu0);
        kib.push_back(ResidentKiB() - rss);
        open.push_back(ui);
    }
    // The first open pays for what all editors share. Of the others the mean memory and the median
    // time: one open delayed by another process on a busy machine does not count.
    std::vector<double> rest(ms.begin() + (count > 1), ms.end());
    std::sort(rest.begin(), rest.end());
    long restKiB = 0;
    for (size_t i = 1; i < kib.size(); ++i)
        restKiB += kib[i];
    std::printf("first %.1f ms %ld KiB, then per editor %.1f ms %ld KiB\n", ms[0], kib[0],
                rest[rest.size() / 2], kib.size() > 1 ? restKiB / long(kib.size() - 1) : kib[0]);
    for (LV2UI_Handle ui : open)
        host.descriptor->cleanup(ui);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s UI_LIBRARY PLUGIN_URI UI_URI nodisplay|cycle N|budget N\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[4];
    const int count = std::max(argc > 5 ? std::atoi(argv[5]) : 1, 1);
    Host host;
    host.pluginURI = argv[2];
    host.bundle = argv[1];
    host.bundle = host.bundle.substr(0, host.bundle.rfind('/') + 1);
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
        unsetenv("DISPLAY");
        host.parent = 1; // any id: there is no server to ask
        LV2UI_Handle ui = Open(host);
        if (ui) host.descriptor->cleanup(ui);
        std::printf(ui ? "FAIL an editor opened without a display\n"
                       : "PASS no display: the editor declines\n");
        return ui ? 1 : 0;
    }
    host.display = XOpenDisplay(nullptr);
    if (!host.display) {
        std::printf("FAIL no X display\n");
        return 1;
    }
    host.parent = NewWindow(host.display, 800);
    const int failed = mode == "cycle" ? Cycle(host, count) : Budget(host, count);
    XDestroyWindow(host.display, host.parent);
    XCloseDisplay(host.display);
    dlclose(library);
    return failed;
}
