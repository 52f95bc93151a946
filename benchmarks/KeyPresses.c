/* Presses keys in a window through the XTEST extension, as a player would, and
 * prints when the X server had each press: the wall-clock time in microseconds
 * since the epoch, read right after the server answered a round trip that
 * followed the press.
 *
 * Usage: key-presses WINDOW_NAME START_KEY PRESS_KEY COUNT SEED
 * Once the window is there, waits two seconds, gives START_KEY one tap, waits
 * a second, then presses PRESS_KEY COUNT times at random moments (a
 * pseudo-random gap of 200 to 400 ms, from SEED), each held for 50 ms. Prints "start <us>" and then one "press <us>" a line.
 * Exits 1 with one line when the display or the window cannot be found. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { kShownMs = 2000, kHoldMs = 50, kLeastGapMs = 200, kGapSpreadMs = 200, kSettleMs = 1000, kFindTries = 100 };

static int64_t WallUs(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (int64_t)now.tv_sec * 1000000 + now.tv_nsec / 1000;
}

static void SleepUs(long us) {
    struct timespec pause = {us / 1000000, (us % 1000000) * 1000L};
    nanosleep(&pause, NULL);
}

static void SleepMs(long ms) {
    SleepUs(ms * 1000);
}

/* A window may go while it is looked at (the game's own short-lived ones). */
static int IgnoreError(Display* display, XErrorEvent* error) {
    (void)display;
    (void)error;
    return 0;
}

/* The first window below `root` whose name is `name`, depth first. */
static Window FindNamed(Display* display, Window root, const char* name) {
    char* title = NULL;
    if (XFetchName(display, root, &title) && title != NULL) {
        const int same = strcmp(title, name) == 0;
        XFree(title);
        if (same) {
            return root;
        }
    }
    Window parent = 0;
    Window* children = NULL;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, root, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && found == 0; ++i) {
            found = FindNamed(display, children[i], name);
        }
        XFree(children);
    }
    return found;
}

/* One press or release, and the wall time once the server has it. */
static int64_t Key(Display* display, KeyCode code, Bool down) {
    XTestFakeKeyEvent(display, code, down, CurrentTime);
    XSync(display, False);
    return WallUs();
}

int main(int argc, char** argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: %s WINDOW_NAME START_KEY PRESS_KEY COUNT SEED\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "key-presses: cannot open display %s\n", XDisplayName(NULL));
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        fprintf(stderr, "key-presses: the X server has no XTEST extension\n");
        return 1;
    }
    Window window = 0;
    for (int i = 0; i < kFindTries && window == 0; ++i) {
        window = FindNamed(display, DefaultRootWindow(display), argv[1]);
        if (window == 0) {
            SleepMs(50);
        }
    }
    if (window == 0) {
        fprintf(stderr, "key-presses: no window named '%.40s'\n", argv[1]);
        return 1;
    }
    const KeyCode start = XKeysymToKeycode(display, XStringToKeysym(argv[2]));
    const KeyCode press = XKeysymToKeycode(display, XStringToKeysym(argv[3]));
    if (start == 0 || press == 0) {
        fprintf(stderr, "key-presses: no key for '%.40s' or '%.40s'\n", argv[2], argv[3]);
        return 1;
    }
    const int count = atoi(argv[4]);
    srand((unsigned)strtoul(argv[5], NULL, 10));

    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    SleepMs(kShownMs);
    printf("start %lld\n", (long long)Key(display, start, True));
    SleepMs(kHoldMs);
    Key(display, start, False);
    SleepMs(kSettleMs);
    for (int i = 0; i < count; ++i) {
        /* Microseconds apart, so presses fall on every moment of a frame. */
        SleepUs(kLeastGapMs * 1000L + rand() % (kGapSpreadMs * 1000L));
        printf("press %lld\n", (long long)Key(display, press, True));
        SleepMs(kHoldMs);
        Key(display, press, False);
    }
    fflush(stdout);
    XCloseDisplay(display);
    return ferror(stdout) ? 1 : 0;
}
