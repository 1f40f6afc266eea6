// Starts a program on an X display and watches two points of the screen, to time its start-up
// from the outside, as a person looking at the screen would:
//   painted  the first point shows anything but what it showed before the start (the window's
//            first presented frame),
//   title    the second point shows a colour that is neither black nor what it showed before the
//            start (the first frame of the game's title screen: the loading frames are black
//            there).
// Times are milliseconds from just before the program was started. Then it waits for the program
// to end and reports its peak resident memory.
//
// Usage: frame-watch PAINT_X PAINT_Y TITLE_X TITLE_Y TIMEOUT_MS -- PROGRAM [ARGS...]
// Prints "pid N" at once, "painted MS" and "title MS" when seen, "maxrss KIB" at the end.
// Exits with 2 when a point is not seen within the timeout (the program is then killed).
//
//        frame-watch pixel X Y
// Prints the colour the screen shows at (X, Y) as six hexadecimal digits.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

unsigned long pixelAt(Display* display, Window root, int x, int y) {
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFFu;
    XDestroyImage(image);
    return pixel;
}

int toInt(const char* text) {
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "pixel") {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            std::fprintf(stderr, "frame-watch: cannot open the display\n");
            return 69;
        }
        std::printf("%06lx\n",
                    pixelAt(display, DefaultRootWindow(display), toInt(argv[2]), toInt(argv[3])));
        XCloseDisplay(display);
        return 0;
    }
    if (argc < 8 || std::string(argv[6]) != "--") {
        std::fprintf(stderr,
                     "usage: frame-watch PAINT_X PAINT_Y TITLE_X TITLE_Y TIMEOUT_MS -- PROGRAM "
                     "[ARGS...]\n");
        return 64;
    }
    const int paintX = toInt(argv[1]);
    const int paintY = toInt(argv[2]);
    const int titleX = toInt(argv[3]);
    const int titleY = toInt(argv[4]);
    const double timeout = toInt(argv[5]);

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "frame-watch: cannot open the display\n");
        return 69;
    }
    const Window root = DefaultRootWindow(display);
    const unsigned long paintBefore = pixelAt(display, root, paintX, paintY);
    const unsigned long titleBefore = pixelAt(display, root, titleX, titleY);

    const double start = nowMs();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("frame-watch: fork");
        return 71;
    }
    if (child == 0) {
        execvp(argv[7], argv + 7);
        std::perror("frame-watch: exec");
        _exit(127);
    }
    std::printf("pid %d\n", static_cast<int>(child));
    std::fflush(stdout);

    // Poll both points every millisecond: one small round trip to the server each.
    double painted = -1.0;
    double title = -1.0;
    while (title < 0.0) {
        const double now = nowMs() - start;
        if (painted < 0.0 && pixelAt(display, root, paintX, paintY) != paintBefore) {
            painted = now;
            std::printf("painted %.0f\n", painted);
            std::fflush(stdout);
        }
        const unsigned long shown = pixelAt(display, root, titleX, titleY);
        if (shown != titleBefore && shown != 0) {
            title = now;
            std::printf("title %.0f\n", title);
            std::fflush(stdout);
        }
        int status = 0;
        if (now > timeout || waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "frame-watch: no %s within %.0f ms\n",
                         painted < 0.0 ? "painted frame" : "title frame", timeout);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return 2;
        }
        const timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
    }
    XCloseDisplay(display);

    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0) {
    }
    std::printf("maxrss %ld\n", usage.ru_maxrss);
    return 0;
}
